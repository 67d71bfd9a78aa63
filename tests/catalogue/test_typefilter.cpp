#include "catalogue/typefilter.h"

#include <QTest>

class TestTypeFilter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void endingsAgainstSwitches_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("enabled");  // letters: j png g t psd(s) pdf(f)
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("isjpeg");  // after starting from false, or unchanged from true when not accepted

        QTest::newRow("photo.JPG") << "photo.JPG" << "j" << true << true;
        QTest::newRow("photo.jpg, JPEG off") << "photo.jpg" << "pgtsf" << false << false;
        QTest::newRow("holiday.jpeg") << "holiday.jpeg" << "j" << true << true;
        QTest::newRow("MYJPEG, no dot") << "MYJPEG" << "j" << true << true;
        QTest::newRow("a.png") << "a.png" << "p" << true << false;
        QTest::newRow("a.PnG, PNG off") << "a.PnG" << "jgtsf" << false << false;
        QTest::newRow("a.gif") << "a.gif" << "g" << true << false;
        QTest::newRow("scan.TIFF") << "scan.TIFF" << "t" << true << false;
        QTest::newRow("scan.tif") << "scan.tif" << "t" << true << false;
        QTest::newRow("scanTIFF, no dot") << "scanTIFF" << "t" << true << false;
        QTest::newRow("layers.psd") << "layers.psd" << "s" << true << false;
        QTest::newRow("paper.pdf with the PDF switch") << "paper.pdf" << "f" << true << false;
        QTest::newRow("paper.pdf without it") << "paper.pdf" << "jpgts" << false << false;
        QTest::newRow("notes.txt") << "notes.txt" << "jpgtsf" << false << false;
        QTest::newRow("movie.mov") << "movie.mov" << "jpgtsf" << false << false;
        QTest::newRow("a.jpg.txt") << "a.jpg.txt" << "jpgtsf" << false << false;
        QTest::newRow("jpg, three characters") << "jpg" << "jpgtsf" << false << false;
        QTest::newRow(".jpg alone") << ".jpg" << "j" << true << true;
        QTest::newRow("a.tiff.jpg") << "a.tiff.jpg" << "jt" << true << true;
        QTest::newRow("empty name") << "" << "jpgtsf" << false << false;
        QTest::newRow("a.jpg, every switch off") << "a.jpg" << "" << false << false;
    }
    void endingsAgainstSwitches()
    {
        QFETCH(QString, name);
        QFETCH(QString, enabled);
        TypeSettings types;
        types.jpeg = enabled.contains('j');
        types.png = enabled.contains('p');
        types.gif = enabled.contains('g');
        types.tiff = enabled.contains('t');
        types.psd = enabled.contains('s');
        types.pdf = enabled.contains('f');
        bool isjpeg = false;
        QTEST(typeFilter(name, types, isjpeg), "accepted");
        QTEST(isjpeg, "isjpeg");
    }

    void isjpegLeftAloneWithoutAMatch()
    {
        TypeSettings types;
        types.jpeg = types.png = true;
        bool isjpeg = true;
        QVERIFY(!typeFilter(QStringLiteral("notes.txt"), types, isjpeg));
        QVERIFY(isjpeg);
        QVERIFY(typeFilter(QStringLiteral("b.png"), types, isjpeg));
        QVERIFY(!isjpeg);
    }
};

QTEST_GUILESS_MAIN(TestTypeFilter)
#include "test_typefilter.moc"
