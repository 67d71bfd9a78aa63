#include "about/window4.h"
#include "resources/resourcepictures.h"
#include "widgets/canvas.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

constexpr QRgb grey = 0xFFE3E3E3;
using Rows = QPair<int, int>;

// A shown about window whose ticks the test drives itself.
Window4* openAbout()
{
    Window4* window = Window4::instance();
    window->Timer1->stop();
    window->show();
    return QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

void closeAbout()
{
    QPointer<Window4> window = Window4::instance();
    window->close();
    QTRY_VERIFY(window.isNull());
}

int topIn(const Window4* window, const QWidget* child)
{
    return child->mapTo(window, QPoint(0, 0)).y();
}

// Rows (window coordinates) of child that the panel shows, as [first, last];
// (0, 0) when it shows none.
Rows rowsShown(const Window4* window, const QWidget* child)
{
    const int top = topIn(window, child);
    const Rows rows{std::max(top, 83), std::min(top + child->height() - 1, 234)};
    return rows.first <= rows.second ? rows : Rows{0, 0};
}

bool plainGrey(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != grey)
                return false;
    return true;
}

} // namespace

class TestWindow4 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A failed check leaves no window behind for the next one.
    void cleanup()
    {
        QPointer<Window4> window = Window4::instance();
        window->close();
        QTRY_VERIFY(window.isNull());
    }

    void layoutAtOpening()
    {
        Window4* window = Window4::instance();
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(window->Timer1->isActive());
        QCOMPARE(window->Timer1->interval(), 50);
        QCOMPARE(window->windowTitle(), QStringLiteral("About Lumigrid"));
        QCOMPARE(window->size(), QSize(400, 300));

        QCOMPARE(window->Canvas1->geometry(), QRect(20, 83, 360, 152));
        QCOMPARE(window->Canvas1->picture().size(), QSize(360, 160));
        QCOMPARE(window->Canvas1->picture().pixel(359, 159), grey);
        QCOMPARE(window->Canvas2->parentWidget(), window->Canvas1);
        QCOMPARE(window->StaticText1->parentWidget(), window->Canvas1);
        QCOMPARE(window->Canvas2->geometry().translated(20, 83), QRect(142, 95, 122, 119));
        QCOMPARE(window->StaticText1->geometry().translated(20, 83), QRect(42, 226, 316, 235));
        QCOMPARE(window->Canvas3->geometry(), QRect(0, 236, 400, 64));
        QCOMPARE(window->Canvas2->picture().cacheKey(),
            ResourcePictures::picture(ResourcePictures::lumiaboutscreenshot).cacheKey());
        QCOMPARE(window->Canvas3->picture().cacheKey(),
            ResourcePictures::picture(ResourcePictures::lumiaboutbottom).cacheKey());
        QVERIFY(window->StaticText1->alignment() & Qt::AlignHCenter);
        QCOMPARE(window->StaticText1->palette().color(QPalette::WindowText), QColor(Qt::black));
        // The bottom strip lies above the panel's children.
        QVERIFY(window->children().indexOf(window->Canvas3) > window->children().indexOf(window->Canvas1));
    }

    void creditsOutline()
    {
        const QStringList paragraphs = Window4::credits().split(QStringLiteral("\n\n"));
        QCOMPARE(paragraphs.size(), 5);
        QCOMPARE(paragraphs[0], QStringLiteral("Thanks to:"));
        QVERIFY(paragraphs[1].contains(QStringLiteral("@example.org")));
        QCOMPARE(paragraphs[2].count(u'\n'), 1);
        QVERIFY(paragraphs[3].contains(QStringLiteral("updates")));
        QVERIFY(paragraphs[4].contains(QStringLiteral("without permission")));
    }

    void scrolling_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<Rows>("screenshotRows");
        QTest::addColumn<Rows>("textRows");
        QTest::newRow("at opening") << 0 << qMakePair(95, 213) << qMakePair(226, 234);
        QTest::newRow("1 tick") << 1 << qMakePair(94, 212) << qMakePair(225, 234);
        QTest::newRow("130 ticks") << 130 << qMakePair(83, 83) << qMakePair(96, 234);
        QTest::newRow("131 ticks") << 131 << qMakePair(0, 0) << qMakePair(95, 234);
        QTest::newRow("377 ticks") << 377 << qMakePair(0, 0) << qMakePair(83, 83);
        QTest::newRow("378 ticks") << 378 << qMakePair(0, 0) << qMakePair(0, 0);
        QTest::newRow("500 ticks") << 500 << qMakePair(0, 0) << qMakePair(0, 0);
    }

    void scrolling()
    {
        QFETCH(int, ticks);
        QFETCH(Rows, screenshotRows);
        QFETCH(Rows, textRows);
        Window4* window = openAbout();
        QVERIFY(window);
        for (int t = 0; t < ticks; ++t)
            window->timer1Action();
        QCOMPARE(topIn(window, window->Canvas2), 95 - ticks);
        QCOMPARE(topIn(window, window->StaticText1), 226 - ticks);
        QCOMPARE(rowsShown(window, window->Canvas2), screenshotRows);
        QCOMPARE(rowsShown(window, window->StaticText1), textRows);
        QCOMPARE(window->Canvas1->geometry(), QRect(20, 83, 360, 152));

        const QImage panel = window->Canvas1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(panel.size(), QSize(360, 152));
        // Whether the label's last rows hold ink depends on the font; once the
        // whole label has left, only grey remains.
        if (ticks >= 378)
            QVERIFY(plainGrey(panel));
        else if (ticks <= 131)
            QVERIFY(!plainGrey(panel));
    }

    // Showing the open window again keeps its place; closing it and showing
    // it again starts from the top.
    void oneWindowRestartsAfterClosing()
    {
        Window4* window = openAbout();
        QVERIFY(window);
        for (int t = 0; t < 40; ++t)
            window->timer1Action();
        QCOMPARE(Window4::instance(), window);
        window->show();
        QCOMPARE(topIn(window, window->Canvas2), 55);

        closeAbout();
        Window4* again = openAbout();
        QVERIFY(again);
        QCOMPARE(topIn(again, again->Canvas2), 95);
        QCOMPARE(topIn(again, again->StaticText1), 226);
        const QImage panel = again->Canvas1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!plainGrey(panel.copy(122, 12, 122, 119)));
    }
};

QTEST_MAIN(TestWindow4)
#include "test_window4.moc"
