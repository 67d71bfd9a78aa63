#include "catalogue/jpegdcdecoder.h"

#include <QtEndian>

#include <climits>
#include <cstring>

namespace {

int upTo(int value, int step)
{
    return (value + step - 1) / step;
}

} // namespace

JpegDcDecoder::JpegDcDecoder(j_decompress_ptr info)
    : m_info(info)
{
    if (info->progressive_mode || info->arith_code || info->data_precision != 8)
        return;
    if (info->comps_in_scan != info->num_components || info->Ss != 0 || info->Se != 63 || info->Ah != 0 || info->Al != 0)
        return;
    if (info->num_components == 1) {
        if (info->jpeg_color_space != JCS_GRAYSCALE)
            return;
    } else if (info->num_components == 3) {
        if (info->jpeg_color_space != JCS_YCbCr && info->jpeg_color_space != JCS_RGB)
            return;
        m_rgb = info->jpeg_color_space == JCS_RGB;
    } else {
        return;
    }
    const int width = int(info->image_width);
    const int height = int(info->image_height);
    if (width <= 0 || height <= 0)
        return;
    m_size = QSize(upTo(width, 8), upTo(height, 8));
    const bool single = info->num_components == 1;
    // A single component is coded block by block, not in MCUs of several.
    m_hMax = single ? 1 : info->max_h_samp_factor;
    m_vMax = single ? 1 : info->max_v_samp_factor;
    if (m_hMax < 1 || m_vMax < 1)
        return;
    m_mcusAcross = upTo(width, 8 * m_hMax);
    m_mcusDown = upTo(height, 8 * m_vMax);
    m_restartInterval = int(info->restart_interval);
    for (int i = 0; i < info->num_components; ++i) {
        const jpeg_component_info* frame = info->cur_comp_info[i];
        // The scan lists the components in the frame's order: Y, Cb, Cr.
        if (frame != info->comp_info + i)
            return;
        Component component;
        component.h = single ? 1 : frame->h_samp_factor;
        component.v = single ? 1 : frame->v_samp_factor;
        if (component.h < 1 || component.v < 1 || m_hMax % component.h != 0 || m_vMax % component.v != 0)
            return;
        component.planeWidth = m_mcusAcross * component.h;
        component.planeHeight = m_mcusDown * component.v;
        const JQUANT_TBL* quant = frame->quant_tbl_no >= 0 && frame->quant_tbl_no < NUM_QUANT_TBLS
            ? info->quant_tbl_ptrs[frame->quant_tbl_no]
            : nullptr;
        if (!quant || frame->dc_tbl_no < 0 || frame->dc_tbl_no > 3 || frame->ac_tbl_no < 0 || frame->ac_tbl_no > 3)
            return;
        component.quant = quant->quantval[0];
        component.dcTable = frame->dc_tbl_no;
        component.acTable = frame->ac_tbl_no;
        Huffman& dc = m_dc[component.dcTable];
        Huffman& ac = m_ac[component.acTable];
        if ((!dc.valid && !build(info->dc_huff_tbl_ptrs[component.dcTable], dc))
            || (!ac.valid && !build(info->ac_huff_tbl_ptrs[component.acTable], ac)))
            return;
        if (!ac.skips)
            ac.skips = skipsFor(*info->ac_huff_tbl_ptrs[component.acTable], ac);
        m_components.push_back(std::move(component));
    }
    m_usable = true;
}

bool JpegDcDecoder::build(const JHUFF_TBL* table, Huffman& huffman)
{
    if (!table)
        return false;
    int code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        huffman.offset[length] = index - code;
        const int count = table->bits[length];
        for (int i = 0; i < count; ++i) {
            if (index >= 256)
                return false;
            const quint8 symbol = table->huffval[index];
            huffman.symbols[index] = symbol;
            if (length <= 9) {
                const int first = code << (9 - length);
                for (int j = 0; j < 1 << (9 - length); ++j)
                    huffman.fast[first + j] = quint16(length << 8 | symbol);
            }
            ++code;
            ++index;
        }
        // More codes than the length allows: a table libjpeg refuses too.
        if (code > 1 << length)
            return false;
        huffman.maxCode[length] = count > 0 ? code - 1 : -1;
        code <<= 1;
    }
    huffman.maxCode[17] = INT_MAX;
    huffman.valid = true;
    return true;
}

