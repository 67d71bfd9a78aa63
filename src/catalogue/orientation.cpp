#include "catalogue/orientation.h"

#include <QTransform>

#include <cstring>

namespace Orientation {

int fromTiff(const uchar* data, size_t length)
{
    if (length < 8)
        return 1;
    const bool little = data[0] == 'I' && data[1] == 'I';
    if (!little && !(data[0] == 'M' && data[1] == 'M'))
        return 1;
    const auto read16 = [&](size_t at) -> quint32 {
        return little ? data[at] | data[at + 1] << 8 : data[at] << 8 | data[at + 1];
    };
    const auto read32 = [&](size_t at) -> quint32 {
        return little ? read16(at) | read16(at + 2) << 16 : read16(at) << 16 | read16(at + 2);
    };
    if (read16(2) != 42)
        return 1;
    const size_t directory = read32(4);
    if (directory + 2 > length)
        return 1;
    const size_t entries = read16(directory);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + 12 * i;
        if (entry + 12 > length)
            break;
        // The orientation tag, a SHORT held in the entry itself.
        if (read16(entry) == 0x0112 && read16(entry + 2) == 3) {
            const quint32 value = read16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

int fromExif(const uchar* data, size_t length)
{
    if (length < 6 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 1;
    return fromTiff(data + 6, length - 6);
}

QSize upright(QSize stored, int orientation)
{
    return orientation >= 5 && orientation <= 8 ? stored.transposed() : stored;
}

QImage upright(const QImage& stored, int orientation)
{
    // Mirrored first, then turned a quarter to the right, as the tag's
    // eight values are built.
    switch (orientation) {
    case 2:
        return stored.mirrored(true, false);
    case 3:
        return stored.mirrored(true, true);
    case 4:
        return stored.mirrored(false, true);
    case 5:
        return stored.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
        return stored.transformed(QTransform().rotate(90));
    case 7:
        return stored.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}

} // namespace Orientation
