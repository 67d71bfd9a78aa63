#pragma once

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

// A JPEG at an eighth of its size, made from the DC coefficients alone:
// every block becomes one pixel, its mean, which is what libjpeg's 1/8
// scaling gives. The AC coefficients are skipped as they are read, never
// decoded into blocks, which takes a good deal less time than a full
// decode. Only for one sequential Huffman-coded scan holding every
// component (what cameras and most programs write); canDecode says so.
class JpegDcDecoder {
public:
    // info has read the header up to the first scan's data, through its
    // own source, from which the scan's bytes are then taken.
    explicit JpegDcDecoder(j_decompress_ptr info);

    bool canDecode() const { return m_usable; }
    QSize size() const { return m_size; }

    // Decodes the scan into rows of 32-bit pixels (0xffRRGGBB), handing each
    // to row(y, pixels), which returns whether to go on. Data that ends
    // early or breaks off gives mid-grey from there on, as libjpeg does.
    template <typename Row>
    bool decode(Row row);

private:
    struct Huffman {
        // Codes up to 9 bits: (length << 8 | symbol), 0 when longer.
        quint16 fast[512] {};
        qint32 maxCode[18] {};  // largest code of each length, -1 when none; [17] sentinel
        qint32 offset[17] {};   // symbol index of a code = code + offset[length]
        quint8 symbols[256] {};
        bool valid = false;
        // For AC tables: what the next 16 bits hold in whole coefficients
        // (code and value bits) up to the block's end: the bits they take
        // (0: not even one, decode singly), whether they end the block, and
        // how many positions they advance, packed as bits | end << 5 |
        // advance << 6. Skipping several coefficients a lookup is what
        // makes this decoder quicker than a full one.
        std::shared_ptr<const std::vector<quint16>> skips;
    };
    struct Component {
        int h = 1, v = 1;
        int planeWidth = 0, planeHeight = 0;  // blocks
        int dcTable = 0, acTable = 0;
        int quant = 1;                        // the DC quantisation step
        std::vector<quint8> plane;            // one value per block
    };

    static bool build(const JHUFF_TBL* table, Huffman& huffman);
    // The skip table of an AC table; a thread keeps the last few it made,
    // since the files of one camera or program share their tables.
    static std::shared_ptr<const std::vector<quint16>> skipsFor(const JHUFF_TBL& table, const Huffman& huffman);
    bool decodeScan();
    bool refill();
    bool stopAtEnd();
    int decodeSymbol(const Huffman& huffman);
    bool skipAc(const Huffman& huffman);
    bool restart();

    j_decompress_ptr m_info;
    bool m_usable = false;
    QSize m_size;
    bool m_rgb = false;   // components are R, G, B already, not YCbCr
    int m_hMax = 1, m_vMax = 1;
    int m_mcusAcross = 0, m_mcusDown = 0;
    int m_restartInterval = 0;
    std::vector<Component> m_components;
    Huffman m_dc[4], m_ac[4];

    // The bits not yet used, the next one at the top of m_bits.
    quint64 m_bits = 0;
    int m_count = 0;
    bool m_atMarker = false;  // the data stopped at a marker (or the file's end)
    int m_marker = 0;
};

template <typename Row>
bool JpegDcDecoder::decode(Row row)
{
    if (!m_usable)
        return false;
    for (Component& component : m_components)
        component.plane.assign(size_t(component.planeWidth) * component.planeHeight, 128);
    decodeScan();
    const int width = m_size.width();
    const int height = m_size.height();
    std::vector<QRgb> line(static_cast<size_t>(width));
    // The conversion libjpeg makes from YCbCr to RGB, in 16-bit fixed point.
    const auto fixed = [](double value) { return int(value * 65536 + 0.5); };
    for (int y = 0; y < height; ++y) {
        const Component& first = m_components[0];
        const quint8* luma = &first.plane[size_t(y * first.v / m_vMax) * first.planeWidth];
        if (m_components.size() == 1) {
            for (int x = 0; x < width; ++x) {
                const quint32 value = luma[x * first.h / m_hMax];
                line[x] = 0xff000000u | value << 16 | value << 8 | value;
            }
        } else {
            const Component& second = m_components[1];
            const Component& third = m_components[2];
            const quint8* cb = &second.plane[size_t(y * second.v / m_vMax) * second.planeWidth];
            const quint8* cr = &third.plane[size_t(y * third.v / m_vMax) * third.planeWidth];
            for (int x = 0; x < width; ++x) {
                const int l = luma[x * first.h / m_hMax];
                const int b = cb[x * second.h / m_hMax];
                const int r = cr[x * third.h / m_hMax];
                if (m_rgb) {
                    line[x] = qRgb(l, b, r);
                    continue;
                }
                const int red = l + ((fixed(1.40200) * (r - 128) + 32768) >> 16);
                const int green = l + ((-fixed(0.34414) * (b - 128) - fixed(0.71414) * (r - 128) + 32768) >> 16);
                const int blue = l + ((fixed(1.77200) * (b - 128) + 32768) >> 16);
                line[x] = qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
            }
        }
        if (!row(y, line.data()))
            return false;
    }
    return true;
}