std::shared_ptr<const std::vector<quint16>> JpegDcDecoder::skipsFor(const JHUFF_TBL& table, const Huffman& huffman)
{
    struct Made {
        QByteArray key;
        std::shared_ptr<const std::vector<quint16>> skips;
    };
    thread_local std::vector<Made> made;
    const QByteArray key = QByteArray(reinterpret_cast<const char*>(table.bits), sizeof table.bits)
        + QByteArray(reinterpret_cast<const char*>(table.huffval), sizeof table.huffval);
    for (const Made& m : made) {
        if (m.key == key)
            return m.skips;
    }

    constexpr int window = 16;
    auto skips = std::make_shared<std::vector<quint16>>(size_t(1) << window, 0);
    for (quint32 bits = 0; bits < 1u << window; ++bits) {
        int used = 0;
        int advance = 0;
        bool ended = false;
        for (;;) {
            // The next code within the window, if it is whole there.
            int length = 0;
            int symbol = -1;
            const quint32 rest = (bits << used) & ((1u << window) - 1);
            const quint16 fast = huffman.fast[rest >> (window - 9)];
            if (fast) {
                length = fast >> 8;
                symbol = fast & 0xff;
            } else {
                for (length = 10; length <= window - used; ++length) {
                    const qint32 code = qint32(rest >> (window - length));
                    if (code <= huffman.maxCode[length]) {
                        symbol = huffman.symbols[code + huffman.offset[length]];
                        break;
                    }
                }
            }
            if (symbol < 0 || used + length + (symbol & 15) > window)
                break;
            used += length + (symbol & 15);
            const int run = symbol >> 4;
            if (symbol & 15) {
                advance += run + 1;
            } else if (run == 15) {
                advance += 16;
            } else {
                ended = true;
                break;
            }
            if (advance > 63)
                break;
        }
        if (used > 0 && advance <= 63)
            (*skips)[bits] = quint16(used | (ended ? 32 : 0) | advance << 6);
    }
    if (made.size() >= 4)
        made.erase(made.begin());
    made.push_back({key, skips});
    return skips;
}

bool JpegDcDecoder::stopAtEnd()
{
    // A source that cannot give more counts as the file's end: no further
    // refill reads, so the bits consumed past it show as a negative count.
    m_atMarker = true;
    m_marker = 0xd9;
    return false;
}

bool JpegDcDecoder::refill()
{
    jpeg_source_mgr* source = m_info->src;
    while (m_count < 56 && !m_atMarker) {
        if (source->bytes_in_buffer >= 8) {
            quint64 next;
            std::memcpy(&next, source->next_input_byte, 8);
            next = qFromBigEndian(next);
            // Eight bytes without 0xff (which starts a marker or a stuffed
            // byte) go in at once.
            if ((((~next) - 0x0101010101010101ull) & next & 0x8080808080808080ull) == 0) {
                const int bytes = (63 - m_count) >> 3;
                m_bits |= (next >> (64 - 8 * bytes)) << (64 - 8 * bytes - m_count);
                m_count += 8 * bytes;
                source->next_input_byte += bytes;
                source->bytes_in_buffer -= size_t(bytes);
                continue;
            }
        }
        if (source->bytes_in_buffer == 0 && !source->fill_input_buffer(m_info))
            return stopAtEnd();
        quint32 byte = *source->next_input_byte++;
        --source->bytes_in_buffer;
        if (byte == 0xff) {
            // 0xff 0x00 is a data byte 0xff; fill bytes 0xff come before a
            // marker; anything else is a marker, where the data stops.
            quint32 following = 0xff;
            while (following == 0xff) {
                if (source->bytes_in_buffer == 0 && !source->fill_input_buffer(m_info))
                    return stopAtEnd();
                following = *source->next_input_byte++;
                --source->bytes_in_buffer;
            }
            if (following != 0) {
                m_atMarker = true;
                m_marker = int(following);
                return true;
            }
        }
        m_bits |= quint64(byte) << (56 - m_count);
        m_count += 8;
    }
    return true;
}

