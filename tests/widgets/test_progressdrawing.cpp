#include "widgets/progressdrawing.h"

#include <QTest>
#include <climits>
#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

QRgb rgb(const QImage& picture, int x, int y)
{
    return picture.pixel(x, y) & 0xFFFFFF;
}

QRgb grey(int channel)
{
    return qRgb(channel, channel, channel) & 0xFFFFFF;
}

// Sine settings whose colours are easy to name: maincolor 62 grey moved by
// up to 20 with a period of 40 pixels.
ProgressSettings sineSettings()
{
    ProgressSettings s;
    s.maincolor = 0x3E3E3E;
    s.sinamplitude = 20;
    s.sinlen = 40;
    s.pi = pi;
    return s;
}

// A 10 x 10 tile whose pixel (x, y) has red 20 x and green 20 y, so every
// pixel of a tiled fill tells which tile pixel it came from.
QImage tile()
{
    QImage picture(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, y, qRgb(20 * x, 20 * y, 100));
    return picture;
}

} // namespace

using Positions = QList<QPoint>; // (position along the bar, tile column or row expected there)

class TestProgressDrawing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void getmod_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<double>("reduced");
        QTest::newRow("zero becomes b") << 0.0 << 2 * pi << 2 * pi;
        QTest::newRow("b becomes zero") << 2 * pi << 2 * pi << 0.0;
        QTest::newRow("several steps") << 7.0 << 3.0 << 1.0;
        QTest::newRow("below b unchanged") << 2.5 << 3.0 << 2.5;
        QTest::newRow("negative unchanged") << -1.0 << 2 * pi << -1.0;
        QTest::newRow("b zero") << 5.0 << 0.0 << 0.0;
    }
    void getmod()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QTEST(ProgressDrawing::getmod(a, b), "reduced");
    }

    // Subtracting one step at a time would never end for these.
    void getmodEndsForHopelessPhases()
    {
        const double huge = ProgressDrawing::getmod(1e300, 2 * pi);
        QVERIFY(huge >= 0 && huge < 2 * pi);
        QVERIFY(std::isnan(ProgressDrawing::getmod(INFINITY, 2 * pi)));
        QVERIFY(std::fabs(ProgressDrawing::getmod(5.0, -2.0)) < 2.0);
    }

    void modcolorv_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<float>("factor");
        QTest::addColumn<int>("result");
        QTest::newRow("lighten, rounded") << 0x85 << 1.5f << 0xAE;
        QTest::newRow("darken, fraction dropped") << 0x85 << 0.5f << 0x42;
        QTest::newRow("factor 1") << 200 << 1.0f << 200;
        QTest::newRow("black to white") << 0 << ProgressDrawing::getmaxmod(0, 255) << 255;
        QTest::newRow("towards a lighter channel") << 100 << ProgressDrawing::getmaxmod(100, 200) << 200;
        QTest::newRow("towards a darker channel") << 218 << ProgressDrawing::getmaxmod(218, 62) << 62;
    }
    void modcolorv()
    {
        QFETCH(int, channel);
        QFETCH(float, factor);
        QTEST(ProgressDrawing::modcolorv(channel, factor), "result");
    }

    void getmaxmod_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<float>("factor");
        QTest::newRow("lighter") << 100 << 200 << float(-155.0 / -55.0);
        QTest::newRow("to white") << 100 << 255 << 311.0f;
        QTest::newRow("darker") << 218 << 62 << float(62.0 / 218.0);
        QTest::newRow("equal") << 62 << 62 << 1.0f;
        QTest::newRow("from black to black") << 0 << 0 << 1.0f;
    }
    void getmaxmod()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QTEST(ProgressDrawing::getmaxmod(from, to), "factor");
    }

    // Colours of the lines across the bar, from cross position 0.
    void shadingEdges_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QRgb>("seccolor");
        QTest::addColumn<QList<QRgb>>("lines");
        const QRgb sec = 0xDADADA;
        const QRgb main = 0x3E3E3E;
        QTest::newRow("style 0, 1 across: middle only") << 0 << 0 << sec << QList<QRgb> { main };
        QTest::newRow("style 1, 1 across: middle only") << 1 << 0 << sec << QList<QRgb> { main };
        QTest::newRow("style 0, 2 across: both edges") << 0 << 0 << sec << QList<QRgb> { sec, sec };
        QTest::newRow("style 0, 4 across") << 0 << 0 << sec << QList<QRgb> { sec, grey(140), grey(140), sec };
        QTest::newRow("style 1, 2 across: shaded a step") << 1 << 0 << sec << QList<QRgb> { grey(140), grey(140) };
        QTest::newRow("style 1, edge colour equals main")
            << 1 << 0 << main << QList<QRgb> { main, main, main, main, main };
        QTest::newRow("style 0, vertical: columns") << 0 << 2 << sec << QList<QRgb> { sec, main, sec };
        QTest::newRow("style 1, vertical: columns") << 1 << 3 << sec << QList<QRgb> { grey(140), main, grey(140) };
    }
    void shadingEdges()
    {
        QFETCH(int, style);
        QFETCH(int, direction);
        QFETCH(QList<QRgb>, lines);
        ProgressSettings s;
        QFETCH(QRgb, seccolor);
        s.seccolor = seccolor;
        s.maincolor = 0x3E3E3E;
        const int across = int(lines.size());
        const bool vertical = ProgressDrawing::isVertical(direction);
        const QSize size = vertical ? QSize(across, 7) : QSize(7, across);
        ProgressDrawing drawing(s, size);
        QImage pic(size, QImage::Format_RGB32);
        pic = style == 0 ? drawing.drawmode0(pic, direction) : drawing.drawmode1(pic, direction);
        for (int p = 0; p < across; ++p) {
            for (int along : { 0, 6 }) {
                const QPoint at = vertical ? QPoint(p, along) : QPoint(along, p);
                QCOMPARE(rgb(pic, at.x(), at.y()), lines[p]);
            }
        }
    }

    void stylesPassNullThrough()
    {
        ProgressSettings s = sineSettings();
        ProgressDrawing drawing(s, QSize(10, 10));
        QVERIFY(drawing.drawmode0(QImage(), 0).isNull());
        QVERIFY(drawing.drawmode1(QImage(), 0).isNull());
        QVERIFY(drawing.drawmode2(QImage(), 0).isNull());
        QVERIFY(drawing.drawmode3(QImage(), 0, 0).isNull());
        QVERIFY(drawing.drawmode4(QImage(), 0, 0).isNull());
    }

    void tiles_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Positions>("positions");
        QTest::newRow("right to left: partial tile first") << 1 << QSize(25, 10)
            << Positions { { 0, 5 }, { 4, 9 }, { 5, 0 }, { 14, 9 }, { 15, 0 }, { 24, 9 } };
        QTest::newRow("right to left: whole tiles") << 1 << QSize(20, 10)
            << Positions { { 0, 0 }, { 9, 9 }, { 10, 0 }, { 19, 9 } };
        QTest::newRow("left to right: cut off at the end") << 0 << QSize(25, 10)
            << Positions { { 0, 0 }, { 9, 9 }, { 10, 0 }, { 20, 0 }, { 24, 4 } };
        QTest::newRow("other direction as left to right") << 5 << QSize(15, 10)
            << Positions { { 0, 0 }, { 14, 4 } };
        QTest::newRow("bottom to top: whole tiles from the top") << 2 << QSize(10, 20)
            << Positions { { 0, 0 }, { 9, 9 }, { 10, 0 }, { 19, 9 } };
        QTest::newRow("bottom to top: partial tile first") << 2 << QSize(10, 25)
            << Positions { { 0, 5 }, { 4, 9 }, { 5, 0 }, { 24, 9 } };
        QTest::newRow("top to bottom: cut off at the end") << 3 << QSize(10, 25)
            << Positions { { 0, 0 }, { 10, 0 }, { 24, 4 } };
    }
    void tiles()
    {
        QFETCH(int, direction);
        QFETCH(QSize, size);
        QFETCH(Positions, positions);
        ProgressSettings s;
        s.fillpic = tile();
        ProgressDrawing drawing(s, size);
        const QImage pic = drawing.drawmode2(QImage(size, QImage::Format_RGB32), direction);
        const bool vertical = ProgressDrawing::isVertical(direction);
        for (const QPoint& p : positions) {
            const QRgb colour = vertical ? rgb(pic, 3, p.x()) : rgb(pic, p.x(), 3);
            const int fromTile = vertical ? qGreen(colour) / 20 : qRed(colour) / 20;
            QCOMPARE(fromTile, p.y());
        }
    }

    void tilesLeaveTheRestErased()
    {
        ProgressSettings s;
        s.fillpic = tile();
        ProgressDrawing drawing(s, QSize(25, 14));
        const QImage pic = drawing.drawmode2(QImage(25, 14, QImage::Format_RGB32), 0);
        QCOMPARE(rgb(pic, 24, 9), qRgb(80, 180, 100) & 0xFFFFFF);
        QCOMPARE(rgb(pic, 24, 10), ProgressDrawing::erased);
        QCOMPARE(rgb(pic, 0, 13), ProgressDrawing::erased);

        s.fillpic = QImage();
        const QImage bare = drawing.drawmode2(QImage(25, 14, QImage::Format_RGB32), 0);
        QCOMPARE(bare.size(), QSize(25, 14));
        for (const QPoint p : { QPoint(0, 0), QPoint(12, 7), QPoint(24, 13) })
            QCOMPARE(rgb(bare, p.x(), p.y()), ProgressDrawing::erased);
    }

    // Index 0 of the sine run lies at the edge the bar grows from, for the
    // bands of style 3 and for the waiting fill alike.
    void sineRunsFromTheGrowthEdge_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("index10");
        QTest::addColumn<QPoint>("index30");
        for (const bool waiting : { false, true }) {
            const char* kind = waiting ? "waiting" : "style 3";
            QTest::addRow("%s, left to right", kind) << waiting << 0 << QSize(41, 3) << QPoint(10, 1) << QPoint(30, 1);
            QTest::addRow("%s, right to left", kind) << waiting << 1 << QSize(41, 3) << QPoint(30, 1) << QPoint(10, 1);
            QTest::addRow("%s, bottom to top", kind) << waiting << 2 << QSize(3, 41) << QPoint(1, 30) << QPoint(1, 10);
            QTest::addRow("%s, top to bottom", kind) << waiting << 3 << QSize(3, 41) << QPoint(1, 10) << QPoint(1, 30);
            QTest::addRow("%s, other direction", kind) << waiting << 8 << QSize(41, 3) << QPoint(10, 1) << QPoint(30, 1);
        }
    }
    void sineRunsFromTheGrowthEdge()
    {
        QFETCH(bool, waiting);
        QFETCH(int, direction);
        QFETCH(QSize, size);
        QFETCH(QPoint, index10);
        QFETCH(QPoint, index30);
        ProgressSettings s = sineSettings();
        s.direction = direction;
        ProgressDrawing drawing(s, size);
        QImage pic;
        if (waiting) {
            drawing.drawwaiting();
            pic = drawing.valuep;
        } else {
            pic = drawing.drawmode3(QImage(size, QImage::Format_RGB32), direction, 0);
        }
        QCOMPARE(pic.size(), size);
        QCOMPARE(rgb(pic, index10.x(), index10.y()), grey(82));
        QCOMPARE(rgb(pic, index30.x(), index30.y()), grey(42));
        // A line of one colour across the bar.
        const bool vertical = ProgressDrawing::isVertical(direction);
        const QPoint across = vertical ? QPoint(2, index10.y()) : QPoint(index10.x(), 0);
        QCOMPARE(rgb(pic, across.x(), across.y()), grey(82));
    }

    void shadingAcrossFollowsTheSine_data()
    {
        QTest::addColumn<int>("direction");
        QTest::newRow("horizontal: rows") << 0;
        QTest::newRow("vertical: columns") << 2;
    }
    void shadingAcrossFollowsTheSine()
    {
        QFETCH(int, direction);
        ProgressSettings s = sineSettings();
        const bool vertical = ProgressDrawing::isVertical(direction);
        const QSize size = vertical ? QSize(41, 5) : QSize(5, 41);
        ProgressDrawing drawing(s, size);
        const QImage pic = drawing.drawmode4(QImage(size, QImage::Format_RGB32), direction, 0);
        const QList<QPair<int, int>> expected { { 0, 62 }, { 10, 82 }, { 25, 48 }, { 40, 62 } };
        for (const auto& [index, channel] : expected) {
            const QPoint at = vertical ? QPoint(index, 4) : QPoint(4, index);
            QCOMPARE(rgb(pic, at.x(), at.y()), grey(channel));
        }
    }

    void sineColoursStayInRange()
    {
        ProgressSettings s = sineSettings();
        s.maincolor = qRgb(0, 128, 255);
        s.sinamplitude = INT_MAX;
        ProgressDrawing drawing(s, QSize(41, 1));
        QCOMPARE(drawing.sinecolour(10, 0) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(drawing.sinecolour(30, 0) & 0xFFFFFF, 0x000000u);
        s.sinamplitude = INT_MIN + 1;
        QCOMPARE(drawing.sinecolour(10, 0) & 0xFFFFFF, 0x000000u);
        // A wavelength of 0 gives no sine at all rather than a hang.
        s.sinamplitude = 20;
        s.sinlen = 0;
        QCOMPARE(drawing.sinecolour(10, 0) & 0xFFFFFF, s.maincolor & 0xFFFFFF);
    }

    void waitingFillNeedsRoomInsideTheBorder()
    {
        ProgressSettings s = sineSettings();
        s.hasborder = true;
        ProgressDrawing narrow(s, QSize(4, 21));
        narrow.drawwaiting();
        QVERIFY(narrow.valuep.isNull());
        ProgressDrawing room(s, QSize(5, 21));
        room.drawwaiting();
        QCOMPARE(room.valuep.size(), QSize(1, 17));
    }
};

QTEST_GUILESS_MAIN(TestProgressDrawing)
#include "test_progressdrawing.moc"
