#include "catalogue/thumbnailgeometry.h"

#include "common/rounding.h"

#include <QPainter>

namespace {

int atLeastOne(int side)
{
    return side == 0 ? 1 : side;
}

} // namespace

QRect thumbnailPlacement(QSize fullSize, bool constrain)
{
    const QRect whole(0, 0, thumbnailSide, thumbnailSide);
    if (!constrain)
        return whole;
    const double width = fullSize.width();
    const double height = fullSize.height();
    QSize reduced = fullSize;
    if (width > thumbnailSide) {
        const int h = atLeastOne(roundHalfAway(height / (width / 100.0)));
        reduced = QSize(thumbnailSide, h);
        // Still higher than 100 after the width reduction: reduce the full
        // picture by its height instead.
        if (h > thumbnailSide)
            reduced = QSize(atLeastOne(roundHalfAway(100.0 / (h / 100.0))), thumbnailSide);
    } else if (height > thumbnailSide) {
        reduced = QSize(atLeastOne(roundHalfAway(width / (height / 100.0))), thumbnailSide);
    }
    const int left = roundHalfAway((thumbnailSide - reduced.width()) / 2.0);
    const int top = roundHalfAway((thumbnailSide - reduced.height()) / 2.0);
    return QRect(QPoint(left, top), reduced);
}

QImage drawThumbnail(const QImage& picture, QSize fullSize, bool constrain)
{
    QImage thumbnail(thumbnailSide, thumbnailSide, QImage::Format_RGB32);
    thumbnail.fill(Qt::black);
    const QRect target = thumbnailPlacement(fullSize, constrain);
    QPainter painter(&thumbnail);
    if (picture.size() == target.size())
        painter.drawImage(target.topLeft(), picture);
    else
        painter.drawImage(target.topLeft(),
            picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return thumbnail;
}
