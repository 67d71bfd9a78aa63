// Draws every fill style of CustomProgress in every direction, plus the
// waiting fill, into one picture for people to look at:
//   progress_gallery docs/progress-styles.png
// (cmake --build <build> --target progress-gallery writes it into docs/).
#include "widgets/customprogress.h"

#include <QApplication>
#include <QPainter>
#include <cstdio>

namespace {

constexpr int rowHeight = 124;
constexpr int labelWidth = 150;
constexpr int horizontalWidth = 300;
constexpr int verticalHeight = 100;

// Diagonal stripes in the bar's own greys, for style 2.
QImage stripes()
{
    QImage tile(17, 17, QImage::Format_RGB32);
    tile.fill(QColor(0x3E3E3E));
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xDADADA), 3));
    // The lines x + y = 8.5 and 25.5 meet their neighbours across the tile's edges.
    painter.drawLine(QPointF(-2, 10.5), QPointF(10.5, -2));
    painter.drawLine(QPointF(6.5, 19), QPointF(19, 6.5));
    return tile;
}

QImage look(int style, int direction, QSize size)
{
    CustomProgress bar;
    bar.resize(size);
    bar.seccolor = 0xDADADA;
    bar.maincolor = 0x3E3E3E;
    bar.bordercolor = 0x858585;
    bar.backcolor = 0x4C4C4C;
    bar.hasborder = true;
    bar.direction = direction;
    bar.fillpic = stripes();
    bar.sinamplitude = 40;
    const bool waiting = style < 0;
    bar.mode = waiting ? 0 : style;
    // Style 4 would choose twice the bar's length, too long a wave to see
    // across 17 pixels.
    bar.sinlen = style == 4 ? 34 : style == 3 || waiting ? 60 : 0;
    bar.maximum = waiting ? 0 : 100;
    bar.value = 62;
    bar.open();
    return bar.composed();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: progress_gallery OUTPUT.png\n");
        return 2;
    }

    struct Row {
        int style;
        const char* name;
    };
    const Row rows[] = {
        { 0, "style 0\nlinear shading" },
        { 1, "style 1\nmultiplicative\nshading" },
        { 2, "style 2\ntiles" },
        { 3, "style 3\nsine bands\n(wavelength 60)" },
        { 4, "style 4\nsine across\n(wavelength 34)" },
        { -1, "waiting fill\n(maximum 0)" },
    };
    const int rowCount = int(std::size(rows));
    const int width = labelWidth + horizontalWidth + 140;
    QImage gallery(width, 30 + rowCount * rowHeight, QImage::Format_RGB32);
    gallery.fill(QColor(0x2B2B2B));
    QPainter painter(&gallery);
    QFont font = QApplication::font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(labelWidth, 6, horizontalWidth, 18), Qt::AlignLeft, "directions 0 and 1, value 62 of 100");
    painter.drawText(QRect(labelWidth + horizontalWidth + 20, 6, 120, 18), Qt::AlignLeft, "directions 2, 3");

    for (int r = 0; r < rowCount; ++r) {
        const int top = 30 + r * rowHeight;
        painter.setPen(Qt::white);
        painter.drawText(QRect(10, top, labelWidth - 20, rowHeight - 24), Qt::AlignLeft | Qt::AlignVCenter,
            QString::fromUtf8(rows[r].name));
        painter.setPen(QColor(0xA0A0A0));
        painter.drawText(QRect(labelWidth, top + 12, horizontalWidth, 16), Qt::AlignLeft, "0: left to right");
        painter.drawImage(labelWidth, top + 28, look(rows[r].style, 0, QSize(horizontalWidth, 21)));
        painter.drawText(QRect(labelWidth, top + 54, horizontalWidth, 16), Qt::AlignLeft, "1: right to left");
        painter.drawImage(labelWidth, top + 70, look(rows[r].style, 1, QSize(horizontalWidth, 21)));
        const int verticalLeft = labelWidth + horizontalWidth + 30;
        painter.drawImage(verticalLeft, top + 4, look(rows[r].style, 2, QSize(21, verticalHeight)));
        painter.drawImage(verticalLeft + 50, top + 4, look(rows[r].style, 3, QSize(21, verticalHeight)));
        painter.drawText(QRect(verticalLeft - 10, top + verticalHeight + 6, 40, 14), Qt::AlignHCenter, "2");
        painter.drawText(QRect(verticalLeft + 40, top + verticalHeight + 6, 40, 14), Qt::AlignHCenter, "3");
    }
    painter.end();
    if (!gallery.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "progress_gallery: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
