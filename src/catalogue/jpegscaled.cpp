#include "catalogue/jpegscaled.h"

#include "catalogue/jpegdcdecoder.h"
#include "catalogue/orientation.h"
#include "catalogue/rowshrinker.h"

#include <QtEndian>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

namespace {

// A picture decoded whole stays below this many pixels (16 MB of pixels);
// beyond it the rows are reduced as they arrive.
constexpr qint64 wholePixelLimit = 4 * 1024 * 1024;
// libjpeg's own working memory, which a progressive file's coefficients
// need in full: a file declaring an enormous picture fails instead.
constexpr long workingMemoryLimit = 256L * 1024 * 1024;
// What libjpeg makes of missing data: zero coefficients, mid grey.
constexpr QRgb missing = 0xff808080u;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE rgb32 = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE rgb32 = JCS_EXT_XRGB;
#endif

class Decode {
public:
    FormatDecode run(int descriptor, int side);

private:
    struct Error {
        jpeg_error_mgr manager;
        jmp_buf jump;
    };
    // Reads the open file in large pieces; at its end, a fake end marker
    // as libjpeg's own sources give, so what arrived is shown.
    struct Source {
        jpeg_source_mgr manager;
        int descriptor = -1;
        bool ended = false;
        JOCTET buffer[64 * 1024];
    };

    static void failed(j_common_ptr info) { std::longjmp(reinterpret_cast<Error*>(info->err)->jump, 1); }
    static void quiet(j_common_ptr) {}
    static void begin(j_decompress_ptr) {}
    static void end(j_decompress_ptr) {}
    static boolean fill(j_decompress_ptr info);
    static void skip(j_decompress_ptr info, long count);

    // An eighth of the size from the DC coefficients alone, when that is
    // enough for side; false when it is not, or the file is not made so.
    bool readEighth(int side);
    void readRows(int side);

