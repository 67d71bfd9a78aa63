#include "catalogue/openasimagemodule.h"
#include "catalogue/thumbnailgeometry.h"
#include "catalogue/thumbnailmaker.h"
#include "fixtures.h"

#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips8>

namespace {

QImage picture(int width, int height)
{
    return Fixtures::solid(width, height, Qt::red);
}

// Decoders that only record which of them was asked.
struct RecordingDecoders {
    QStringList calls;
    bool jpegReads = false;
    bool importerOpens = false;
    bool importerHasPicture = false;
    bool generalReads = true;

    Decoders decoders()
    {
        return {
            [this](const QByteArray&) {
                calls << "general";
                return generalReads ? DecodedPicture {picture(10, 10), QSize(10, 10)} : DecodedPicture {};
            },
            [this](const QByteArray&) {
                calls << "jpeg";
                return jpegReads ? DecodedPicture {picture(20, 20), QSize(20, 20)} : DecodedPicture {};
            },
            [this](const QByteArray&) {
                calls << "importer";
                if (!importerOpens)
                    return ImportedPicture {};
                return ImportedPicture {
                    true, importerHasPicture ? DecodedPicture {picture(30, 30), QSize(30, 30)} : DecodedPicture {}};
            },
        };
    }
};

QByteArray fileOfLength(const QTemporaryDir& dir, const QByteArray& name, qint64 length)
{
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
    if (!Fixtures::writeBytes(path, QByteArray()) || ::truncate(path.constData(), length) != 0)
        return {};
    return path;
}

} // namespace

