#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <functional>

class QImageReader;

// A decoded picture: its pixels, possibly a reduced decode (shrink-on-load),
// and the full size the file declares, upright as it is shown.
struct DecodedPicture {
    QImage picture;
    QSize fullSize;
    bool isNull() const { return picture.isNull(); }
};

// What one of the program's own format decoders made of a file.
struct FormatDecode {
    enum class Outcome {
        otherFormat,  // not this format; another decoder may try
        unsupported,  // this format, in a variant left to another decoder
        failed,       // this format, but its data does not decode
        picture,
    };
    Outcome outcome = Outcome::otherFormat;
    DecodedPicture picture;
};

// What the importer made of a file: whether it could open the file at all,
// and the picture of its first page or frame (null when it had none).
struct ImportedPicture {
    bool opened = false;
    DecodedPicture picture;
};

// The three decoders thumbnail making chooses from. Each takes a file by its
// path bytes and never fails other than by returning no picture. Tests put
// their own in to see which one is asked.
struct Decoders {
    std::function<DecodedPicture(const QByteArray& path)> general;
    std::function<DecodedPicture(const QByteArray& path)> jpeg;
    std::function<ImportedPicture(const QByteArray& path)> importer;

    // The platform's decoders, decoding only as many pixels as a thumbnail
    // needs. Safe to call from any thread.
    static Decoders forThumbnails();
};

// The size to decode a picture of the given full size at so that it still
// covers a side x side square: never enlarged, and never more than a few
// million pixels, so a file declaring an enormous size is not allocated at
// full size.
QSize reducedDecodeSize(QSize fullSize, int side);

// More pixels than a picture may take when decoded at full size (64
// megapixels, 256 MB); such a picture is only ever decoded reduced.
bool isHugePicture(QSize fullSize);

// A Netpbm file (PBM, PGM, PPM) shorter than the pixels its header declares
// could hold, at a bit each: Qt's reader would go through every missing
// pixel, for many seconds. It is broken; nothing is decoded.
bool isCutShortNetpbm(QImageReader& reader, QSize stored);

// The general decoder: Qt's readers, format decided by content; a format
// without shrink-on-load whose declared size would not fit in memory gives
// no picture. side 0 decodes at full size.
DecodedPicture generalDecoder(const QByteArray& path, int side);

// The JPEG decoder: anything that is not a JPEG gives no picture. For a
// thumbnail (side > 0) libjpeg-turbo shrinks while decoding (DCT scaling);
// a CMYK file, and a full decode, go through Qt's JPEG reader.
DecodedPicture LoadPictureFromJPEG(const QByteArray& path, int side);
