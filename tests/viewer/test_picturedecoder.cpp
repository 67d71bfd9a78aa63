#include "viewer/picturedecoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A picture of one colour, written in the given format; the path as the
// catalogue keeps it, in the file system's own bytes.
QByteArray writePicture(const QTemporaryDir& dir, const QString& name, QSize size, const char* format,
                        QRgb colour = 0xff2080c0, QImage::Format pixels = QImage::Format_RGB32)
{
    QImage image(size, pixels);
    image.fill(colour);
    const QString path = dir.filePath(name);
    QImageWriter writer(path, format);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(writer.errorString()));
    return QFile::encodeName(path);
}

bool closeTo(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 && qAbs(qBlue(a) - qBlue(b)) <= 8;
}

} // namespace

class TestPictureDecoder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Decoding a TIFF raises Qt's limit for the whole program; each test
    // starts from Qt's default.
    void init() { QImageReader::setAllocationLimit(128); }

    void decodesFittedToTheScreen_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("shown");

        QTest::newRow("jpeg, smaller") << QByteArray("jpeg") << QSize(640, 480) << QSize(1024, 768) << QSize(640, 480);
        QTest::newRow("jpeg, wider and higher") << QByteArray("jpeg") << QSize(1600, 1600) << QSize(1024, 768)
                                                << QSize(768, 768);
        QTest::newRow("jpeg, off the DCT steps") << QByteArray("jpeg") << QSize(3000, 2000) << QSize(1280, 854)
                                                 << QSize(1280, 853);
        QTest::newRow("png, too high") << QByteArray("png") << QSize(900, 1800) << QSize(1440, 900)
                                       << QSize(450, 900);
        QTest::newRow("tiff, too wide") << QByteArray("tiff") << QSize(2048, 1024) << QSize(1024, 768)
                                        << QSize(1024, 512);
        QTest::newRow("bmp, one pixel wider") << QByteArray("bmp") << QSize(1025, 10) << QSize(1024, 768)
                                              << QSize(1024, 10);
    }
    void decodesFittedToTheScreen()
    {
        QFETCH(QByteArray, format);
        QFETCH(QSize, picture);
        QFETCH(QSize, screen);
        QFETCH(QSize, shown);

        QTemporaryDir dir;
        const QRgb colour = 0xff2080c0;
        const QByteArray path = writePicture(dir, QStringLiteral("picture.") + format, picture, format, colour);
        const QImage image = decodeForScreen(path, screen);
        QCOMPARE(image.size(), shown);
        QVERIFY(closeTo(image.pixel(shown.width() / 2, shown.height() / 2), colour));
        if (shown != picture)
            QCOMPARE(image.depth(), 32);
    }

    // Qt refuses to allocate more than 128 MB for a picture by default; at
    // full size these need 144 MB or more.
    void bigPicturesStillOpen_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<bool>("decodedSmall");
        QTest::newRow("48 MP jpeg") << QByteArray("jpeg") << QSize(8000, 6000) << QSize(1440, 1080) << true;
        QTest::newRow("48 MP jpeg named .jpg") << QByteArray("jpg") << QSize(8000, 6000) << QSize(1440, 1080)
                                               << true;
        QTest::newRow("48 MP png") << QByteArray("png") << QSize(8000, 6000) << QSize(1440, 1080) << false;
        QTest::newRow("48 MP tiff") << QByteArray("tiff") << QSize(8000, 6000) << QSize(1440, 1080) << false;
    }
    void bigPicturesStillOpen()
    {
        QFETCH(QByteArray, format);
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);
        QFETCH(bool, decodedSmall);
        QTemporaryDir dir;
        const QByteArray path = writePicture(dir, QStringLiteral("big.") + format, picture, format, 0xff808080,
                                             QImage::Format_RGB888);
        QCOMPARE(decodeForScreen(path, QSize(1920, 1080)).size(), shown);
        // A JPEG is shrunk by its decoder, so Qt's default limit is enough.
        if (decodedSmall)
            QCOMPARE(QImageReader::allocationLimit(), 128);
    }

    void palettePicturesKeepTheirColours_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::newRow("two colours") << int(QImage::Format_Mono);
        QTest::newRow("a palette") << int(QImage::Format_Indexed8);
    }
    void palettePicturesKeepTheirColours()
    {
        QFETCH(int, pixels);
        QTemporaryDir dir;
        // Left half red, right half blue.
        QImage image(2000, 1000, QImage::Format(pixels));
        image.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, x < 1000 ? 0 : 1);
        const QString path = dir.filePath(QStringLiteral("palette.png"));
        QVERIFY(image.save(path, "png"));
        const QImage shown = decodeForScreen(QFile::encodeName(path), QSize(1280, 1024));
        QCOMPARE(shown.size(), QSize(1280, 640));
        QCOMPARE(shown.pixel(300, 320), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(980, 320), qRgb(0, 0, 255));
    }

    void photoOrientationIsApplied()
    {
        QTemporaryDir dir;
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 40; ++x)
                image.setPixel(x, y, qRgb(255, 0, 0));
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            QVERIFY(buffer.open(QIODevice::WriteOnly));
            QVERIFY(image.save(&buffer, "jpeg", 95));
        }
        // A camera's EXIF block right after the start marker: orientation 6,
        // the picture is to be turned a quarter clockwise for showing.
        static const char exif[] = "\xff\xe1\x00\x22"
                                   "Exif\x00\x00"
                                   "MM\x00\x2a\x00\x00\x00\x08"
                                   "\x00\x01"
                                   "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                                   "\x00\x00\x00\x00";
        jpeg.insert(2, QByteArray(exif, sizeof exif - 1));
        const QString path = dir.filePath(QStringLiteral("turned.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(jpeg);
        file.close();

        // Stored 400 x 200, shown upright as 200 x 400, which a 300 x 300
        // screen shrinks to 150 x 300; the red left edge turns to the top.
        const QImage shown = decodeForScreen(QFile::encodeName(path), QSize(300, 300));
        QCOMPARE(shown.size(), QSize(150, 300));
        QVERIFY(closeTo(shown.pixel(75, 5), qRgb(255, 0, 0)));
        QVERIFY(closeTo(shown.pixel(75, 290), qRgb(0, 0, 255)));
    }

    // Qt has no Photoshop decoder; the picture still opens, fitted.
    void photoshopPictureOpens()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("layers.psd"));
        const int status = QProcess::execute(QStringLiteral("/usr/bin/convert"),
                                             {QStringLiteral("-size"), QStringLiteral("3000x1000"),
                                              QStringLiteral("xc:#2080c0"), path});
        if (status != 0)
            QSKIP("ImageMagick cannot write a Photoshop file here");
        const QImage shown = decodeForScreen(QFile::encodeName(path), QSize(1024, 768));
        QCOMPARE(shown.size(), QSize(1024, 341));
        QCOMPARE(shown.depth(), 32);
        QVERIFY(closeTo(shown.pixel(512, 170), 0xff2080c0));
    }

    void opensNamesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/caf\xe9-\xff.png";
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::green);
        {
            FILE* file = fopen(path.constData(), "wb");
            QVERIFY(file);
            QFile out;
            QVERIFY(out.open(file, QIODevice::WriteOnly));
            QVERIFY(image.save(&out, "png"));
            out.close();
            fclose(file);
        }
        QCOMPARE(decodeForScreen(path, QSize(1024, 768)).size(), QSize(20, 10));
    }

    // A GIF's frame is 24 x 16 but its canvas 24 x 9488: the decoder's size
    // before reading says one, the picture it gives the other. The picture
    // still fits the screen.
    void pictureLargerThanItsHeaderSaysStillFits()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/tall.gif";
        QFile file(QFile::decodeName(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromBase64(
            "R0lGODlhGAAQJfMAAP8AAO4AEd0AIswAM7sARKoAVZkAZogAd3cAiGYAmVUAqkQAuzMAzCIA3REA7gAA/yH5BAAAAAAALAAAAAAYABAAAA"
            "RcEMhJq50h6827FmAojmQ4nGh4bht87//A3mFILBqPRIRyyWx2y80uvuCweAxmmM/otPo2NTUzNbjbQa/b7/j6Lc/v+/98EQA7"));
        file.close();
        const QImage shown = decodeForScreen(path, QSize(1280, 1024));
        QVERIFY(!shown.isNull());
        QVERIFY2(shown.width() <= 1280 && shown.height() <= 1024,
            qPrintable(QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height())));
    }

    void whatCannotBeDecodedIsNull_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("gone") << QByteArray("gone.jpg") << QByteArray();
        QTest::newRow("not a picture") << QByteArray("notes.jpg") << QByteArray("just some text\n");
        QTest::newRow("cut short") << QByteArray("cut.jpg") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10);
        QTest::newRow("a folder") << QByteArray("folder.png") << QByteArray();
    }
    void whatCannotBeDecodedIsNull()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(name));
        if (name.startsWith("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(name)));
        else if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QVERIFY(decodeForScreen(QFile::encodeName(path), QSize(1024, 768)).isNull());
    }

    void emptyOrBrokenPathsAreNull()
    {
        QVERIFY(decodeForScreen(QByteArray(), QSize(1024, 768)).isNull());
        // The bytes after a NUL would otherwise be silently cut off.
        QTemporaryDir dir;
        const QByteArray path = writePicture(dir, QStringLiteral("a.png"), QSize(4, 4), "png");
        QVERIFY(decodeForScreen(path + QByteArray("\0/x", 3), QSize(1024, 768)).isNull());
    }
};

QTEST_GUILESS_MAIN(TestPictureDecoder)
#include "test_picturedecoder.moc"
