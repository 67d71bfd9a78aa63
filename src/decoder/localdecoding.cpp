#include "decoder/localdecoding.h"

#include <QFile>
#include <QImageReader>

std::optional<DecodedPicture> decodeThumbnailHere(const ThumbnailRequest& request)
{
    QImageReader reader(QFile::decodeName(request.path));
    const QSize full = reader.size();
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return DecodedPicture{full.isValid() ? full : image.size(),
                          image.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32)};
}

std::optional<DecodedPicture> decodeViewerPictureHere(const ViewerRequest& request)
{
    QImageReader reader(QFile::decodeName(request.path));
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (image.width() <= request.screen.width() && image.height() <= request.screen.height())
        return DecodedPicture{image.size(), image};
    return DecodedPicture{image.size(), image.scaled(request.screen, Qt::KeepAspectRatio, Qt::SmoothTransformation)};
}
