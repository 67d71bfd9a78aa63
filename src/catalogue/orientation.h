#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// The orientation tag of a photograph (1 to 8, 1 upright): how the stored
// picture is to be turned and mirrored to be shown as the camera meant it.
namespace Orientation {

// From a TIFF stream (a TIFF file's start, or a JPEG's EXIF block after
// its "Exif\0\0"): the tag of the first directory, 1 when absent or unreadable.
int fromTiff(const uchar* data, size_t length);

// From the payload of a JPEG's APP1 marker; 1 when it is not EXIF.
int fromExif(const uchar* data, size_t length);

// The size shown for a stored size.
QSize upright(QSize stored, int orientation);

// The picture turned upright.
QImage upright(const QImage& stored, int orientation);

} // namespace Orientation
