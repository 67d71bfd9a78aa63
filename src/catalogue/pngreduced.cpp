#include "catalogue/pngreduced.h"

#include "catalogue/orientation.h"
#include "catalogue/rowshrinker.h"

#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include <libdeflate.h>

namespace {

// Rows turned into pixels for each reduced row (all are unfiltered).
constexpr int rowsPerBox = 3;
// The inflated rows of a larger picture are not held in memory at once.
constexpr qint64 inflatedLimit = 256LL * 1024 * 1024;
// Buffers up to this size stay with the thread for the next file.
constexpr size_t keptBuffer = 32 * 1024 * 1024;

struct Buffers {
    std::vector<uchar> file;
    std::vector<uchar> compressed;
    std::vector<uchar> rows;
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    ~Buffers() { libdeflate_free_decompressor(inflater); }
    void release()
    {
        for (std::vector<uchar>* buffer : {&file, &compressed, &rows}) {
            if (buffer->capacity() > keptBuffer)
                std::vector<uchar>().swap(*buffer);
        }
    }
};

bool readAll(int descriptor, std::vector<uchar>& into)
{
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || status.st_size < 8 || status.st_size > inflatedLimit)
        return false;
    into.resize(size_t(status.st_size));
    size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(descriptor, into.data() + done, into.size() - done, off_t(done));
        if (got <= 0)
            break;
        done += size_t(got);
    }
    into.resize(done);
    return done >= 8;
}

quint32 big32(const uchar* p)
{
    return qFromBigEndian<quint32>(p);
}

int paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes one row's filter in place; prior is the row above, unfiltered (zeros
// for the first). False for an unknown filter type.
bool unfilter(int type, uchar* row, const uchar* prior, size_t length, size_t pixel)
{
    switch (type) {
    case 0:
        return true;
    case 1:
        for (size_t i = pixel; i < length; ++i)
            row[i] = uchar(row[i] + row[i - pixel]);
        return true;
    case 2:
        for (size_t i = 0; i < length; ++i)
            row[i] = uchar(row[i] + prior[i]);
        return true;
    case 3:
        for (size_t i = 0; i < pixel && i < length; ++i)
            row[i] = uchar(row[i] + (prior[i] >> 1));
        for (size_t i = pixel; i < length; ++i)
            row[i] = uchar(row[i] + ((row[i - pixel] + prior[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < pixel && i < length; ++i)
            row[i] = uchar(row[i] + prior[i]);
        for (size_t i = pixel; i < length; ++i)
            row[i] = uchar(row[i] + paeth(row[i - pixel], prior[i], prior[i - pixel]));
        return true;
    default:
        return false;
    }
}

} // namespace

FormatDecode decodePngReduced(int descriptor, int side)
{
    thread_local Buffers buffers;
    struct Release {
        ~Release() { buffers.release(); }
    } release;
    const FormatDecode unsupported {FormatDecode::Outcome::unsupported, {}};
    std::vector<uchar>& file = buffers.file;
    if (!readAll(descriptor, file))
        return {};
    if (std::memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) != 0)
        return {};

    quint32 width = 0, height = 0;
    int depth = 0, type = -1;
    QRgb palette[256];
    int paletteSize = 0;
    std::vector<uchar> transparency;
    int orientation = 1;
    std::vector<uchar>& compressed = buffers.compressed;
    compressed.clear();
    size_t at = 8;
    bool header = false;
    while (at + 8 <= file.size()) {
        const quint32 length = big32(&file[at]);
        const uchar* kind = &file[at + 4];
        const uchar* data = &file[at + 8];
        if (length > file.size() - at - 8)
            break;
        if (std::memcmp(kind, "IHDR", 4) == 0 && length >= 13) {
            width = big32(data);
            height = big32(data + 4);
            depth = data[8];
            type = data[9];
            // Compression and filter method 0, not interlaced.
            if (data[10] != 0 || data[11] != 0 || data[12] != 0)
                return unsupported;
            header = true;
        } else if (!header) {
            return unsupported;
        } else if (std::memcmp(kind, "PLTE", 4) == 0) {
            paletteSize = int(std::min<quint32>(256, length / 3));
            for (int i = 0; i < paletteSize; ++i)
                palette[i] = qRgb(data[3 * i], data[3 * i + 1], data[3 * i + 2]);
        } else if (std::memcmp(kind, "tRNS", 4) == 0) {
            transparency.assign(data, data + length);
        } else if (std::memcmp(kind, "eXIf", 4) == 0) {
            orientation = Orientation::fromTiff(data, length);
        } else if (std::memcmp(kind, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), data, data + length);
        } else if (std::memcmp(kind, "IEND", 4) == 0) {
            break;
        }
        at += size_t(length) + 12;
    }
    if (!header || width < 1 || height < 1 || width > 1000000 || height > 1000000 || compressed.empty())
        return unsupported;
    // Samples a pixel, by colour type; the depths each allows.
    int channels = 0;
    switch (type) {
    case 0:
        channels = 1;
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16)
            return unsupported;
        break;
    case 2:
        channels = 3;
        break;
    case 3:
        channels = 1;
        if (depth > 8 || paletteSize == 0)
            return unsupported;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        return unsupported;
    }
    if (type != 0 && type != 3 && depth != 8 && depth != 16)
        return unsupported;
    if (type == 3 && depth != 1 && depth != 2 && depth != 4 && depth != 8)
        return unsupported;
    const size_t rowBytes = (size_t(width) * channels * depth + 7) / 8;
    const size_t pixel = std::max<size_t>(1, size_t(channels) * depth / 8);
    if (qint64(rowBytes + 1) * height > inflatedLimit)
        return unsupported;

    std::vector<uchar>& rows = buffers.rows;
    rows.resize((rowBytes + 1) * height);
    size_t inflated = 0;
    if (libdeflate_zlib_decompress(
            buffers.inflater, compressed.data(), compressed.size(), rows.data(), rows.size(), &inflated)
        != LIBDEFLATE_SUCCESS)
        return unsupported;
    // Rows the data did not reach are black.
    std::memset(rows.data() + inflated, 0, rows.size() - inflated);

    const bool alpha = type == 4 || type == 6 || !transparency.empty();
    // The palette's own transparency, or the one grey or colour value that is.
    if (type == 3) {
        for (size_t i = 0; i < transparency.size() && i < size_t(paletteSize); ++i)
            palette[i] = qRgba(qRed(palette[i]), qGreen(palette[i]), qBlue(palette[i]), transparency[i]);
    }
    const int transparentGrey = type == 0 && transparency.size() >= 2 ? (transparency[0] << 8 | transparency[1]) : -1;
    const bool colourKey = type == 2 && transparency.size() >= 6;
    const auto key = [&](int i) { return transparency[size_t(2 * i)] << 8 | transparency[size_t(2 * i + 1)]; };

    const QSize full {int(width), int(height)};
    const QSize target = side > 0 ? reducedDecodeSize(full, side) : full;
    RowShrinker shrinker(full, target, alpha);
    shrinker.sampleRows(rowsPerBox);
    std::vector<uchar> zeros(rowBytes, 0);
    std::vector<QRgb> line(static_cast<size_t>(width));
    const uchar* prior = zeros.data();
    const int greyMax = (1 << std::min(depth, 8)) - 1;
    for (quint32 y = 0; y < height; ++y) {
        uchar* row = rows.data() + size_t(y) * (rowBytes + 1);
        if (!unfilter(row[0], row + 1, prior, rowBytes, pixel))
            return unsupported;
        prior = row + 1;
        if (!shrinker.wants(int(y)))
            continue;
        const uchar* p = row + 1;
        const int step = depth / 8;  // bytes a sample, 0 below 8 bits
        for (quint32 x = 0; x < width; ++x) {
            QRgb colour = 0;
            if (depth < 8) {
                const int bit = int(x) * depth;
                const int value = (p[bit >> 3] >> (8 - depth - (bit & 7))) & greyMax;
                if (type == 3)
                    colour = value < paletteSize ? palette[value] : 0xff000000u;
                else {
                    const int grey = value * 255 / greyMax;
                    colour = qRgba(grey, grey, grey, value == transparentGrey ? 0 : 255);
                }
            } else {
                const uchar* s = p + size_t(x) * channels * step;
                switch (type) {
                case 0:
                    colour = qRgba(s[0], s[0], s[0], (step == 2 ? s[0] << 8 | s[1] : s[0]) == transparentGrey ? 0 : 255);
                    break;
                case 2: {
                    const bool hidden = colourKey
                        && (step == 2 ? s[0] << 8 | s[1] : s[0]) == key(0)
                        && (step == 2 ? s[2] << 8 | s[3] : s[step]) == key(1)
                        && (step == 2 ? s[4] << 8 | s[5] : s[2 * step]) == key(2);
                    colour = qRgba(s[0], s[step], s[2 * step], hidden ? 0 : 255);
                    break;
                }
                case 3:
                    colour = s[0] < paletteSize ? palette[s[0]] : 0xff000000u;
                    break;
                case 4:
                    colour = qRgba(s[0], s[0], s[0], s[step]);
                    break;
                default:
                    colour = qRgba(s[0], s[step], s[2 * step], s[3 * step]);
                    break;
                }
            }
            line[x] = colour;
        }
        shrinker.addRow(int(y), line.data());
    }
    const QImage picture = shrinker.result();
    if (picture.isNull())
        return {FormatDecode::Outcome::failed, {}};
    return {FormatDecode::Outcome::picture,
        {Orientation::upright(picture, orientation), Orientation::upright(full, orientation)}};
}
