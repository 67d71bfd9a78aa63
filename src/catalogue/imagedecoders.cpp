#include "catalogue/imagedecoders.h"

#include "catalogue/jpegscaled.h"
#include "catalogue/openasimagemodule.h"
#include "catalogue/rawpath.h"

#include <QFile>
#include <QImageReader>

#include <cmath>
#include <unistd.h>

namespace {

// A picture decoded for a thumbnail stays below this many pixels (16 MB of
// 32-bit pixels); only a picture thousands of times wider than high needs it.
constexpr qint64 reducedPixelLimit = 4 * 1024 * 1024;

QSize upright(QSize size, QImageIOHandler::Transformations transformation)
{
    return transformation.testFlag(QImageIOHandler::TransformationRotate90) ? size.transposed() : size;
}

DecodedPicture readPicture(QImageReader& reader, int side)
{
    const QSize stored = reader.size();
    if (stored.isValid() && !stored.isEmpty()) {
        const QSize wanted = side > 0 ? reducedDecodeSize(stored, side) : stored;
        // Of Qt's readers only the JPEG one shrinks while decoding (DCT
        // scaling); the others decode in full and then scale in the stored
        // format, which dithers palette pictures, so they are not asked to.
        // Qt refuses to allocate beyond 256 MB anyway; a full decode is not
        // started on a huge size.
        const bool shrinks = reader.format() == "jpeg";
        if ((isHugePicture(stored) && !(shrinks && wanted != stored)) || isCutShortNetpbm(reader, stored))
            return {};
        if (shrinks && wanted != stored)
            reader.setScaledSize(wanted);
    }
    QImage picture = reader.read();
    if (picture.isNull())
        return {};
    picture.convertTo(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QSize full = stored.isValid() && !stored.isEmpty() ? upright(stored, reader.transformation())
                                                             : picture.size();
    return {picture, full};
}

} // namespace

bool isCutShortNetpbm(QImageReader& reader, QSize stored)
{
    const QByteArray format = reader.format();
    if (format != "pbm" && format != "pgm" && format != "ppm")
        return false;
    const qint64 leastBytes = (qint64(stored.width()) * stored.height() + 7) / 8;
    return !reader.device() || reader.device()->size() < leastBytes;
}

bool isHugePicture(QSize fullSize)
{
    return qint64(fullSize.width()) * fullSize.height() > qint64(64) * 1024 * 1024;
}

QSize reducedDecodeSize(QSize fullSize, int side)
{
    const double width = fullSize.width();
    const double height = fullSize.height();
    if (width <= 0 || height <= 0)
        return fullSize;
    double scale = std::min(1.0, std::max(side / width, side / height));
    if (width * scale * height * scale > reducedPixelLimit)
        scale = std::sqrt(reducedPixelLimit / (width * height));
    if (scale >= 1.0)
        return fullSize;
    return QSize(std::max(1, int(std::ceil(width * scale))), std::max(1, int(std::ceil(height * scale))));
}

DecodedPicture generalDecoder(const QByteArray& path, int side)
{
    QFile file;
    if (!RawPath::openRegularFile(file, path))
        return {};
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    // Formats Qt has no reader for (PSD, PDF) go to libvips, so every
    // picture a scan collects also opens in the viewer.
    if (!reader.canRead()) {
        file.close();
        return OpenAsImageModule::importWithVips(path, side).picture;
    }
    return readPicture(reader, side);
}

DecodedPicture LoadPictureFromJPEG(const QByteArray& path, int side)
{
    if (side > 0) {
        const int descriptor = RawPath::openRegularDescriptor(path);
        if (descriptor < 0)
            return {};
        FormatDecode decoded = decodeJpegScaled(descriptor, side);
        ::close(descriptor);
        if (decoded.outcome != FormatDecode::Outcome::unsupported)
            return decoded.picture;
    }
    QFile file;
    if (!RawPath::openRegularFile(file, path))
        return {};
    QImageReader reader(&file, "jpeg");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    return readPicture(reader, side);
}

Decoders Decoders::forThumbnails()
{
    return {
        [](const QByteArray& path) { return generalDecoder(path, 100); },
        [](const QByteArray& path) { return LoadPictureFromJPEG(path, 100); },
        [](const QByteArray& path) { return OpenAsImageModule::importPicture(path, 100); },
    };
}