class TestThumbnailMaker : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QSize>("full");
        QTest::addColumn<bool>("constrain");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("400x300: k 4, h 75, top round(12.5)") << QSize(400, 300) << true << QRect(0, 13, 100, 75);
        QTest::newRow("300x600: by height, w 50") << QSize(300, 600) << true << QRect(25, 0, 50, 100);
        QTest::newRow("150x300: h 200, then w 50") << QSize(150, 300) << true << QRect(25, 0, 50, 100);
        QTest::newRow("80x60: own size, centred") << QSize(80, 60) << true << QRect(10, 20, 80, 60);
        QTest::newRow("10000x40: h 0 raised to 1") << QSize(10000, 40) << true << QRect(0, 50, 100, 1);
        QTest::newRow("40x10000: w 0 raised to 1") << QSize(40, 10000) << true << QRect(50, 0, 1, 100);
        QTest::newRow("50x50 constrained: on black at 25,25") << QSize(50, 50) << true << QRect(25, 25, 50, 50);
        QTest::newRow("100x100: not reduced") << QSize(100, 100) << true << QRect(0, 0, 100, 100);
        QTest::newRow("101x100: just above") << QSize(101, 100) << true << QRect(0, 1, 100, 99);
        QTest::newRow("50x50 stretched") << QSize(50, 50) << false << QRect(0, 0, 100, 100);
        QTest::newRow("400x300 stretched") << QSize(400, 300) << false << QRect(0, 0, 100, 100);
        QTest::newRow("10000x40 stretched") << QSize(10000, 40) << false << QRect(0, 0, 100, 100);
    }
    void placement()
    {
        QFETCH(QSize, full);
        QFETCH(bool, constrain);
        QTEST(thumbnailPlacement(full, constrain), "expected");
    }

    void thumbnailIsThePictureOnBlack_data()
    {
        QTest::addColumn<QSize>("full");
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<bool>("constrain");
        QTest::newRow("400x300 full decode") << QSize(400, 300) << QSize(400, 300) << true;
        QTest::newRow("400x300 reduced decode") << QSize(400, 300) << QSize(134, 100) << true;
        QTest::newRow("300x600 reduced decode") << QSize(300, 600) << QSize(100, 200) << true;
        QTest::newRow("80x60 small") << QSize(80, 60) << QSize(80, 60) << true;
        QTest::newRow("50x50 stretched") << QSize(50, 50) << QSize(50, 50) << false;
        QTest::newRow("400x300 stretched, reduced") << QSize(400, 300) << QSize(134, 100) << false;
    }
    void thumbnailIsThePictureOnBlack()
    {
        QFETCH(QSize, full);
        QFETCH(QSize, decoded);
        QFETCH(bool, constrain);
        const QImage thumbnail = drawThumbnail(Fixtures::solid(decoded.width(), decoded.height(), Qt::red), full, constrain);
        QCOMPARE(thumbnail.size(), QSize(100, 100));
        QCOMPARE(thumbnail.depth(), 32);
        const QRect placed = thumbnailPlacement(full, constrain);
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const QRgb expected = placed.contains(x, y) ? qRgb(255, 0, 0) : qRgb(0, 0, 0);
                if (thumbnail.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(thumbnail.pixel(x, y), 8, 16)));
            }
        }
    }

    void sizeClasses_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << qint64(0) << int(SizeClass::small);
        QTest::newRow("10239") << qint64(10239) << int(SizeClass::small);
        QTest::newRow("exactly 10240") << qint64(10240) << int(SizeClass::medium);
        QTest::newRow("500 KB") << qint64(512000) << int(SizeClass::medium);
        QTest::newRow("exactly 1024000") << qint64(1024000) << int(SizeClass::medium);
        QTest::newRow("1024001") << qint64(1024001) << int(SizeClass::large);
        QTest::newRow("beyond 32 bits") << qint64(5) * 1024 * 1024 * 1024 << int(SizeClass::large);
    }
    void sizeClasses()
    {
        QFETCH(qint64, length);
        QTEST(int(sizeClass(length)), "expected");
    }

    void decoderFollowsSizeAndType_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<bool>("isjpeg");
        QTest::addColumn<bool>("jpegReads");
        QTest::addColumn<bool>("importerOpens");
        QTest::addColumn<bool>("importerHasPicture");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("size");  // empty: no entry

        const QStringList general {"general"}, jpeg {"jpeg"}, importer {"importer"};
        QTest::newRow("9 KB PNG: general") << QByteArray("a.png") << qint64(9216) << false << false << true << true << general << "10 x 10";
        QTest::newRow("small JPEG: JPEG decoder") << QByteArray("a.jpg") << qint64(5000) << true << true << true << true << jpeg << "20 x 20";
        QTest::newRow("small JPEG rejected: general") << QByteArray("a.jpg") << qint64(5000) << true << false << true << true << QStringList {"jpeg", "general"} << "10 x 10";
        QTest::newRow("500 KB JPEG: JPEG decoder first") << QByteArray("a.jpg") << qint64(512000) << true << true << true << true << jpeg << "20 x 20";
        QTest::newRow("medium JPEG rejected: importer") << QByteArray("a.jpg") << qint64(512000) << true << false << true << true << QStringList {"jpeg", "importer"} << "30 x 30";
        QTest::newRow("medium JPEG rejected, importer cannot open: general") << QByteArray("a.jpg") << qint64(512000) << true << false << false << false << QStringList {"jpeg", "importer", "general"} << "10 x 10";
        QTest::newRow("500 KB PNG: importer") << QByteArray("a.png") << qint64(512000) << false << false << true << true << importer << "30 x 30";
        QTest::newRow("exactly 10240 bytes: medium") << QByteArray("a.png") << qint64(10240) << false << false << true << true << importer << "30 x 30";
        QTest::newRow("exactly 1024000 bytes: medium") << QByteArray("a.jpg") << qint64(1024000) << true << true << true << true << jpeg << "20 x 20";
        QTest::newRow("2 MB JPEG: importer") << QByteArray("a.jpg") << qint64(2000000) << true << true << true << true << importer << "30 x 30";
        QTest::newRow("importer opens, no picture: none, general not asked") << QByteArray("a.tif") << qint64(2000000) << false << false << true << false << importer << "";
        QTest::newRow("importer cannot open: general") << QByteArray("a.gif") << qint64(2000000) << false << false << false << false << QStringList {"importer", "general"} << "10 x 10";
        QTest::newRow("MYJPEG without a dot: never the importer") << QByteArray("MYJPEG") << qint64(512000) << true << false << true << true << QStringList {"jpeg", "general"} << "10 x 10";
        QTest::newRow("large scanTIFF without a dot: general") << QByteArray("scanTIFF") << qint64(2000000) << false << false << true << true << general << "10 x 10";
    }
    void decoderFollowsSizeAndType()
    {
        QFETCH(QByteArray, name);
        QFETCH(qint64, length);
        QFETCH(bool, isjpeg);
        QTemporaryDir dir;
        const QByteArray path = fileOfLength(dir, name, length);
        QVERIFY(!path.isEmpty());
        RecordingDecoders recording;
        QFETCH(bool, jpegReads);
        QFETCH(bool, importerOpens);
        QFETCH(bool, importerHasPicture);
        recording.jpegReads = jpegReads;
        recording.importerOpens = importerOpens;
        recording.importerHasPicture = importerHasPicture;
        const std::optional<CatalogueEntry> entry
            = makeEntry({path, QString::fromLatin1(name), isjpeg}, true, recording.decoders());
        QTEST(recording.calls, "calls");
        QFETCH(QString, size);
        QCOMPARE(entry.has_value(), !size.isEmpty());
        if (entry) {
            QCOMPARE(entry->size, size);
            QCOMPARE(entry->path, path);
            QCOMPARE(entry->name, QString::fromLatin1(name));
            QCOMPARE(entry->thumbnail.size(), QSize(100, 100));
        }
    }

    void vanishedFileAsksNoDecoder()
    {
        QTemporaryDir dir;
        RecordingDecoders recording;
        const QByteArray gone = QFile::encodeName(dir.path()) + "/gone.jpg";
        QVERIFY(!makeEntry({gone, "gone.jpg", true}, true, recording.decoders()));
        QVERIFY(OpenAsImageModule::OpenAsImage(gone, recording.decoders()).isNull());
        QVERIFY(OpenAsImageModule::OpenAsImage(QByteArray(), recording.decoders()).isNull());
        QVERIFY(recording.calls.isEmpty());
    }

    // The platform decoders on real files, good and bad.
    void platformDecoders_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("isjpeg");
        QTest::addColumn<QString>("size");  // empty: no entry
        QTest::addColumn<QRgb>("centre");

        using namespace Fixtures;
        const QImage blue = solid(400, 300, Qt::blue);
        QTest::newRow("small JPEG") << QByteArray("a.jpg") << encode(blue, "jpeg") << true << "400 x 300" << qRgb(0, 0, 255);
        QTest::newRow("small PNG") << QByteArray("a.png") << encode(blue, "png") << false << "400 x 300" << qRgb(0, 0, 255);
        QImage palette(300, 600, QImage::Format_Mono);
        palette.setColorTable({qRgb(0, 0, 0), qRgb(0, 255, 0)});
        palette.fill(1);
        QTest::newRow("1-bit palette PNG") << QByteArray("a.png") << encode(palette, "png") << false << "300 x 600" << qRgb(0, 255, 0);
        QTest::newRow("GIF") << QByteArray("a.gif") << encodeWithVips(blue, ".gif") << false << "400 x 300" << qRgb(0, 0, 255);
        QTest::newRow("TIFF") << QByteArray("a.tif") << encode(noise(300, 300), "tiff") << false << "300 x 300" << QRgb(0);
        QTest::newRow("medium PNG, importer") << QByteArray("a.png") << encode(noise(200, 150), "png") << false << "200 x 150" << QRgb(0);
        QTest::newRow("large JPEG, importer") << QByteArray("a.jpg") << encode(noise(1200, 1000), "jpeg", 100) << true << "1200 x 1000" << QRgb(0);
        QTest::newRow("PDF, first page") << QByteArray("a.pdf") << pdf(300, 200, Qt::green) << false << "300 x 200" << qRgb(0, 255, 0);
        QTest::newRow("zero bytes") << QByteArray("empty.jpg") << QByteArray() << true << "" << QRgb(0);
        const QByteArray jpeg = encode(noise(400, 300), "jpeg", 90);
        QTest::newRow("truncated JPEG: as far as it decodes") << QByteArray("cut.jpg") << jpeg.left(jpeg.size() / 2) << true << "400 x 300" << QRgb(0);
        QTest::newRow("small PNG named .jpg") << QByteArray("png.jpg") << encode(blue, "png") << true << "400 x 300" << qRgb(0, 0, 255);
        QTest::newRow("medium PNG named .jpg") << QByteArray("png.jpg") << encode(noise(200, 150), "png") << true << "200 x 150" << QRgb(0);
        QTest::newRow("text named .png") << QByteArray("text.png") << QByteArray("not a picture\n") << false << "" << QRgb(0);
        QTest::newRow("medium text named .png") << QByteArray("text.png") << QByteArray(20000, 'x') << false << "" << QRgb(0);
        QTest::newRow("small PNG declaring 40000x40000") << QByteArray("bomb.png") << pngDeclaring(40000, 40000) << false << "" << QRgb(0);
        QTest::newRow("medium PNG declaring 40000x40000") << QByteArray("bomb.png") << pngDeclaring(40000, 40000) + QByteArray(20000, '\0') << false << "" << QRgb(0);
        QTest::newRow("JPEG declaring 40000x40000") << QByteArray("bomb.jpg") << jpegDeclaring(40000, 40000) << true << "40000 x 40000" << QRgb(0);
    }
    void platformDecoders()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, isjpeg);
        QFETCH(QString, size);
        QFETCH(QRgb, centre);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        QVERIFY(Fixtures::writeBytes(path, content));
        const std::optional<CatalogueEntry> entry
            = makeEntry({path, QString::fromLatin1(name), isjpeg}, true, Decoders::forThumbnails());
        QCOMPARE(entry ? entry->size : QString(), size);
        if (entry) {
            QCOMPARE(entry->thumbnail.size(), QSize(100, 100));
            QCOMPARE(entry->thumbnail.format(), QImage::Format_RGB32);
            if (centre) {
                const QRgb pixel = entry->thumbnail.pixel(50, 50);
                QVERIFY2(qAbs(qRed(pixel) - qRed(centre)) < 8 && qAbs(qGreen(pixel) - qGreen(centre)) < 8
                        && qAbs(qBlue(pixel) - qBlue(centre)) < 8,
                    qPrintable(QString::number(pixel, 16)));
            }
        }
    }

    void uprightAsTheCameraMeantIt_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<int>("quality");
        QTest::newRow("small JPEG, Qt's reader") << QSize(400, 300) << 50;
        QTest::newRow("large JPEG, the importer") << QSize(1200, 900) << 100;
    }
    void uprightAsTheCameraMeantIt()
    {
        QFETCH(QSize, stored);
        QFETCH(int, quality);
        // Red on the left half, the rest noise; the file says "turn right".
        QImage picture = Fixtures::noise(stored.width(), stored.height());
        QPainter(&picture).fillRect(0, 0, stored.width() / 2, stored.height(), Qt::red);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(picture));
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/turned.jpg";
        QVERIFY(Fixtures::writeBytes(path, data));
        const std::optional<CatalogueEntry> entry = makeEntry({path, "turned.jpg", true}, true, Decoders::forThumbnails());
        QVERIFY(entry);
        QCOMPARE(entry->size, QStringLiteral("%1 x %2").arg(stored.height()).arg(stored.width()));
        // Turned right, the red half is on top.
        const QRgb top = entry->thumbnail.pixel(50, 20);
        QVERIFY2(qRed(top) > 200 && qGreen(top) < 60, qPrintable(QString::number(top, 16)));
        QCOMPARE(entry->thumbnail.pixel(5, 50), qRgb(0, 0, 0));
    }

    void photoshopThroughTheImporter()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/layers.psd";
        QVERIFY(Fixtures::writeBytes(path, Fixtures::encodeWithVips(Fixtures::solid(240, 120, QColor(0, 200, 0)), ".psd")));
        const std::optional<CatalogueEntry> entry = makeEntry({path, "layers.psd", false}, true, Decoders::forThumbnails());
        QVERIFY(entry);
        QCOMPARE(entry->size, QStringLiteral("240 x 120"));
        QCOMPARE(qGreen(entry->thumbnail.pixel(50, 50)), 200);
        QCOMPARE(entry->thumbnail.pixel(50, 10), qRgb(0, 0, 0));
    }

    void filesThatCannotBeReadGiveNoEntry()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray pipe = folder + "/pipe.jpg";
        QCOMPARE(::mkfifo(pipe.constData(), 0644), 0);
        QVERIFY(!makeEntry({pipe, "pipe.jpg", true}, true, Decoders::forThumbnails()));
        const QByteArray link = folder + "/loop.jpg";
        QCOMPARE(::symlink("loop.jpg", link.constData()), 0);
        QVERIFY(!makeEntry({link, "loop.jpg", true}, true, Decoders::forThumbnails()));
        QCOMPARE(::mkdir((folder + "/folder.jpg").constData(), 0755), 0);
        QVERIFY(!makeEntry({folder + "/folder.jpg", "folder.jpg", true}, true, Decoders::forThumbnails()));

        const QByteArray locked = folder + "/locked.png";
        QVERIFY(Fixtures::writeBytes(locked, Fixtures::encode(Fixtures::solid(20, 20, Qt::red), "png")));
        if (::geteuid() == 0)
            QSKIP("running as root, which reads any file");
        QCOMPARE(::chmod(locked.constData(), 0), 0);
        const bool made = bool(makeEntry({locked, "locked.png", false}, true, Decoders::forThumbnails()));
        ::chmod(locked.constData(), 0644);
        QVERIFY(!made);
    }

    void nameThatIsNotUtf8IsReopenedByItsBytes()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/caf\xe9.png";
        QVERIFY(Fixtures::writeBytes(path, Fixtures::encode(Fixtures::solid(30, 20, Qt::red), "png")));
        const QString shown = QString::fromUtf8("caf\xe9.png");
        QVERIFY(shown.contains(QChar::ReplacementCharacter));
        const std::optional<CatalogueEntry> entry = makeEntry({path, shown, false}, true, Decoders::forThumbnails());
        QVERIFY(entry);
        QCOMPARE(entry->path, path);
        QCOMPARE(entry->size, QStringLiteral("30 x 20"));
    }
};

QTEST_GUILESS_MAIN(TestThumbnailMaker)
#include "test_thumbnailmaker.moc"
