#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// The viewer's decoder: the picture at path (the file system's own bytes),
// read afresh from disk and already shrunk as fitPicture() says for the
// screen, or a null picture when the file is gone, unreadable or not a
// picture. A shrunk picture is 32 bits per pixel; one that fits the screen
// is returned as decoded. The EXIF orientation of a photo is applied.
//
// The fit is computed from the size in the file's header and the picture is
// decoded at the fitted size, so a JPEG is shrunk by the decoder itself (DCT
// scaling) and a 48-megapixel photo never exists in memory at full size.
// Other types (PNG, TIFF, GIF, BMP, WebP) are decoded whole and then
// shrunk; for them Qt's allocation limit is raised to fullDecodeLimitMb.
QImage decodeForScreen(const QByteArray& path, QSize screen);

// Qt refuses pictures above 128 MB by default. 1024 MB holds a 256-megapixel
// picture at 32 bits per pixel.
inline constexpr int fullDecodeLimitMb = 1024;

// The hand-over for the types Qt has no decoder for (Photoshop PSD, PDF,
// HEIF): libvips, which the scan uses for them too, shrinking while it
// loads; the picture fitted to the screen, or a null picture.
QImage decodeWithoutQtPlugin(const QByteArray& path, QSize screen);