    jpeg_decompress_struct m_info {};
    Error m_error {};
    Source m_source;
    bool m_created = false;
    bool m_headerRead = false;
    int m_orientation = 1;
    QImage m_picture;
    std::optional<RowShrinker> m_shrinker;
    std::vector<QRgb> m_row;
};

boolean Decode::fill(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<Source*>(info->src);
    ssize_t length = 0;
    do
        length = ::read(source->descriptor, source->buffer, sizeof source->buffer);
    while (length < 0 && errno == EINTR);
    if (length <= 0) {
        source->ended = true;
        source->buffer[0] = 0xff;
        source->buffer[1] = JPEG_EOI;
        length = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = size_t(length);
    return TRUE;
}

void Decode::skip(j_decompress_ptr info, long count)
{
    auto* source = reinterpret_cast<Source*>(info->src);
    if (count <= 0)
        return;
    if (size_t(count) <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= size_t(count);
        return;
    }
    const off_t beyond = off_t(count - long(source->manager.bytes_in_buffer));
    source->manager.bytes_in_buffer = 0;
    if (::lseek(source->descriptor, beyond, SEEK_CUR) < 0)
        fill(info);
}

FormatDecode Decode::run(int descriptor, int side)
{
    m_info.err = jpeg_std_error(&m_error.manager);
    m_error.manager.error_exit = failed;
    m_error.manager.output_message = quiet;
    // Every call into libjpeg below may come back here. Only members are
    // touched after this point, so nothing is lost by the jump.
    if (setjmp(m_error.jump)) {
        if (m_created)
            jpeg_destroy_decompress(&m_info);
        return {m_headerRead ? FormatDecode::Outcome::failed : FormatDecode::Outcome::otherFormat, {}};
    }
    jpeg_create_decompress(&m_info);
    m_created = true;
    m_info.mem->max_memory_to_use = workingMemoryLimit;
    m_source.descriptor = descriptor;
    m_source.manager.init_source = begin;
    m_source.manager.fill_input_buffer = fill;
    m_source.manager.skip_input_data = skip;
    m_source.manager.resync_to_restart = jpeg_resync_to_restart;
    m_source.manager.term_source = end;
    m_info.src = &m_source.manager;
    jpeg_save_markers(&m_info, JPEG_APP0 + 1, 0xffff);
    if (jpeg_read_header(&m_info, TRUE) != JPEG_HEADER_OK || m_source.ended) {
        jpeg_destroy_decompress(&m_info);
        return {};
    }
    m_headerRead = true;
    if (m_info.jpeg_color_space == JCS_CMYK || m_info.jpeg_color_space == JCS_YCCK || m_info.num_components == 4) {
        jpeg_destroy_decompress(&m_info);
        return {FormatDecode::Outcome::unsupported, {}};
    }
    for (jpeg_saved_marker_ptr marker = m_info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1) {
            m_orientation = Orientation::fromExif(marker->data, marker->data_length);
            if (m_orientation != 1)
                break;
        }
    }
    const QSize stored(int(m_info.image_width), int(m_info.image_height));
    if (stored.isEmpty()) {
        jpeg_destroy_decompress(&m_info);
        return {FormatDecode::Outcome::failed, {}};
    }
    if (!readEighth(side))
        readRows(side);
    jpeg_destroy_decompress(&m_info);
    m_created = false;
    QImage picture = m_shrinker ? m_shrinker->result() : m_picture;
    if (picture.isNull())
        return {FormatDecode::Outcome::failed, {}};
    return {FormatDecode::Outcome::picture,
        {Orientation::upright(picture, m_orientation), Orientation::upright(stored, m_orientation)}};
}

bool Decode::readEighth(int side)
{
    const QSize stored(int(m_info.image_width), int(m_info.image_height));
    const QSize needed = side > 0 ? reducedDecodeSize(stored, side) : stored;
    const QSize eighth((stored.width() + 7) / 8, (stored.height() + 7) / 8);
    if (eighth.width() < needed.width() || eighth.height() < needed.height()
        || qint64(eighth.width()) * eighth.height() > wholePixelLimit)
        return false;
    JpegDcDecoder decoder(&m_info);
    if (!decoder.canDecode())
        return false;
    m_shrinker.emplace(eighth, needed, false);
    decoder.decode([this](int y, const QRgb* row) {
        m_shrinker->addRow(y, row);
        return true;
    });
    return true;
}

void Decode::readRows(int side)
{
    const QSize stored(int(m_info.image_width), int(m_info.image_height));
    const QSize needed = side > 0 ? reducedDecodeSize(stored, side) : stored;
    m_info.scale_denom = 8;
    for (m_info.scale_num = 1; m_info.scale_num < 8; ++m_info.scale_num) {
        jpeg_calc_output_dimensions(&m_info);
        if (int(m_info.output_width) >= needed.width() && int(m_info.output_height) >= needed.height())
            break;
    }
    m_info.out_color_space = rgb32;
    // The picture is reduced further anyway: plain upsampling of the colour
    // planes is good enough and cheaper.
    m_info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&m_info);
    const int width = int(m_info.output_width);
    const int height = int(m_info.output_height);
    const bool whole = qint64(width) * height <= wholePixelLimit;
    if (whole) {
        m_picture = QImage(width, height, QImage::Format_RGB32);
        if (m_picture.isNull()) {
            jpeg_abort_decompress(&m_info);
            return;
        }
    } else {
        m_shrinker.emplace(QSize(width, height), reducedDecodeSize(QSize(width, height), side > 0 ? side : 2048), false);
        m_row.resize(size_t(width));
    }
    // Data that ends early is grey from there on; a single sequential scan
    // is cut short there rather than decoded through nothing. A file of
    // several scans has read all it has before the first row.
    const bool cutShort = !jpeg_has_multiple_scans(&m_info);
    while (m_info.output_scanline < m_info.output_height) {
        const int y = int(m_info.output_scanline);
        if (cutShort && m_source.ended)
            break;
        JSAMPROW row = whole ? m_picture.scanLine(y) : reinterpret_cast<JSAMPROW>(m_row.data());
        if (jpeg_read_scanlines(&m_info, &row, 1) != 1)
            break;
        if (!whole)
            m_shrinker->addRow(y, m_row.data());
    }
    const int done = int(m_info.output_scanline);
    if (done < height) {
        if (whole) {
            for (int y = done; y < height; ++y)
                std::fill_n(reinterpret_cast<QRgb*>(m_picture.scanLine(y)), width, missing);
        } else {
            m_shrinker->finishWith(done, missing);
        }
        jpeg_abort_decompress(&m_info);
    } else {
        jpeg_finish_decompress(&m_info);
    }
}

} // namespace

FormatDecode decodeJpegScaled(int descriptor, int side)
{
    // The source buffer makes the decode too large for a thread's stack.
    auto decode = std::make_unique<Decode>();
    return decode->run(descriptor, side);
}
