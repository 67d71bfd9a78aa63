#include "widgets/customprogress.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>

namespace {

constexpr QRgb fillColour = 0xE01010;
constexpr QRgb background = 0x4C4C4C;

QRgb rgb(const QImage& picture, int x, int y)
{
    return picture.pixel(x, y) & 0xFFFFFF;
}

// A bar with the main window's settings, opened.
std::unique_ptr<CustomProgress> mainBar(QSize size = QSize(688, 21))
{
    auto bar = std::make_unique<CustomProgress>();
    bar->resize(size);
    bar->seccolor = 0xDADADA;
    bar->maincolor = 0x3E3E3E;
    bar->bordercolor = 0x858585;
    bar->mode = 1;
    bar->hasborder = true;
    bar->backcolor = background;
    bar->open();
    return bar;
}

// A bar filled in one flat colour, so the filled part is easy to find.
std::unique_ptr<CustomProgress> flatBar(QSize size, bool hasborder, int direction)
{
    auto bar = mainBar(size);
    bar->seccolor = fillColour;
    bar->maincolor = fillColour;
    bar->mode = 0;
    bar->hasborder = hasborder;
    bar->direction = direction;
    return bar;
}

// The bounding rectangle of the pixels in colour.
QRect area(const QImage& picture, QRgb colour)
{
    QRect found;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (rgb(picture, x, y) == colour)
                found |= QRect(x, y, 1, 1);
    return found;
}

} // namespace

