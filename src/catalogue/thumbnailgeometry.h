#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Thumbnails are 100 x 100 pixels, 32 bits per pixel.
constexpr int thumbnailSide = 100;

// Where a picture of the given full size lands in its thumbnail. Without
// constrained proportions it fills the whole thumbnail. With them the longer
// side is reduced to 100 (a side that would round to 0 becomes 1), a picture
// no larger than 100 x 100 keeps its own size, and the result is centred.
QRect thumbnailPlacement(QSize fullSize, bool constrain);

// Draws the thumbnail of a picture whose full size is fullSize. The picture
// may be a reduced decode of it (shrink-on-load); it is scaled into the
// placement computed from the full size. The free area is black.
QImage drawThumbnail(const QImage& picture, QSize fullSize, bool constrain);
