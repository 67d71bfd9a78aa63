#include "app/scrollrange.h"
#include "app/thumbnailgrid.h"
#include "app/window1.h"
#include "catalogue/module1.h"
#include "widgets/canvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

QImage thumbnail(int i)
{
    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(qRgb(i, 255 - i, 128));
    return picture;
}

void fillCatalogue(int count, const QString& name = QString())
{
    Catalogue& catalogue = Module1::catalogue();
    catalogue.empty();
    for (int i = 1; i <= count; ++i) {
        catalogue.append({"/pictures/" + QByteArray::number(i) + ".jpg",
            name.isEmpty() ? QStringLiteral("%1.jpg").arg(i) : name, QStringLiteral("%1 x 300").arg(400 + i),
            thumbnail(i)});
    }
}

void sendWheel(QWidget* target, int angleDeltaY, int angleDeltaX = 0)
{
    const QPointF inside(5, 5);
    QWheelEvent event(inside, target->mapToGlobal(inside), QPoint(), QPoint(angleDeltaX, angleDeltaY), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

QMouseEvent press(Qt::MouseButton button)
{
    return QMouseEvent(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), button, button, Qt::NoModifier);
}

} // namespace

class TestThumbnailGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Module1::catalogue().empty(); }

    void scrollRangeRule_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("issmaller");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("maximum");
        QTest::newRow("before the first scan") << 0 << false << false << 0;
        QTest::newRow("full: 30") << 30 << false << false << 0;
        QTest::newRow("full: 31") << 31 << false << true << 1;
        QTest::newRow("full: 36") << 36 << false << true << 1;
        QTest::newRow("full: 37") << 37 << false << true << 2;
        QTest::newRow("full: 1000") << 1000 << false << true << 162;
        QTest::newRow("compact: 24") << 24 << true << false << 0;
        QTest::newRow("compact: 25") << 25 << true << true << 1;
        QTest::newRow("compact: 30") << 30 << true << true << 1;
        QTest::newRow("compact: 100") << 100 << true << true << 13;
    }
    void scrollRangeRule()
    {
        QFETCH(int, x);
        QFETCH(bool, issmaller);
        const ScrollRange range = scrollRange(x, issmaller);
        QTEST(range.enabled, "enabled");
        QTEST(range.maximum, "maximum");

        Window1 window(issmaller ? 1000 : 1024);
        fillCatalogue(x);
        window.grid->applyScrollRange();
        QTEST(window.ScrollBar1->isEnabled(), "enabled");
        QTEST(window.ScrollBar1->maximum(), "maximum");
    }

    void pageShowsSixEntriesPerRow()
    {
        Window1 window(1024);
        fillCatalogue(31);
        window.grid->applyScrollRange();
        window.ScrollBar1->setValue(1);
        for (int k = 1; k <= 25; ++k)
            QCOMPARE(window.cell(k)->picture().constBits(), Module1::catalogue().bildscaled(6 + k).constBits());
        for (int k = 26; k <= 30; ++k)
            QVERIFY(!window.cell(k)->hasPicture());
        window.ScrollBar1->setValue(0);
        QCOMPARE(window.cell(1)->picture().constBits(), Module1::catalogue().bildscaled(1).constBits());
        QCOMPARE(window.cell(30)->picture().constBits(), Module1::catalogue().bildscaled(30).constBits());
    }

    void wheelMovesTwoRowsANotch_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("deltas");  // Qt angle deltas: positive is away from the user
        QTest::addColumn<int>("expected");
        QTest::newRow("a notch down: 12 entries on") << 100 << 0 << QList<int> {-120} << 2;
        QTest::newRow("a notch down, maximum 1") << 31 << 0 << QList<int> {-120} << 1;
        QTest::newRow("a notch up at 1: never below 0") << 31 << 1 << QList<int> {120} << 0;
        QTest::newRow("two notches up") << 100 << 6 << QList<int> {120, 120} << 2;
        QTest::newRow("one event of three notches") << 100 << 0 << QList<int> {-360} << 6;
        QTest::newRow("a fine wheel adds up to a notch") << 100 << 0 << QList<int> {-15, -15, -15, -15, -15, -15, -15, -15} << 2;
        QTest::newRow("half a notch: nothing yet") << 100 << 4 << QList<int> {-60} << 4;
        QTest::newRow("half a notch back and forth") << 100 << 4 << QList<int> {-60, 60, -60} << 4;
        QTest::newRow("purely sideways: nothing") << 100 << 4 << QList<int> {0, 0} << 4;
    }
    void wheelMovesTwoRowsANotch()
    {
        QFETCH(int, entries);
        QFETCH(int, start);
        QFETCH(QList<int>, deltas);
        Window1 window(1024);
        fillCatalogue(entries);
        window.grid->applyScrollRange();
        window.ScrollBar1->setValue(start);
        for (int delta : deltas)
            sendWheel(&window, delta, delta == 0 ? 120 : 0);
        QTEST(window.ScrollBar1->value(), "expected");
        QCOMPARE(window.cell(1)->picture().constBits(),
            Module1::catalogue().bildscaled(6 * window.ScrollBar1->value() + 1).constBits());
    }

    void wheelOverTheScrollBarFollowsTheSameRule()
    {
        Window1 window(1024);
        fillCatalogue(100);
        window.grid->applyScrollRange();
        sendWheel(window.ScrollBar1, -120);
        QCOMPARE(window.ScrollBar1->value(), 2);
    }

    void pointingShowsSizeAndNameStrips()
    {
        Window1 window(1024);
        fillCatalogue(3);
        window.grid->pageRefresh();
        window.resize(window.sizeHint());
        window.grid->cellEntered(2);
        QCOMPARE(Module1::catalogue().clickedpic, 2);
        QVERIFY(window.cell(2)->hasOverlay());
        const QImage shown = window.cell(2)->grab().toImage();
        QCOMPARE(shown.pixel(99, 0), qRgb(0, 0, 0));      // top strip
        QCOMPARE(shown.pixel(99, 12), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(99, 87), qRgb(0, 0, 0));     // bottom strip
        QCOMPARE(shown.pixel(99, 99), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(50, 50), thumbnail(2).pixel(50, 50));
        QCOMPARE(shown.pixel(99, 13), thumbnail(2).pixel(0, 0));
        bool whiteText = false;
        for (int y = 0; y < 13 && !whiteText; ++y)
            for (int x = 2; x < 60 && !whiteText; ++x)
                whiteText = qGray(shown.pixel(x, y)) > 200;
        QVERIFY(whiteText);
        QCOMPARE(window.cell(2)->picture().constBits(), Module1::catalogue().bildscaled(2).constBits());

        window.grid->cellExited(2);
        QVERIFY(!window.cell(2)->hasOverlay());
        QCOMPARE(window.cell(2)->grab().toImage().pixel(99, 0), thumbnail(2).pixel(0, 0));
    }

    void emptyCellDrawsNothingButSetsClickedpic()
    {
        Window1 window(1024);
        fillCatalogue(3);
        window.grid->pageRefresh();
        window.grid->cellEntered(9);
        QCOMPARE(Module1::catalogue().clickedpic, 9);
        QVERIFY(!window.cell(9)->hasOverlay());
        window.grid->cellExited(9);
        QCOMPARE(Module1::catalogue().clickedpic, 9);
        QVERIFY(!window.cell(9)->hasPicture());
    }

    void pressOpensTheViewerOrRevealsTheFile_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("clickedpic");
        QTest::addColumn<int>("viewerOpened");
        QTest::addColumn<QByteArray>("revealed");
        QTest::newRow("plain click") << 2 << int(Qt::LeftButton) << 8 << 1 << QByteArray();
        QTest::newRow("middle button: a plain click") << 2 << int(Qt::MiddleButton) << 8 << 1 << QByteArray();
        QTest::newRow("context click: never the viewer") << 3 << int(Qt::RightButton) << 9 << 0 << QByteArray("/pictures/9.jpg");
        QTest::newRow("empty cell: nothing") << 30 << int(Qt::LeftButton) << 36 << 0 << QByteArray();
        QTest::newRow("empty cell, context click: nothing") << 30 << int(Qt::RightButton) << 36 << 0 << QByteArray();
    }
    void pressOpensTheViewerOrRevealsTheFile()
    {
        QFETCH(int, cell);
        QFETCH(int, button);
        Window1 window(1024);
        fillCatalogue(33);
        window.grid->applyScrollRange();
        window.ScrollBar1->setValue(1);
        int viewerOpened = 0;
        QByteArray revealed;
        int clickedpicAtOpening = 0;
        window.grid->openViewer = [&] {
            ++viewerOpened;
            clickedpicAtOpening = Module1::catalogue().clickedpic;
        };
        window.grid->reveal = [&](const QByteArray& path) { revealed = path; };
        const QMouseEvent event = press(Qt::MouseButton(button));
        window.grid->cellPressed(cell, event);
        QTEST(Module1::catalogue().clickedpic, "clickedpic");
        QTEST(viewerOpened, "viewerOpened");
        QTEST(revealed, "revealed");
        if (viewerOpened)
            QCOMPARE(clickedpicAtOpening, Module1::catalogue().clickedpic);
    }

    void pressOnTheCellReachesTheGrid()
    {
        Window1 window(1024);
        fillCatalogue(5);
        window.grid->pageRefresh();
        int viewerOpened = 0;
        window.grid->openViewer = [&] { ++viewerOpened; };
        QTest::mouseClick(window.cell(4), Qt::LeftButton);
        QCOMPARE(viewerOpened, 1);
        QCOMPARE(Module1::catalogue().clickedpic, 4);
    }
};

QTEST_MAIN(TestThumbnailGrid)
#include "test_thumbnailgrid.moc"
