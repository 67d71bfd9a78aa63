#pragma once

#include "catalogue/imagedecoders.h"

// Opening a file through the importer, which reads files by their content
// (libvips: JPEG, PNG, GIF, TIFF, WebP, HEIF, PDF through poppler, PSD
// through ImageMagick), with the general decoder as its fallback.
namespace OpenAsImageModule {

// The importer: libvips by content, first page or frame, shrunk while
// loading so the result still covers a side x side square. opened is false
// when libvips cannot read the file at all. Safe to call from any thread.
ImportedPicture importWithVips(const QByteArray& path, int side);

// The importer of thumbnail making: by content, JPEG through libjpeg-turbo
// shrinking while decoding (the library libvips would use), the merged
// picture of a Photoshop file, an uncompressed TIFF and a PNG read directly
// and reduced while they are read, everything else through importWithVips. Safe to call from any thread.
ImportedPicture importPicture(const QByteArray& path, int side);

// A missing file gives no picture without asking any decoder; a name without
// a dot goes to the general decoder alone. Otherwise the importer decides: a
// file it opens gives whatever picture it yields, even none; a file it cannot
// open goes to the general decoder.
DecodedPicture OpenAsImage(const QByteArray& path, const Decoders& decoders);

} // namespace OpenAsImageModule
