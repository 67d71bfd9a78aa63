#pragma once

#include "../catalogue/fixtures.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <map>
#include <vector>

// Files made to hurt a decoder: headers that claim pictures of billions of
// pixels, length fields that point far past the end, thousands of frames,
// truncations. Written by the tests and the hardening benchmark alike.
namespace HostileFiles {

inline void putBigEndian32(QByteArray& data, int offset, quint32 value)
{
    qToBigEndian(value, data.data() + offset);
}

// A netpbm bitmap whose header claims width x height and whose data is a
// few bytes: "P4" binary, or "P1" text.
inline QByteArray pbmDeclaring(quint32 width, quint32 height, bool binary = true)
{
    return QByteArray(binary ? "P4\n" : "P1\n") + QByteArray::number(width) + ' ' + QByteArray::number(height) + '\n'
        + QByteArray(64, binary ? '\x55' : '1');
}

// A Photoshop file of width x height RGB pixels (raw image data), with the
// header's size and the three length fields (colour mode data, image
// resources, layers and masks) as given: a length beyond the file points
// past its end.
struct PhotoshopLayout {
    quint32 width = 16;
    quint32 height = 16;
    quint32 declaredWidth = 0;  // 0: width
    quint32 declaredHeight = 0;
    quint32 colourDataLength = 0;
    quint32 resourcesLength = 0;
    quint32 layersLength = 0;
};

inline QByteArray photoshop(const PhotoshopLayout& layout)
{
    QByteArray psd("8BPS", 4);
    psd += QByteArray::fromHex("0001") + QByteArray(6, '\0') + QByteArray::fromHex("0003");
    psd += QByteArray(8, '\0');
    putBigEndian32(psd, 14, layout.declaredHeight ? layout.declaredHeight : layout.height);
    putBigEndian32(psd, 18, layout.declaredWidth ? layout.declaredWidth : layout.width);
    psd += QByteArray::fromHex("00080003");  // 8 bits, RGB
    for (const quint32 length : {layout.colourDataLength, layout.resourcesLength, layout.layersLength}) {
        const int at = int(psd.size());
        psd += QByteArray(4, '\0');
        putBigEndian32(psd, at, length);
    }
    psd += QByteArray::fromHex("0000");  // raw image data
    const qsizetype plane = qsizetype(layout.width) * layout.height;
    psd += QByteArray(plane, '\xe0') + QByteArray(plane, '\x20') + QByteArray(plane, '\x40');
    return psd;
}

// GIF's variable-length LZW for one frame of 2-bit colour indices.
inline QByteArray gifLzw(const QByteArray& indices)
{
    constexpr int minimumCodeSize = 2;
    constexpr int clear = 1 << minimumCodeSize;
    constexpr int end = clear + 1;
    QByteArray bytes;
    quint32 buffer = 0;
    int bits = 0;
    int width = minimumCodeSize + 1;
    const auto put = [&](int code) {
        buffer |= quint32(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes += char(buffer & 0xff);
            buffer >>= 8;
            bits -= 8;
        }
    };
    std::map<std::pair<int, int>, int> table;
    int next = end + 1;
    put(clear);
    int prefix = -1;
    for (const char index : indices) {
        const int symbol = quint8(index);
        if (prefix < 0) {
            prefix = symbol;
            continue;
        }
        const auto found = table.find({prefix, symbol});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        put(prefix);
        if (next < 4096) {
            table[{prefix, symbol}] = next++;
            if (next > (1 << width) && width < 12)
                ++width;
        } else {
            put(clear);
            table.clear();
            next = end + 1;
            width = minimumCodeSize + 1;
        }
        prefix = symbol;
    }
    if (prefix >= 0) {
        put(prefix);
        // The reader adds one more entry after this code, and may widen.
        if (next < 4096 && next + 1 > (1 << width) && width < 12)
            ++width;
    }
    put(end);
    if (bits > 0)
        bytes += char(buffer & 0xff);

    QByteArray blocks;
    blocks += char(minimumCodeSize);
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const QByteArray block = bytes.mid(at, 255);
        blocks += char(block.size());
        blocks += block;
    }
    blocks += '\0';
    return blocks;
}

// An animated GIF of frames full-size frames, each striped in one of four
// colours, one hundredth of a second apiece.
inline QByteArray animatedGif(int frames, int width, int height)
{
    QByteArray gif("GIF89a", 6);
    gif += char(width & 0xff);
    gif += char(width >> 8);
    gif += char(height & 0xff);
    gif += char(height >> 8);
    gif += char(0xf1);  // global table of 4 colours
    gif += QByteArray(2, '\0');
    gif += QByteArray::fromHex("ff0000" "00c000" "0000ff" "ffffff");
    gif += QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("0301000000");
    for (int frame = 0; frame < frames; ++frame) {
        gif += QByteArray::fromHex("21f904" "0401" "0000" "00");  // keep, 10 ms
        gif += char(0x2c);
        gif += QByteArray(4, '\0');
        gif += char(width & 0xff);
        gif += char(width >> 8);
        gif += char(height & 0xff);
        gif += char(height >> 8);
        gif += '\0';
        QByteArray indices(qsizetype(width) * height, '\0');
        for (int y = 0; y < height; ++y)
            std::fill_n(indices.data() + qsizetype(y) * width, width, char((frame + y / 8) % 4));
        gif += gifLzw(indices);
    }
    gif += ';';
    return gif;
}

// Where to cut a file of length bytes: every offset up to dense, then count
// offsets spread evenly over the rest, the last byte missing included.
inline QList<qsizetype> cuts(qsizetype length, int dense, int count)
{
    QList<qsizetype> offsets;
    for (qsizetype at = 0; at < std::min<qsizetype>(dense, length); ++at)
        offsets << at;
    for (int i = 1; i <= count; ++i) {
        const qsizetype at = dense + (length - 1 - dense) * i / count;
        if (at > offsets.last() && at < length)
            offsets << at;
    }
    return offsets;
}

// A named sample of every type the scan reads, a few kilobytes to a few
// hundred kilobytes each, to be cut.
struct Sample {
    QByteArray name;
    QByteArray bytes;
};

inline QList<Sample> samples()
{
    using namespace Fixtures;
    const QImage photo = noise(320, 240);
    QList<Sample> list;
    list << Sample {"baseline.jpg", encode(photo, "jpeg", 90)};
    list << Sample {"small.jpg", encode(solid(64, 48, Qt::red), "jpeg")};
    list << Sample {"picture.png", encode(photo, "png")};
    list << Sample {"palette.png", encode(solid(200, 100, Qt::blue).convertToFormat(QImage::Format_Indexed8), "png")};
    list << Sample {"picture.tif", encode(photo, "tiff")};
    list << Sample {"frames.gif", animatedGif(4, 120, 80)};
    PhotoshopLayout layers;
    layers.width = 120;
    layers.height = 90;
    list << Sample {"picture.psd", photoshop(layers)};
    return list;
}

} // namespace HostileFiles