int JpegDcDecoder::decodeSymbol(const Huffman& huffman)
{
    if (m_count < 16)
        refill();
    const quint16 fast = huffman.fast[m_bits >> 55];
    if (fast) {
        const int length = fast >> 8;
        m_bits <<= length;
        m_count -= length;
        return fast & 0xff;
    }
    for (int length = 10; length <= 16; ++length) {
        const qint32 code = qint32(m_bits >> (64 - length));
        if (code <= huffman.maxCode[length]) {
            m_bits <<= length;
            m_count -= length;
            return huffman.symbols[code + huffman.offset[length]];
        }
    }
    return -1;
}

bool JpegDcDecoder::skipAc(const Huffman& huffman)
{
    for (int k = 1; k < 64;) {
        if (m_count < 26)
            refill();
        const quint16 skip = (*huffman.skips)[m_bits >> 48];
        if (skip) {
            // A block whose last coefficient is at 63 has no end code: the
            // coefficients looked up must leave room for one more.
            const int advance = skip >> 6;
            if (k + advance <= 63) {
                const int used = skip & 31;
                m_bits <<= used;
                m_count -= used;
                if (skip & 32)
                    return true;
                k += advance;
                continue;
            }
        }
        int length = 0;
        int symbol = 0;
        const quint16 fast = huffman.fast[m_bits >> 55];
        if (fast) {
            length = fast >> 8;
            symbol = fast & 0xff;
        } else {
            for (length = 10; length <= 16; ++length) {
                const qint32 code = qint32(m_bits >> (64 - length));
                if (code <= huffman.maxCode[length]) {
                    symbol = huffman.symbols[code + huffman.offset[length]];
                    break;
                }
            }
            if (length > 16)
                return false;
        }
        const int magnitude = symbol & 15;
        const int run = symbol >> 4;
        // The code and the coefficient's bits, skipped together.
        m_bits <<= length + magnitude;
        m_count -= length + magnitude;
        if (magnitude)
            k += run + 1;
        else if (run == 15)
            k += 16;
        else
            break;
    }
    return true;
}

bool JpegDcDecoder::restart()
{
    m_bits = 0;
    m_count = 0;
    while (!m_atMarker) {
        if (!refill())
            return false;
        m_bits = 0;
        m_count = 0;
    }
    if (m_marker < 0xd0 || m_marker > 0xd7)
        return false;
    m_atMarker = false;
    return true;
}

bool JpegDcDecoder::decodeScan()
{
    int predictions[3] {};
    const int mcus = m_mcusAcross * m_mcusDown;
    int untilRestart = m_restartInterval;
    for (int mcu = 0; mcu < mcus; ++mcu) {
        if (m_restartInterval > 0) {
            if (untilRestart == 0) {
                if (!restart())
                    return false;
                predictions[0] = predictions[1] = predictions[2] = 0;
                untilRestart = m_restartInterval;
            }
            --untilRestart;
        }
        const int mcuX = mcu % m_mcusAcross;
        const int mcuY = mcu / m_mcusAcross;
        for (size_t c = 0; c < m_components.size(); ++c) {
            Component& component = m_components[c];
            for (int by = 0; by < component.v; ++by) {
                for (int bx = 0; bx < component.h; ++bx) {
                    const int category = decodeSymbol(m_dc[component.dcTable]);
                    if (category < 0 || category > 11)
                        return false;
                    int difference = 0;
                    if (category) {
                        if (m_count < category)
                            refill();
                        const int value = int(m_bits >> (64 - category));
                        m_bits <<= category;
                        m_count -= category;
                        difference = value < 1 << (category - 1) ? value - (1 << category) + 1 : value;
                    }
                    predictions[c] += difference;
                    // Beyond what 8-bit samples can code: broken data.
                    if (predictions[c] < -32768 || predictions[c] > 32767)
                        return false;
                    if (!skipAc(m_ac[component.acTable]))
                        return false;
                    // Past the data's end: the rest stays grey.
                    if (m_count < 0)
                        return false;
                    // libjpeg's 1/8 scaling: the dequantised DC over 8,
                    // rounded, around mid-grey.
                    const int sample = ((predictions[c] * component.quant + 4) >> 3) + 128;
                    component.plane[size_t(mcuY * component.v + by) * component.planeWidth + mcuX * component.h + bx]
                        = quint8(std::clamp(sample, 0, 255));
                }
            }
        }
    }
    return true;
}
