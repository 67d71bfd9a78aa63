#include "app/window1.h"
#include "catalogue/module1.h"
#include "resources/resourcepictures.h"
#include "widgets/canvas.h"
#include "widgets/customprogress.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

class TestWindow1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsAsCreated()
    {
        Window1 window(1024);
        QCOMPARE(window.windowTitle(), QStringLiteral("Lumigrid v1.0.1"));
        QCOMPARE(window.centralWidget()->size(), QSize(728, 688));
        QCOMPARE(window.x(), 0);
        QCOMPARE(window.n, 0);
        QCOMPARE(window.versionnumber, 101);
        QVERIFY(!window.issmaller);
        QVERIFY(!window.updateavailable);
        QCOMPARE(window.countsettings, 0);
        QVERIFY(window.f.isEmpty() && window.dirstring.isEmpty());

        QCOMPARE(window.ScrollBar1->minimum(), 0);
        QCOMPARE(window.ScrollBar1->maximum(), 0);
        QCOMPARE(window.ScrollBar1->value(), 0);
        QCOMPARE(window.ScrollBar1->singleStep(), 1);
        QCOMPARE(window.ScrollBar1->pageStep(), 20);
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Choose Path"));
        QCOMPARE(window.BevelButton1->font().pixelSize(), 12);
        QCOMPARE(window.StaticText1->text(), QStringLiteral("0 images"));
        QCOMPARE(window.StaticText1->font().pixelSize(), 25);
        QCOMPARE(window.StaticText1->alignment(), Qt::AlignCenter);
        QCOMPARE(window.StaticText2->text(), QStringLiteral("Directory: 0 / 0"));
        QVERIFY(window.StaticText2->isHidden());
        QVERIFY(window.StaticText2->font().bold());
        QCOMPARE(window.CheckBox1->text(), QStringLiteral("Scan subdirectories"));
        QVERIFY(!window.CheckBox1->isChecked());
        QVERIFY(window.EditField1->text().isEmpty());
        QCOMPARE(window.Canvas31->toolTip(), QStringLiteral("Visit Brightfold Website"));
        QVERIFY(!window.updatesTimer->isActive());
        QCOMPARE(window.updatesTimer->interval(), 1000);
    }

    void progressBarWaitsAtStart()
    {
        Window1 window(1024);
        CustomProgress* bar = window.ProgressBar1;
        QCOMPARE(bar->seccolor, QRgb(0xDADADA));
        QCOMPARE(bar->maincolor, QRgb(0x3E3E3E));
        QCOMPARE(bar->bordercolor, QRgb(0x858585));
        QCOMPARE(bar->maximum, 0);
        QCOMPARE(bar->mode, 1);
        QCOMPARE(bar->direction, 0);
        QVERIFY(bar->hasborder);
        QCOMPARE(bar->backcolor, QRgb(0x4C4C4C));
        QCOMPARE(window.StaticText2->parentWidget(), bar);
        QCOMPARE(window.StaticText2->pos(), QPoint(141, 0));
        // The waiting fill in maincolor over the whole 684 x 17 fill area, inside the bevel.
        const QImage look = bar->composed();
        QCOMPARE(look.size(), QSize(688, 21));
        QCOMPARE(look.pixel(0, 0) & 0xFFFFFF, 0xAEAEAEu);
        for (const QPoint p : {QPoint(2, 2), QPoint(685, 18), QPoint(344, 10)})
            QCOMPARE(look.pixel(p) & 0xFFFFFF, 0x3E3E3Eu);
    }

    void cellsSixToARow()
    {
        Window1 window(1024);
        for (int k = 1; k <= 30; ++k) {
            Canvas* cell = window.cell(k);
            QCOMPARE(cell->objectName(), QStringLiteral("Canvas%1").arg(k));
            QCOMPARE(cell->geometry(), QRect(20 + 112 * ((k - 1) % 6), 14 + 112 * ((k - 1) / 6), 100, 100));
            QVERIFY(!cell->hasPicture());
            QVERIFY(!cell->isHidden());
        }
        QCOMPARE(window.cell(30)->geometry(), QRect(580, 462, 100, 100));
    }

    void layoutFollowsScreenHeight_data()
    {
        QTest::addColumn<int>("screenHeight");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<QRect>("scrollBar");
        QTest::addColumn<QRect>("button");
        QTest::addColumn<QRect>("pathField");
        QTest::addColumn<QRect>("checkBox");
        QTest::addColumn<QRect>("statusText");
        QTest::addColumn<QRect>("logo");
        QTest::addColumn<QRect>("countText");
        QTest::addColumn<QRect>("progressBar");
        QTest::newRow("1023 high: compact") << 1023 << true << 579 << QRect(692, 14, 16, 439)
            << QRect(612, 465, 96, 22) << QRect(20, 465, 424, 22) << QRect(456, 466, 151, 20)
            << QRect(161, 494, 407, 20) << QRect(65, 520, 50, 50) << QRect(195, 525, 344, 41)
            << QRect(20, 494, 688, 21);
        QTest::newRow("1024 high: full") << 1024 << false << 688 << QRect(692, 14, 16, 548)
            << QRect(612, 574, 96, 22) << QRect(20, 574, 424, 22) << QRect(456, 575, 151, 20)
            << QRect(161, 603, 407, 20) << QRect(65, 629, 50, 50) << QRect(195, 634, 344, 41)
            << QRect(20, 603, 688, 21);
        QTest::newRow("600 high: compact") << 600 << true << 579 << QRect(692, 14, 16, 439)
            << QRect(612, 465, 96, 22) << QRect(20, 465, 424, 22) << QRect(456, 466, 151, 20)
            << QRect(161, 494, 407, 20) << QRect(65, 520, 50, 50) << QRect(195, 525, 344, 41)
            << QRect(20, 494, 688, 21);
    }
    void layoutFollowsScreenHeight()
    {
        QFETCH(int, screenHeight);
        QFETCH(bool, compact);
        QFETCH(int, clientHeight);
        Window1 window(screenHeight);
        QCOMPARE(window.issmaller, compact);
        QCOMPARE(window.centralWidget()->size(), QSize(728, clientHeight));
        QTEST(window.ScrollBar1->geometry(), "scrollBar");
        QTEST(window.BevelButton1->geometry(), "button");
        QTEST(window.EditField1->geometry(), "pathField");
        QTEST(window.CheckBox1->geometry(), "checkBox");
        QTEST(QRect(window.StaticText2->mapTo(window.centralWidget(), QPoint(0, 0)), window.StaticText2->size()), "statusText");
        QTEST(window.Canvas31->geometry(), "logo");
        QTEST(window.StaticText1->geometry(), "countText");
        QTEST(window.ProgressBar1->geometry(), "progressBar");
        for (int k = 1; k <= 24; ++k)
            QVERIFY(!window.cell(k)->isHidden());
        for (int k = 25; k <= 30; ++k)
            QCOMPARE(window.cell(k)->isHidden(), compact);
        const QImage& expected = ResourcePictures::picture(
            compact ? ResourcePictures::lgbackground7 : ResourcePictures::lgbackground6);
        QCOMPARE(window.backdrop->picture().constBits(), expected.constBits());
        QCOMPARE(expected.size(), QSize(728, clientHeight));
    }

    void logoWearsItsMask()
    {
        Window1 window(1024);
        const QImage& logo = window.Canvas31->picture();
        QCOMPARE(logo.size(), QSize(50, 50));
        QCOMPARE(qAlpha(logo.pixel(0, 0)), 0);     // rounded corner: transparent
        QCOMPARE(qAlpha(logo.pixel(25, 25)), 255); // middle: opaque
        QCOMPARE(logo.constBits(), ResourcePictures::picture(ResourcePictures::BrightfoldBButton).constBits());
    }

    void picturesHaveTheirSizes_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QSize>("size");
        QTest::newRow("lgbackground6") << 168 << QSize(728, 688);
        QTest::newRow("BrightfoldBButton") << 169 << QSize(50, 50);
        QTest::newRow("BrightfoldBButton_Mask") << 170 << QSize(50, 50);
        QTest::newRow("BrightfoldBButton_Over") << 171 << QSize(50, 50);
        QTest::newRow("BrightfoldBButtonFlash") << 172 << QSize(50, 50);
        QTest::newRow("lumiabout") << 173 << QSize(400, 300);
        QTest::newRow("lumiaboutscreenshot") << 174 << QSize(122, 119);
        QTest::newRow("lumiaboutbottom") << 175 << QSize(400, 64);
        QTest::newRow("lgbackground7") << 176 << QSize(728, 579);
    }
    void picturesHaveTheirSizes()
    {
        QFETCH(int, number);
        QTEST(ResourcePictures::picture(ResourcePictures::Number(number)).size(), "size");
    }
};

QTEST_MAIN(TestWindow1)
#include "test_window1.moc"
