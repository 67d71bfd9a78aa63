#include "catalogue/psdcomposite.h"

#include "catalogue/filerange.h"
#include "catalogue/orientation.h"
#include "catalogue/rowshrinker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

// Rows unpacked for each reduced row.
constexpr int rowsPerBox = 3;

class Reader : public FileRange {
public:
    using FileRange::FileRange;
    bool number(qint64 at, int size, quint64& value) const
    {
        uchar bytes[8];
        if (!read(at, bytes, size))
            return false;
        value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | bytes[i];
        return true;
    }

};

// PackBits as Photoshop writes it; a row that breaks off is zero from there.
void unpack(const uchar* in, size_t length, uchar* out, size_t width)
{
    size_t made = 0;
    size_t at = 0;
    while (made < width && at < length) {
        const int header = qint8(in[at++]);
        if (header >= 0) {
            const size_t count = std::min<size_t>(size_t(header) + 1, std::min(width - made, length - at));
            std::memcpy(out + made, in + at, count);
            made += count;
            at += size_t(header) + 1;
        } else if (header != -128) {
            if (at >= length)
                break;
            const size_t count = std::min<size_t>(size_t(1 - header), width - made);
            std::memset(out + made, in[at++], count);
            made += count;
        }
    }
    if (made < width)
        std::memset(out + made, 0, width - made);
}

// The orientation tag in the EXIF block among the image resources.
int orientationOf(const Reader& file, qint64 at, qint64 end)
{
    while (at + 12 <= end) {
        char type[4];
        quint64 id = 0, nameLength = 0;
        if (!file.read(at, type, 4) || std::memcmp(type, "8BIM", 4) != 0 || !file.number(at + 4, 2, id)
            || !file.number(at + 6, 1, nameLength))
            return 1;
        const qint64 name = (1 + qint64(nameLength) + 1) & ~qint64(1);
        quint64 size = 0;
        if (!file.number(at + 6 + name, 4, size))
            return 1;
        const qint64 data = at + 6 + name + 4;
        if (id == 1058 && size >= 8 && size <= 1024 * 1024) {
            std::vector<uchar> exif(size);
            if (!file.read(data, exif.data(), qint64(size)))
                return 1;
            return Orientation::fromTiff(exif.data(), exif.size());
        }
        at = data + ((qint64(size) + 1) & ~qint64(1));
    }
    return 1;
}

} // namespace

FormatDecode decodePsdComposite(int descriptor, int side)
{
    const Reader file(descriptor);
    char header[26];
    if (!file.read(0, header, sizeof header) || std::memcmp(header, "8BPS", 4) != 0)
        return {};
    const auto field = [&](int at, int size) {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | uchar(header[at + i]);
        return value;
    };
    const FormatDecode unsupported {FormatDecode::Outcome::unsupported, {}};
    const quint64 version = field(4, 2);
    const int channels = int(field(12, 2));
    const qint64 height = qint64(field(14, 4));
    const qint64 width = qint64(field(18, 4));
    const int depth = int(field(22, 2));
    const int mode = int(field(24, 2));
    const qint64 largest = version == 2 ? 300000 : 30000;
    if ((version != 1 && version != 2) || width < 1 || height < 1 || width > largest || height > largest)
        return unsupported;
    // Greyscale (1) with its alpha, or RGB (3) with its alpha.
    const int colours = mode == 1 ? 1 : mode == 3 ? 3 : 0;
    if (colours == 0 || channels < colours || channels > 56 || (depth != 8 && depth != 16))
        return unsupported;
    const bool alpha = channels > colours;
    const int used = colours + (alpha ? 1 : 0);

    quint64 length = 0;
    qint64 at = 26;
    if (!file.number(at, 4, length))  // colour mode data
        return unsupported;
    at += 4 + qint64(length);
    if (!file.number(at, 4, length))  // image resources
        return unsupported;
    const int orientation = orientationOf(file, at + 4, at + 4 + qint64(length));
    at += 4 + qint64(length);
    const int layerLengthSize = version == 2 ? 8 : 4;
    if (!file.number(at, layerLengthSize, length) || length > quint64(file.length()))
        return unsupported;
    at += layerLengthSize + qint64(length);
    quint64 compression = 0;
    if (!file.number(at, 2, compression) || compression > 1)
        return unsupported;
    at += 2;

    const qint64 sampleSize = depth / 8;
    const qint64 rowBytes = width * sampleSize;
    // Where row y of channel c starts, and how long it is.
    std::vector<qint64> starts;
    std::vector<quint32> lengths;
    if (compression == 1) {
        const int countSize = version == 2 ? 4 : 2;
        const qint64 rows = qint64(channels) * height;
        if (rows * countSize > file.length())
            return unsupported;
        std::vector<uchar> counts(size_t(rows * countSize));
        if (!file.read(at, counts.data(), qint64(counts.size())))
            return unsupported;
        at += qint64(counts.size());
        starts.resize(size_t(used * height));
        lengths.resize(size_t(used * height));
        qint64 offset = at;
        for (qint64 row = 0; row < qint64(used) * height; ++row) {
            quint32 count = 0;
            for (int i = 0; i < countSize; ++i)
                count = count << 8 | counts[size_t(row * countSize + i)];
            // PackBits never makes a row much longer than it was.
            if (count > 2 * rowBytes + 16)
                return unsupported;
            starts[size_t(row)] = offset;
            lengths[size_t(row)] = count;
            offset += count;
        }
        if (offset > file.length())
            return unsupported;
    } else if (at + qint64(used) * height * rowBytes > file.length()) {
        return unsupported;
    }

    const QSize full {int(width), int(height)};
    const QSize target = side > 0 ? reducedDecodeSize(full, side) : full;
    RowShrinker shrinker(full, target, alpha);
    shrinker.sampleRows(rowsPerBox);
    std::vector<uchar> packed;
    std::vector<uchar> planes(size_t(used * rowBytes));
    std::vector<QRgb> row(static_cast<size_t>(width));
    for (qint64 y = 0; y < height; ++y) {
        if (!shrinker.wants(int(y)))
            continue;
        for (int c = 0; c < used; ++c) {
            uchar* plane = planes.data() + c * rowBytes;
            if (compression == 1) {
                const size_t index = size_t(c * height + y);
                packed.resize(lengths[index]);
                if (!file.read(starts[index], packed.data(), qint64(packed.size())))
                    return unsupported;
                unpack(packed.data(), packed.size(), plane, size_t(rowBytes));
            } else if (!file.read(at + (c * height + y) * rowBytes, plane, rowBytes)) {
                return unsupported;
            }
        }
        // Samples are big-endian: the high byte of a 16-bit one comes first.
        const auto sample = [&](int c, qint64 x) { return planes[size_t(c * rowBytes + x * sampleSize)]; };
        for (qint64 x = 0; x < width; ++x) {
            const int red = sample(0, x);
            const int green = colours == 3 ? sample(1, x) : red;
            const int blue = colours == 3 ? sample(2, x) : red;
            row[size_t(x)] = qRgba(red, green, blue, alpha ? sample(colours, x) : 255);
        }
        shrinker.addRow(int(y), row.data());
    }
    const QImage picture = shrinker.result();
    if (picture.isNull())
        return {FormatDecode::Outcome::failed, {}};
    return {FormatDecode::Outcome::picture,
        {Orientation::upright(picture, orientation), Orientation::upright(full, orientation)}};
}