class TestCustomProgress : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shadingOfTheMainBar_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("channel");
        const int style0[] = { 218, 198, 179, 159, 140, 120, 101, 81, 62 };
        // 113 at positions 5 and 11 only comes out with single-precision factors.
        const int style1[] = { 200, 183, 165, 148, 131, 113, 96, 79, 62 };
        for (int i = 0; i <= 8; ++i) {
            for (const int position : { i, 16 - i }) {
                QTest::addRow("style 0, position %d", position) << 0 << position << style0[i];
                QTest::addRow("style 1, position %d", position) << 1 << position << style1[i];
            }
        }
    }
    void shadingOfTheMainBar()
    {
        QFETCH(int, style);
        QFETCH(int, position);
        QFETCH(int, channel);
        auto bar = mainBar();
        bar->mode = style;
        bar->maximum = 684;
        bar->setvalue(684);
        const QImage look = bar->composed();
        const QRgb expected = qRgb(channel, channel, channel) & 0xFFFFFF;
        QCOMPARE(rgb(look, 2, 2 + position), expected);
        QCOMPARE(rgb(look, 685, 2 + position), expected);
    }

    void bevel_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRgb>("colour");
        const QRgb light = 0xAEAEAE;
        const QRgb base = 0x858585;
        const QRgb dark = 0x424242;
        QTest::newRow("top") << QPoint(300, 0) << light;
        QTest::newRow("left") << QPoint(0, 10) << light;
        QTest::newRow("bottom") << QPoint(300, 20) << dark;
        QTest::newRow("right") << QPoint(687, 10) << dark;
        QTest::newRow("top-left corner") << QPoint(0, 0) << light;
        QTest::newRow("bottom-left corner ends light") << QPoint(0, 20) << light;
        QTest::newRow("top-right corner ends dark") << QPoint(687, 0) << dark;
        QTest::newRow("bottom-right corner") << QPoint(687, 20) << dark;
        QTest::newRow("inner top") << QPoint(300, 1) << base;
        QTest::newRow("inner bottom") << QPoint(300, 19) << base;
        QTest::newRow("inner left") << QPoint(1, 10) << base;
        QTest::newRow("inner right") << QPoint(686, 10) << base;
        QTest::newRow("inner top-left") << QPoint(1, 1) << base;
        QTest::newRow("inner bottom-right") << QPoint(686, 19) << base;
        QTest::newRow("background inside") << QPoint(2, 2) << background;
        QTest::newRow("background far corner") << QPoint(685, 18) << background;
    }
    void bevel()
    {
        QFETCH(QPoint, at);
        QFETCH(QRgb, colour);
        auto bar = mainBar();
        bar->maximum = 10;
        bar->setvalue(0);
        QCOMPARE(rgb(bar->composed(), at.x(), at.y()), colour);
    }

    void storedValueAndFill_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<float>("v");
        QTest::addColumn<float>("stored");
        QTest::addColumn<QRect>("fill");
        QTest::newRow("below 0: empty bar") << 10 << -3.0f << 0.0f << QRect();
        QTest::newRow("above maximum: full bar") << 10 << 12.0f << 10.0f << QRect(2, 2, 684, 17);
        QTest::newRow("not a number counts as 0") << 10 << float(NAN) << 0.0f << QRect();
        QTest::newRow("1 of 684: one column") << 684 << 1.0f << 1.0f << QRect(2, 2, 1, 17);
        QTest::newRow("100 of 684: just below 100 columns") << 684 << 100.0f << 100.0f << QRect(2, 2, 99, 17);
        QTest::newRow("maximum 0: waiting, value kept") << 0 << 5.0f << 7.0f << QRect(2, 2, 684, 17);
        QTest::newRow("maximum below 0: waiting") << -4 << 5.0f << 7.0f << QRect(2, 2, 684, 17);
    }
    void storedValueAndFill()
    {
        QFETCH(int, maximum);
        QFETCH(float, v);
        QFETCH(QRect, fill);
        auto bar = flatBar(QSize(688, 21), true, 0);
        bar->maximum = 10;
        bar->setvalue(7);
        bar->maximum = maximum;
        bar->setvalue(v);
        QTEST(bar->value, "stored");
        QCOMPARE(area(bar->composed(), fillColour), fill);
        QCOMPARE(bar->valuep().size(), fill.size());
    }

    void anchoring_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("hasborder");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<float>("v");
        QTest::addColumn<QRect>("fill");
        QTest::newRow("left to right") << 0 << true << QSize(688, 21) << 2 << 1.0f << QRect(2, 2, 342, 17);
        QTest::newRow("right to left, 100 wide") << 1 << true << QSize(688, 21) << 684 << 100.5f
                                                 << QRect(586, 2, 100, 17);
        QTest::newRow("bottom to top") << 2 << true << QSize(21, 100) << 2 << 1.0f << QRect(2, 50, 17, 48);
        QTest::newRow("top to bottom") << 3 << true << QSize(21, 100) << 2 << 1.0f << QRect(2, 2, 17, 48);
        QTest::newRow("other direction: left to right") << 7 << true << QSize(688, 21) << 2 << 1.0f
                                                        << QRect(2, 2, 342, 17);
        QTest::newRow("no border, left to right") << 0 << false << QSize(100, 10) << 4 << 1.0f << QRect(0, 0, 25, 10);
        QTest::newRow("no border, right to left") << 1 << false << QSize(100, 10) << 4 << 1.0f
                                                  << QRect(75, 0, 25, 10);
        QTest::newRow("no border, bottom to top") << 2 << false << QSize(10, 100) << 4 << 1.0f
                                                  << QRect(0, 75, 10, 25);
        QTest::newRow("no border, 3 high") << 0 << false << QSize(100, 3) << 1 << 1.0f << QRect(0, 0, 100, 3);
    }
    void anchoring()
    {
        QFETCH(int, direction);
        QFETCH(bool, hasborder);
        QFETCH(QSize, size);
        QFETCH(int, maximum);
        QFETCH(float, v);
        auto bar = flatBar(size, hasborder, direction);
        bar->maximum = maximum;
        bar->setvalue(v);
        const QImage look = bar->composed();
        QCOMPARE(look.size(), size);
        QTEST(area(look, fillColour), "fill");
    }

    void tooSmallForTheBorderShowsNothing_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("3 high") << QSize(688, 3);
        QTest::newRow("3 wide") << QSize(3, 21);
    }
    void tooSmallForTheBorderShowsNothing()
    {
        QFETCH(QSize, size);
        auto bar = flatBar(QSize(688, 21), true, 0);
        bar->maximum = 10;
        bar->setvalue(4);
        QVERIFY(!bar->composed().isNull());
        bar->resize(size);
        bar->setvalue(9);
        QVERIFY(bar->composed().isNull());
        QCOMPARE(bar->value, 4.0f);
    }

    void sineColours_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("red");   // maincolor channel 62
        QTest::addColumn<int>("green"); // 250: clamped at 255
        QTest::addColumn<int>("blue");  // 0: clamped at 0
        QTest::newRow("0") << 0 << 62 << 250 << 0;
        QTest::newRow("5") << 5 << 76 << 255 << 14;
        QTest::newRow("10") << 10 << 82 << 255 << 20;
        QTest::newRow("15") << 15 << 76 << 255 << 14;
        QTest::newRow("20") << 20 << 62 << 250 << 0;
        QTest::newRow("25") << 25 << 48 << 236 << 0;
        QTest::newRow("30") << 30 << 42 << 230 << 0;
        QTest::newRow("35") << 35 << 48 << 236 << 0;
        QTest::newRow("40") << 40 << 62 << 250 << 0;
    }
    void sineColours()
    {
        QFETCH(int, index);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        auto bar = mainBar(QSize(41, 2));
        bar->hasborder = false;
        bar->mode = 3;
        bar->maincolor = qRgb(62, 250, 0);
        bar->sinamplitude = 20;
        bar->sinlen = 40;
        bar->maximum = 1;
        bar->setvalue(1);
        const QImage look = bar->composed();
        QCOMPARE(rgb(look, index, 0), qRgb(red, green, blue) & 0xFFFFFF);
        QCOMPARE(rgb(look, index, 1), qRgb(red, green, blue) & 0xFFFFFF);
    }

    void phaseAlternatesBetweenTwoPiAndZero()
    {
        auto bar = mainBar();
        bar->sininitphase = 0;
        bar->setvalue(0);
        QCOMPARE(bar->sininitphase, 2 * 3.141592653589793);
        bar->setvalue(0);
        QCOMPARE(bar->sininitphase, 0.0);
        bar->setvalue(0);
        QCOMPARE(bar->sininitphase, 2 * 3.141592653589793);
    }

    void wavelengthIsChosenOnce_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("sinlen");
        QTest::newRow("style 4, horizontal: twice the width") << 4 << 0 << QSize(688, 21) << 1376;
        QTest::newRow("style 4, vertical: twice the height") << 4 << 2 << QSize(21, 100) << 200;
        QTest::newRow("style 3: 1") << 3 << 0 << QSize(688, 21) << 1;
        QTest::newRow("style 1: 1") << 1 << 3 << QSize(21, 100) << 1;
    }
    void wavelengthIsChosenOnce()
    {
        QFETCH(int, mode);
        QFETCH(int, direction);
        QFETCH(QSize, size);
        auto bar = mainBar(size);
        bar->sinlen = 0;
        bar->mode = mode;
        bar->direction = direction;
        bar->setvalue(0);
        QTEST(bar->sinlen, "sinlen");
        bar->resize(size * 2);
        bar->setvalue(0);
        QTEST(bar->sinlen, "sinlen");
    }

    void unknownModeDrawsAsStyle0()
    {
        auto bar = mainBar();
        bar->maximum = 10;
        bar->mode = 0;
        bar->setvalue(6);
        const QImage style0 = bar->composed();
        bar->mode = 9;
        bar->setvalue(6);
        QCOMPARE(bar->composed(), style0);
    }

    // The scan resets the bar with setvalue(0) and only then writes the
    // folder's maximum: what shows is the waiting fill that update asked for.
    void propertiesWrittenAfterAnUpdateWaitForTheNext()
    {
        auto bar = mainBar();
        bar->maximum = 0;
        bar->setvalue(0);
        bar->maximum = 10;
        bar->mode = 0;
        bar->maincolor = 0x102030;
        bar->resize(300, 30);
        const QImage look = bar->composed();
        QCOMPARE(look.size(), QSize(688, 21));
        QCOMPARE(rgb(look, 2, 2), 0x3E3E3Eu);
        QCOMPARE(rgb(look, 685, 18), 0x3E3E3Eu);
        bar->setvalue(10);
        QCOMPARE(bar->composed().size(), QSize(300, 30));
        QCOMPARE(rgb(bar->composed(), 2, 2), 0xDADADAu);
    }

    // Composing only when asked gives what composing at every update gives.
    void manyUpdatesComposeAsOne()
    {
        auto eager = mainBar();
        auto late = mainBar();
        for (CustomProgress* bar : { eager.get(), late.get() }) {
            bar->sinamplitude = 30;
            bar->sinlen = 37;
        }
        const auto step = [](CustomProgress* bar, int i) {
            if (i % 97 == 0) {
                bar->setvalue(0);
                bar->maximum = i % 3 == 0 ? 0 : 50 + i % 400;
                bar->mode = i % 5;
                bar->direction = i % 4;
            }
            bar->setvalue(bar->value + 1);
        };
        for (int i = 0; i < 3000; ++i) {
            step(eager.get(), i);
            eager->composed();
            step(late.get(), i);
            if (i % 500 == 499) {
                QCOMPARE(late->composed(), eager->composed());
                QCOMPARE(late->value, eager->value);
                QCOMPARE(late->sininitphase, eager->sininitphase);
            }
        }
        QCOMPARE(late->valuep(), eager->valuep());
        QCOMPARE(late->borderp(), eager->borderp());
    }

    void paintingShowsTheComposedPicture()
    {
        auto bar = mainBar();
        bar->maximum = 10;
        bar->setvalue(3);
        const QImage painted = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(painted, bar->composed());
    }

    void openingDrawsTheFirstLook()
    {
        CustomProgress bar;
        bar.resize(688, 21);
        bar.hasborder = true;
        bar.value = 3;
        bar.maximum = 10;
        QSignalSpy opened(&bar, &CustomProgress::opened);
        QVERIFY(bar.composed().isNull());
        bar.open();
        QCOMPARE(bar.pi, 3.141592653589793);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(bar.composed().size(), QSize(688, 21));
        QCOMPARE(bar.valuep().size(), QSize(205, 17));
        QCOMPARE(bar.borderp().size(), QSize(688, 21));
    }
};

QTEST_MAIN(TestCustomProgress)
#include "test_customprogress.moc"
