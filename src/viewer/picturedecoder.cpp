#include "viewer/picturedecoder.h"

#include "viewer/picturefit.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace {

// Opens the file from its raw bytes. QFile::decodeName does not give back
// the same bytes for a name that is not valid UTF-8, so on Unix the file is
// opened by its bytes and handed to QFile as a descriptor.
bool openPath(QFile& file, const QByteArray& path)
{
    if (path.isEmpty() || path.contains('\0'))
        return false;
#ifdef Q_OS_UNIX
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    file.setFileName(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly);
#endif
}

// The decoder is still chosen by content; the suffix only says which to try first.
QByteArray suffixHint(const QByteArray& path)
{
    return QFileInfo(QFile::decodeName(path)).suffix().toLower().toLatin1();
}

QImage as32Bits(QImage image)
{
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    return image;
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
    if (!openPath(file, path))
        return {};
    QImageReader reader(&file, suffixHint(path));
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return decodeWithoutQtPlugin(path, screen);

    const QSize stored = reader.size();
    if (stored.isValid()) {
        // The orientation is applied after decoding, so the decoder is asked
        // for the fitted size in the stored orientation.
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const PictureFit fit = fitPicture(screen, turned ? stored.transposed() : stored);
        if (!fit.fitted)
            return reader.read();
        if (!reader.supportsOption(QImageIOHandler::ScaledSize))
            allowFullDecode();
        reader.setScaledSize(turned ? fit.size.transposed() : fit.size);
        QImage image = reader.read();
        if (image.isNull())
            return image;
        if (image.size() != fit.size)
            image = image.scaled(fit.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return as32Bits(image);
    }

    allowFullDecode();
    const QImage image = reader.read();
    if (image.isNull())
        return image;
    const PictureFit fit = fitPicture(screen, image.size());
    if (!fit.fitted)
        return image;
    return as32Bits(image.scaled(fit.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QImage decodeWithoutQtPlugin(const QByteArray&, QSize)
{
    return {};
}
