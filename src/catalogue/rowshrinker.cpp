#include "catalogue/rowshrinker.h"

#include <algorithm>

RowShrinker::RowShrinker(QSize source, QSize target, bool alpha)
    : m_source(source)
    , m_target(target.boundedTo(source).expandedTo(QSize(1, 1)))
    , m_alpha(alpha)
{
    const int sw = m_source.width();
    const int sh = m_source.height();
    const int tw = m_target.width();
    const int th = m_target.height();
    m_columnEnd.resize(tw);
    for (int x = 0; x < tw; ++x)
        m_columnEnd[x] = int(qint64(x + 1) * sw / tw);
    m_rowStart.resize(th + 1);
    for (int y = 0; y <= th; ++y)
        m_rowStart[y] = int(qint64(y) * sh / th);
    m_sums.assign(size_t(tw) * 4, 0);
    m_result = QImage(m_target, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

bool RowShrinker::wants(int y) const
{
    if (m_rowsPerBox <= 0)
        return true;
    const int band = int((qint64(y + 1) * m_target.height() - 1) / m_source.height());
    const int start = m_rowStart[band];
    const int height = m_rowStart[band + 1] - start;
    if (height <= m_rowsPerBox)
        return true;
    // The rows at the middles of rowsPerBox equal parts of the box.
    const int offset = y - start;
    const int part = int(qint64(offset) * m_rowsPerBox / height);
    return offset == int((qint64(2 * part + 1) * height) / (2 * m_rowsPerBox));
}

void RowShrinker::addRow(int y, const QRgb* row)
{
    if (y < 0 || y >= m_source.height())
        return;
    const int band = int((qint64(y + 1) * m_target.height() - 1) / m_source.height());
    while (m_band < band)
        flushBand();
    if (band < m_band)
        return;
    const uchar* pixels = reinterpret_cast<const uchar*>(row);
    quint64* sums = m_sums.data();
    int column = 0;
    for (size_t x = 0; x < m_columnEnd.size(); ++x, sums += 4) {
        const int end = m_columnEnd[x];
        quint64 b = 0, g = 0, r = 0, a = 0;
        if (m_alpha) {
            for (; column < end; ++column) {
                const uchar* p = pixels + 4 * column;
                const quint64 alpha = p[3];
                b += p[0] * alpha;
                g += p[1] * alpha;
                r += p[2] * alpha;
                a += alpha * 255;
            }
        } else {
            for (; column < end; ++column) {
                const uchar* p = pixels + 4 * column;
                b += p[0];
                g += p[1];
                r += p[2];
            }
        }
        sums[0] += b;
        sums[1] += g;
        sums[2] += r;
        sums[3] += a;
    }
    ++m_rowsInBand;
}

void RowShrinker::flushBand()
{
    if (m_band >= m_target.height())
        return;
    auto* line = reinterpret_cast<QRgb*>(m_result.scanLine(m_band));
    quint64* sums = m_sums.data();
    int column = 0;
    // With alpha the sums carry a factor 255 (premultiplying by alpha).
    const quint64 scale = m_alpha ? 255 : 1;
    for (size_t x = 0; x < m_columnEnd.size(); ++x, sums += 4) {
        const quint64 count = quint64(m_rowsInBand) * quint64(m_columnEnd[x] - column) * scale;
        column = m_columnEnd[x];
        if (count == 0) {
            line[x] = m_alpha ? 0 : 0xff000000u;
        } else {
            const auto mean = [&](quint64 sum) { return int(std::min<quint64>(255, (sum + count / 2) / count)); };
            line[x] = qRgba(mean(sums[2]), mean(sums[1]), mean(sums[0]), m_alpha ? mean(sums[3]) : 255);
        }
        sums[0] = sums[1] = sums[2] = sums[3] = 0;
    }
    m_rowsInBand = 0;
    ++m_band;
}

void RowShrinker::finishWith(int fromRow, QRgb colour)
{
    const std::vector<QRgb> row(size_t(m_source.width()), colour);
    int lastBand = -1;
    for (int y = std::max(0, fromRow); y < m_source.height(); ++y) {
        const int band = int((qint64(y + 1) * m_target.height() - 1) / m_source.height());
        if (band != lastBand)
            addRow(y, row.data());
        lastBand = band;
        // Jump to the last row of this band; the next one starts the next band.
        y = std::max(y, m_rowStart[band + 1] - 1);
    }
}

QImage RowShrinker::result()
{
    while (m_band < m_target.height())
        flushBand();
    return m_result;
}
