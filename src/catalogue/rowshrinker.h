#pragma once

#include <QImage>
#include <QSize>
#include <vector>

// Reduces a picture that a decoder delivers row by row, top to bottom, to a
// smaller size while it arrives, so the full picture never exists in
// memory. Each reduced pixel is the mean of its box of source pixels; a
// decoder that can skip rows cheaply asks wants(y) and delivers only those,
// and a box is then the mean of the rows it got.
class RowShrinker {
public:
    // target is at most source in both directions and at least 1 x 1.
    // With alpha, rows carry straight alpha and the result is premultiplied.
    RowShrinker(QSize source, QSize target, bool alpha);

    QSize source() const { return m_source; }
    QSize target() const { return m_target; }

    // Whether row y is used: every row when rowsPerBox is 0, otherwise at
    // most that many rows of each box, spread over it.
    void sampleRows(int rowsPerBox) { m_rowsPerBox = rowsPerBox; }
    bool wants(int y) const;

    // Row y of the source, source().width() pixels of 0xAARRGGBB; rows come
    // in rising order, those not wanted may be left out.
    void addRow(int y, const QRgb* row);

    // The rows from fromRow on are all of one colour (a picture whose data
    // ended early): each box still to come gets one such row.
    void finishWith(int fromRow, QRgb colour);

    // The reduced picture: RGB32, or ARGB32_Premultiplied with alpha. A box
    // that got no row is black.
    QImage result();

private:
    void flushBand();

    QSize m_source;
    QSize m_target;
    bool m_alpha;
    int m_rowsPerBox = 0;
    std::vector<int> m_columnEnd;  // source column where output column x ends
    std::vector<int> m_rowStart;   // source row where output row y starts (target height + 1 entries)
    std::vector<quint64> m_sums;   // per output column of the current band: b, g, r, a
    int m_band = 0;                // output row being gathered
    int m_rowsInBand = 0;
    QImage m_result;
};
