#include "catalogue/tiffstrips.h"

#include "catalogue/filerange.h"
#include "catalogue/orientation.h"
#include "catalogue/rowshrinker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

// Rows read for each reduced row.
constexpr int rowsPerBox = 3;

class Tiff : public FileRange {
public:
    using FileRange::FileRange;

    // Reads the header and the first directory's entries.
    bool open()
    {
        uchar header[8];
        if (!read(0, header, 8))
            return false;
        if (header[0] == 'I' && header[1] == 'I')
            m_little = true;
        else if (!(header[0] == 'M' && header[1] == 'M'))
            return false;
        if (word(header + 2) != 42)
            return false;
        const qint64 directory = long32(header + 4);
        uchar count[2];
        if (!read(directory, count, 2))
            return false;
        const int entries = word(count);
        std::vector<uchar> table(size_t(entries) * 12);
        if (!read(directory + 2, table.data(), qint64(table.size())))
            return false;
        for (int i = 0; i < entries; ++i) {
            const uchar* entry = table.data() + 12 * i;
            m_entries[word(entry)] = {word(entry + 2), long32(entry + 4), directory + 2 + 12 * i + 8};
        }
        return true;
    }

    bool has(int tag) const { return m_entries.count(tag) != 0; }

    // The values of a SHORT or LONG field; empty when absent or unreadable.
    std::vector<quint64> values(int tag, quint64 most) const
    {
        const auto found = m_entries.find(tag);
        if (found == m_entries.end())
            return {};
        const Entry& entry = found->second;
        const int size = entry.type == 3 ? 2 : entry.type == 4 ? 4 : 0;
        if (size == 0 || entry.count == 0 || entry.count > most)
            return {};
        std::vector<uchar> bytes(size_t(entry.count * size));
        qint64 at = entry.valueAt;
        if (bytes.size() > 4) {
            uchar offset[4];
            if (!read(entry.valueAt, offset, 4))
                return {};
            at = long32(offset);
        }
        if (!read(at, bytes.data(), qint64(bytes.size())))
            return {};
        std::vector<quint64> result(entry.count);
        for (size_t i = 0; i < entry.count; ++i)
            result[i] = size == 2 ? word(bytes.data() + 2 * i) : long32(bytes.data() + 4 * i);
        return result;
    }
    quint64 value(int tag, quint64 absent) const
    {
        const std::vector<quint64> found = values(tag, 64);
        return found.empty() ? absent : found.front();
    }

    bool little() const { return m_little; }

private:
    struct Entry {
        quint32 type;
        quint64 count;
        qint64 valueAt;
    };
    quint32 word(const uchar* p) const { return m_little ? p[0] | p[1] << 8 : p[0] << 8 | p[1]; }
    quint64 long32(const uchar* p) const
    {
        return m_little ? quint64(word(p)) | quint64(word(p + 2)) << 16 : quint64(word(p)) << 16 | word(p + 2);
    }

    bool m_little = true;
    std::map<int, Entry> m_entries;
};

} // namespace

FormatDecode decodeTiffStrips(int descriptor, int side)
{
    Tiff file(descriptor);
    uchar signature[4];
    if (!file.read(0, signature, 4)
        || !(std::memcmp(signature, "II*\0", 4) == 0 || std::memcmp(signature, "MM\0*", 4) == 0))
        return {};
    const FormatDecode unsupported {FormatDecode::Outcome::unsupported, {}};
    if (!file.open())
        return unsupported;
    const quint64 width = file.value(256, 0);
    const quint64 height = file.value(257, 0);
    const quint64 samples = file.value(277, 1);
    const quint64 photometric = file.value(262, 99);
    const std::vector<quint64> bits = file.values(258, 16);
    if (width < 1 || height < 1 || width > 1000000 || height > 1000000 || samples < 1 || samples > 4)
        return unsupported;
    if (file.value(259, 1) != 1 || file.value(284, 1) != 1 || file.value(339, 1) != 1 || file.has(322))
        return unsupported;
    const quint64 colours = photometric == 2 ? 3 : photometric == 1 ? 1 : 0;
    if (colours == 0 || samples < colours)
        return unsupported;
    const quint64 depth = bits.empty() ? 1 : bits.front();
    for (const quint64 b : bits) {
        if (b != depth)
            return unsupported;
    }
    if ((depth != 8 && depth != 16) || (!bits.empty() && bits.size() != samples))
        return unsupported;
    // One extra sample is transparency only when it says so, and
    // unassociated (associated alpha would have to be divided out first).
    bool alpha = false;
    if (samples > colours) {
        const quint64 extra = file.value(338, 0);
        if (extra == 1)
            return unsupported;
        alpha = extra == 2;
    }
    const qint64 rowsPerStrip = qint64(std::min<quint64>(file.value(278, height), height));
    if (rowsPerStrip < 1)
        return unsupported;
    const qint64 strips = (qint64(height) + rowsPerStrip - 1) / rowsPerStrip;
    const std::vector<quint64> offsets = file.values(273, quint64(strips));
    const std::vector<quint64> counts = file.values(279, quint64(strips));
    if (qint64(offsets.size()) != strips || qint64(counts.size()) != strips)
        return unsupported;
    const qint64 sampleBytes = qint64(depth / 8);
    const qint64 rowBytes = qint64(width) * qint64(samples) * sampleBytes;
    for (qint64 s = 0; s < strips; ++s) {
        const qint64 rows = std::min(rowsPerStrip, qint64(height) - s * rowsPerStrip);
        if (qint64(counts[size_t(s)]) < rows * rowBytes || qint64(offsets[size_t(s)]) + rows * rowBytes > file.length())
            return unsupported;
    }
    const int orientation = int(file.value(274, 1));

    const QSize full {int(width), int(height)};
    const QSize target = side > 0 ? reducedDecodeSize(full, side) : full;
    RowShrinker shrinker(full, target, alpha);
    shrinker.sampleRows(rowsPerBox);
    std::vector<uchar> bytes(static_cast<size_t>(rowBytes));
    std::vector<QRgb> row(static_cast<size_t>(width));
    // The high byte of a 16-bit sample comes first only in big-endian files.
    const qint64 high = depth == 16 && file.little() ? 1 : 0;
    for (qint64 y = 0; y < qint64(height); ++y) {
        if (!shrinker.wants(int(y)))
            continue;
        const qint64 at = qint64(offsets[size_t(y / rowsPerStrip)]) + (y % rowsPerStrip) * rowBytes;
        if (!file.read(at, bytes.data(), rowBytes))
            return unsupported;
        const uchar* p = bytes.data() + high;
        const qint64 step = qint64(samples) * sampleBytes;
        for (quint64 x = 0; x < width; ++x, p += step) {
            const int red = p[0];
            const int green = colours == 3 ? p[sampleBytes] : red;
            const int blue = colours == 3 ? p[2 * sampleBytes] : red;
            row[size_t(x)] = qRgba(red, green, blue, alpha ? p[qint64(colours) * sampleBytes] : 255);
        }
        shrinker.addRow(int(y), row.data());
    }
    const QImage picture = shrinker.result();
    if (picture.isNull())
        return {FormatDecode::Outcome::failed, {}};
    const int turn = orientation >= 1 && orientation <= 8 ? orientation : 1;
    return {FormatDecode::Outcome::picture, {Orientation::upright(picture, turn), Orientation::upright(full, turn)}};
}
