#include "viewer/picturefit.h"

#include <QTest>

class TestPictureFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fitsToWidthThenHeight_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<bool>("fitted");

        // Worked results of the viewer's fitting.
        QTest::newRow("smaller than the screen") << QSize(1024, 768) << QSize(800, 600) << QSize(800, 600)
                                                 << QPoint(112, 84) << false;
        QTest::newRow("exactly the screen") << QSize(1024, 768) << QSize(1024, 768) << QSize(1024, 768)
                                            << QPoint(0, 0) << false;
        QTest::newRow("odd difference, half a pixel left") << QSize(1024, 768) << QSize(1023, 500)
                                                           << QSize(1023, 500) << QPoint(1, 134) << false;
        QTest::newRow("too wide") << QSize(1024, 768) << QSize(2048, 1024) << QSize(1024, 512) << QPoint(0, 128)
                                  << true;
        QTest::newRow("too wide, then too high") << QSize(1024, 768) << QSize(1600, 1600) << QSize(768, 768)
                                                 << QPoint(128, 0) << true;
        QTest::newRow("height rounded, half a pixel top") << QSize(1280, 854) << QSize(3000, 2000)
                                                          << QSize(1280, 853) << QPoint(0, 1) << true;
        QTest::newRow("too high only") << QSize(1440, 900) << QSize(900, 1800) << QSize(450, 900) << QPoint(495, 0)
                                       << true;

        QTest::newRow("one pixel wider") << QSize(1024, 768) << QSize(1025, 10) << QSize(1024, 10) << QPoint(0, 379)
                                         << true;
        QTest::newRow("as wide, no taller") << QSize(1024, 768) << QSize(1024, 300) << QSize(1024, 300)
                                            << QPoint(0, 234) << false;
        QTest::newRow("tiny, never enlarged") << QSize(1024, 768) << QSize(3, 2) << QSize(3, 2) << QPoint(511, 383)
                                              << false;
        // The second ratio comes from the width-fitted sides: 1025 x 770 is
        // first 1024 x 769, then 1023 x 768; taken from the decoded sides it
        // would be 1022 x 768.
        QTest::newRow("height fit from the width-fitted sides") << QSize(1024, 768) << QSize(1025, 770)
                                                                << QSize(1023, 768) << QPoint(1, 0) << true;
        QTest::newRow("a thread too wide keeps one row") << QSize(1024, 768) << QSize(100000, 1) << QSize(1024, 1)
                                                         << QPoint(0, 384) << true;
        QTest::newRow("a thread too high keeps one column") << QSize(1024, 768) << QSize(1, 100000)
                                                            << QSize(1, 768) << QPoint(512, 0) << true;
    }
    void fitsToWidthThenHeight()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);
        QFETCH(QPoint, position);
        QFETCH(bool, fitted);

        const PictureFit fit = fitPicture(screen, picture);
        QCOMPARE(fit.size, shown);
        QCOMPARE(fit.position, position);
        QCOMPARE(fit.fitted, fitted);
        QCOMPARE(centredPosition(screen, shown), position);
    }
};

QTEST_GUILESS_MAIN(TestPictureFit)
#include "test_picturefit.moc"
