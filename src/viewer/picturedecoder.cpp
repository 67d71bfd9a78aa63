#include "viewer/picturedecoder.h"

#include "catalogue/imagedecoders.h"
#include "catalogue/openasimagemodule.h"
#include "catalogue/rawpath.h"
#include "viewer/picturefit.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace {

QImage as32Bits(QImage image)
{
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    return image;
}

// In 32 bits before the stretch: Qt's stretch keeps a palette picture's
// format and dithers it.
QImage shrunk(const QImage& image, QSize size)
{
    QImage picture = as32Bits(image);
    if (picture.size() != size)
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

QImage fittedToScreen(const QImage& image, QSize screen)
{
    if (image.isNull())
        return image;
    const PictureFit fit = fitPicture(screen, image.size());
    return fit.fitted ? shrunk(image, fit.size) : image;
}

void allowFullDecode()
{
    if (QImageReader::allocationLimit() < fullDecodeLimitMb)
        QImageReader::setAllocationLimit(fullDecodeLimitMb);
}

} // namespace

QImage decodeForScreen(const QByteArray& path, QSize screen)
{
    QFile file;
    if (path.contains('\0') || !RawPath::openRegularFile(file, path))
        return {};
    // The decoder is chosen by content alone, so format() names what the file is.
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return decodeWithoutQtPlugin(path, screen);

    const QSize stored = reader.size();
    if (stored.isValid() && isCutShortNetpbm(reader, stored))
        return {};
    if (stored.isValid()) {
        // The orientation is applied after decoding, so the decoder is asked
        // for the fitted size in the stored orientation.
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const PictureFit fit = fitPicture(screen, turned ? stored.transposed() : stored);
        // A size from the header that fits says nothing for sure of the
        // picture decoded (a GIF's canvas may be larger than its frame), so
        // that picture is fitted again below.
        if (!fit.fitted)
            return fittedToScreen(reader.read(), screen);
        // Only the JPEG decoder really shrinks while decoding. Qt's PNG
        // reader decodes whole anyway and then shrinks in the file's own
        // pixel format, which turns a two-colour picture black.
        if (reader.format() == "jpeg") {
            reader.setScaledSize(turned ? fit.size.transposed() : fit.size);
            const QImage image = reader.read();
            return image.isNull() ? image : shrunk(image, fit.size);
        }
    }

    allowFullDecode();
    return fittedToScreen(reader.read(), screen);
}

QImage decodeWithoutQtPlugin(const QByteArray& path, QSize screen)
{
    // Whatever the picture's proportions, a picture that covers a square of
    // the screen's shorter side is at least as large as its fitted size.
    const ImportedPicture imported
        = OpenAsImageModule::importWithVips(path, std::max(1, std::min(screen.width(), screen.height())));
    const DecodedPicture& decoded = imported.picture;
    if (decoded.isNull())
        return {};
    const QSize full = decoded.fullSize.isEmpty() ? decoded.picture.size() : decoded.fullSize;
    const PictureFit fit = fitPicture(screen, full);
    return fit.fitted ? shrunk(decoded.picture, fit.size) : decoded.picture;
}
