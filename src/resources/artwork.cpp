// Draws Lumigrid's application pictures (resource numbers 168 to 176) and
// writes them as PNG files into the folder given on the command line.
// The committed PNGs come from this program: change the drawing here, run
// `make artwork`, and commit both.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor deepGrey(0x26, 0x26, 0x28);
const QColor midGrey(0x34, 0x34, 0x37);
const QColor panelGrey(0x2e, 0x2e, 0x31);
const QColor edgeGrey(0x4c, 0x4c, 0x4c);   // the progress bar's background
const QColor accent(0x6f, 0xb7, 0xe8);     // cool light blue of the logo

QImage newPicture(int w, int h)
{
    QImage picture(w, h, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    return picture;
}

// The main window's backdrop: a quiet vertical gradient, a recessed panel
// behind the grid and a lighter band behind the scan controls.
QImage backdrop(int height, int gridRows)
{
    QImage picture(728, height, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, midGrey);
    sky.setColorAt(1, deepGrey);
    p.fillRect(picture.rect(), sky);

    const int gridBottom = 14 + 112 * gridRows - 12;
    QRectF grid(10.5, 6.5, 708, gridBottom + 8 - 6);
    p.setPen(QPen(QColor(0x1c, 0x1c, 0x1e), 1));
    p.setBrush(panelGrey.darker(115));
    p.drawRoundedRect(grid, 8, 8);
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(grid.adjusted(1, 1, -1, -1), 7, 7);

    // a faint frame where each cell sits, so an empty grid still reads as one
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 10));
    for (int r = 0; r < gridRows; ++r)
        for (int c = 0; c < 6; ++c)
            p.drawRoundedRect(QRectF(20 + 112 * c - 2, 14 + 112 * r - 2, 104, 104), 3, 3);

    const int controls = gridBottom + 12 - 6;
    QRectF band(10.5, controls + 0.5, 708, height - controls - 8);
    QLinearGradient bandFill(0, band.top(), 0, band.bottom());
    bandFill.setColorAt(0, QColor(0x3a, 0x3a, 0x3d));
    bandFill.setColorAt(1, QColor(0x2c, 0x2c, 0x2f));
    p.setPen(QPen(QColor(0x1c, 0x1c, 0x1e), 1));
    p.setBrush(bandFill);
    p.drawRoundedRect(band, 8, 8);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(QPointF(18, controls + 1.5), QPointF(710, controls + 1.5));
    return picture;
}

// The logo's outline: a rounded square with a folded top-right corner.
QPainterPath logoShape()
{
    QPainterPath shape;
    shape.addRoundedRect(QRectF(3, 3, 44, 44), 10, 10);
    return shape;
}

QImage logo(const QColor& top, const QColor& bottom, const QColor& mark, bool glow, int size = 50)
{
    QImage picture = newPicture(size, size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 50.0, size / 50.0);
    QLinearGradient fill(0, 3, 0, 47);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(fill);
    p.drawPath(logoShape());
    if (glow) {
        QRadialGradient shine(25, 25, 24);
        shine.setColorAt(0, QColor(255, 240, 200, 150));
        shine.setColorAt(1, QColor(255, 240, 200, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawPath(logoShape());
    }
    // a lens: a ring with a bright spark, the mark of a picture browser
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(mark, 4.2));
    p.drawEllipse(QPointF(25, 25), 11, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawEllipse(QPointF(29.5, 20.5), 3.2, 3.2);
    // highlight along the top edge
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(12, 4.5), QPointF(38, 4.5));
    return picture;
}

// Opacity of the logo pictures: white is opaque, black transparent.
QImage logoMask()
{
    QImage mask(50, 50, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(logoShape().united([] {
        QPainterPath edge;
        edge.addRoundedRect(QRectF(2.5, 2.5, 45, 45), 10.5, 10.5);
        return edge;
    }()));
    return mask;
}

QImage aboutBackground()
{
    QImage picture(400, 300, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, midGrey);
    sky.setColorAt(1, deepGrey);
    p.fillRect(picture.rect(), sky);
    p.drawImage(QPoint(20, 16), logo(QColor(0x4a, 0x4a, 0x50), QColor(0x2a, 0x2a, 0x2e), accent, false));
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QPoint(84, 50), QStringLiteral("Lumigrid"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(0xc8, 0xc8, 0xc8));
    p.drawText(QPoint(86, 68), QStringLiteral("Version 1.0.1  \u2022  an image browser by Brightfold"));
    p.setPen(QPen(QColor(0x1c, 0x1c, 0x1e), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(19.5, 82.5, 361, 153));
    return picture;
}

// A miniature of the main window: a grid of small coloured thumbnails.
QImage aboutScreenshot()
{
    QImage picture(122, 119, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(picture.rect(), deepGrey);
    p.setPen(QPen(QColor(0x18, 0x18, 0x1a), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 121, 118));
    const QColor tints[] = {
        QColor(0xd9, 0x8c, 0x5f), QColor(0x6f, 0xb7, 0xe8), QColor(0x8f, 0xbf, 0x6a),
        QColor(0xe8, 0xc5, 0x6f), QColor(0xa0, 0x7f, 0xc8), QColor(0x5f, 0xa8, 0x9c),
    };
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 6; ++c) {
            const QRectF cell(6 + 17.5 * c, 6 + 17.5 * r, 15, 15);
            QLinearGradient fill(cell.topLeft(), cell.bottomRight());
            fill.setColorAt(0, tints[(r + c) % 6].lighter(120));
            fill.setColorAt(1, tints[(r * 2 + c) % 6].darker(140));
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawRect(cell);
        }
    }
    p.fillRect(QRectF(6, 98, 110, 5), QColor(0x4c, 0x4c, 0x4c));
    p.fillRect(QRectF(6, 98, 70, 5), QColor(0xda, 0xda, 0xda));
    p.fillRect(QRectF(40, 108, 42, 4), QColor(0xf0, 0xf0, 0xf0));
    return picture;
}

QImage aboutBottom()
{
    QImage picture(400, 64, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0, QColor(0x30, 0x30, 0x33));
    fill.setColorAt(1, deepGrey);
    p.fillRect(picture.rect(), fill);
    p.setPen(QColor(255, 255, 255, 26));
    p.drawLine(0, 0, 400, 0);
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(0xa8, 0xa8, 0xa8));
    p.drawText(QRect(0, 20, 400, 30), Qt::AlignCenter, QStringLiteral("\u00a9 Brightfold \u2022 free to use, not to redistribute"));
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumigrid-artwork OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QColor normalTop(0x4a, 0x4a, 0x50), normalBottom(0x2a, 0x2a, 0x2e);
    const struct {
        int number;
        QImage picture;
    } pictures[] = {
        {168, backdrop(688, 5)},
        {169, logo(normalTop, normalBottom, accent, false)},
        {170, logoMask()},
        {171, logo(QColor(0x5c, 0x5c, 0x63), QColor(0x38, 0x38, 0x3d), accent.lighter(125), false)},
        {172, logo(QColor(0xe8, 0xa8, 0x4a), QColor(0xa8, 0x62, 0x1e), QColor(0xff, 0xfa, 0xf0), true)},
        {173, aboutBackground()},
        {174, aboutScreenshot()},
        {175, aboutBottom()},
        {176, backdrop(579, 4)},
    };
    if (!logo(normalTop, normalBottom, accent, false, 256).save(out.filePath(QStringLiteral("lumigrid.png"))))
        return 1;
    for (const auto& entry : pictures) {
        const QString path = out.filePath(QString::number(entry.number) + QStringLiteral(".png"));
        if (!entry.picture.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
