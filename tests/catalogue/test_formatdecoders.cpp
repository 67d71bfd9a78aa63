#include "catalogue/jpegscaled.h"
#include "catalogue/openasimagemodule.h"
#include "catalogue/pngreduced.h"
#include "catalogue/psdcomposite.h"
#include "catalogue/thumbnailgeometry.h"
#include "catalogue/tiffstrips.h"
#include "fixtures.h"

#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

// The program's own PNG, TIFF and Photoshop readers: the thumbnail is the
// written picture's, up to resampling, and the variants they leave alone
// still give it through libvips.
namespace {

using Decode = FormatDecode (*)(int descriptor, int side);

QImage scene(int width, int height, bool transparent)
{
    QImage picture(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(230, 180, 40));
    gradient.setColorAt(1, QColor(30, 60, 200, transparent ? 90 : 255));
    painter.fillRect(picture.rect(), gradient);
    painter.setBrush(QColor(20, 160, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRect(width / 5, height / 4, width / 2, height / 2));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRect(QRect(width * 3 / 4, height / 8, width / 8, height * 3 / 4));
    return picture;
}

QByteArray written(const QImage& picture, const char* format, int compression = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (compression >= 0)
        writer.setCompression(compression);
    writer.write(picture);
    return data;
}

QByteArray throughVips(const QImage& picture, const char* suffix, const char* options)
{
    // libvips takes rows without the padding QImage gives them.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray packed;
    for (int y = 0; y < rgb.height(); ++y)
        packed.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    vips::VImage image = vips::VImage::new_from_memory(packed.data(), size_t(packed.size()), rgb.width(), rgb.height(),
        3, VIPS_FORMAT_UCHAR)
                             .copy_memory();
    if (qstrcmp(options, "16") == 0)
        image = (image.cast(VIPS_FORMAT_USHORT) * 256 + 37).cast(VIPS_FORMAT_USHORT).copy(
            vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    void* buffer = nullptr;
    size_t length = 0;
    image.write_to_buffer((QByteArray(suffix) + (qstrcmp(options, "16") == 0 ? "" : options)).constData(), &buffer, &length);
    const QByteArray data(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return data;
}

// ImageMagick writes the Photoshop files and the big-endian TIFF; empty when
// it is not installed.
QByteArray throughMagick(const QImage& picture, const QStringList& options, const QString& format)
{
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"), QStringList {QStringLiteral("png:-")} + options + QStringList {format + ":-"});
    if (!convert.waitForStarted())
        return {};
    convert.write(Fixtures::encode(picture, "png"));
    convert.closeWriteChannel();
    convert.waitForFinished();
    return convert.exitCode() == 0 ? convert.readAllStandardOutput() : QByteArray();
}

// 16 bits a sample whose low byte differs from the high one, so that
// reading the wrong one shows.
QImage sixteenBits(const QImage& picture, QImage::Format format)
{
    QImage wide = picture.convertToFormat(format);
    for (int y = 0; y < wide.height(); ++y) {
        auto* samples = reinterpret_cast<quint16*>(wide.scanLine(y));
        const int count = format == QImage::Format_Grayscale16 ? wide.width() : 4 * wide.width();
        for (int i = 0; i < count; ++i)
            samples[i] = quint16((samples[i] & 0xff00) | 37);
    }
    return wide;
}

} // namespace

Q_DECLARE_METATYPE(Decode)

class TestFormatDecoders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(VIPS_INIT("test_formatdecoders") == 0); }

    void thumbnailOfTheWrittenPicture_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QImage>("written");
        QTest::addColumn<Decode>("decode");
        QTest::addColumn<bool>("ours");  // false: left to libvips
        const QImage opaque = scene(701, 403, false);
        const QImage clear = scene(403, 701, true);
        const QImage grey = opaque.convertToFormat(QImage::Format_Grayscale8);
        const Decode png = decodePngReduced;
        const Decode tiff = decodeTiffStrips;
        const Decode psd = decodePsdComposite;

        QTest::newRow("PNG RGB") << written(opaque, "png") << opaque << png << true;
        QTest::newRow("PNG RGBA") << written(clear, "png") << clear << png << true;
        QTest::newRow("PNG grey") << written(grey, "png") << grey << png << true;
        QTest::newRow("PNG grey 16 bits") << written(sixteenBits(grey, QImage::Format_Grayscale16), "png") << grey << png
                                          << true;
        QTest::newRow("PNG RGBA 16 bits") << written(sixteenBits(clear, QImage::Format_RGBA64), "png") << clear << png
                                          << true;
        const QImage four = opaque.convertToFormat(QImage::Format_Indexed8,
            {qRgb(230, 180, 40), qRgb(20, 160, 60), qRgb(250, 250, 250), qRgb(30, 60, 200)}, Qt::ThresholdDither);
        QTest::newRow("PNG palette, 4 bits") << written(four, "png") << four << png << true;
        QImage mono(701, 403, QImage::Format_Mono);
        mono.fill(0);
        QPainter(&mono).fillRect(100, 50, 300, 200, Qt::color1);
        QTest::newRow("PNG 1 bit") << written(mono, "png") << mono << png << true;
        QTest::newRow("PNG interlaced") << throughVips(opaque, ".png", "[interlace]") << opaque << png << false;

        QTest::newRow("TIFF RGB") << written(opaque, "tiff") << opaque << tiff << true;
        QTest::newRow("TIFF grey") << written(grey, "tiff") << grey << tiff << true;
        QTest::newRow("TIFF RGBA") << written(clear, "tiff") << clear << tiff << true;
        QTest::newRow("TIFF 16 bits") << throughVips(opaque, ".tif", "16") << opaque << tiff << true;
        QTest::newRow("TIFF LZW") << written(opaque, "tiff", 1) << opaque << tiff << false;
        const QByteArray motorola = throughMagick(opaque, {"-endian", "MSB", "-compress", "None"}, "tiff");
        if (!motorola.isEmpty())
            QTest::newRow("TIFF big-endian") << motorola << opaque << tiff << true;

        const QStringList flat {"-depth", "8"};
        const QByteArray rle = throughMagick(opaque, flat + QStringList {"-compress", "RLE"}, "psd");
        if (rle.isEmpty())
            return;
        QTest::newRow("PSD RGB, run-length") << rle << opaque << psd << true;
        QTest::newRow("PSD RGB, raw") << throughMagick(opaque, flat + QStringList {"-compress", "None"}, "psd") << opaque
                                      << psd << true;
        QTest::newRow("PSD with transparency") << throughMagick(clear, flat, "psd") << clear << psd << true;
        QTest::newRow("PSD grey") << throughMagick(grey, flat + QStringList {"-colorspace", "Gray"}, "psd") << grey << psd
                                  << true;
        QTest::newRow("PSD 16 bits") << throughMagick(opaque, {"-depth", "16"}, "psd") << opaque << psd << true;
        QTest::newRow("PSD CMYK") << throughMagick(opaque, flat + QStringList {"-colorspace", "CMYK"}, "psd") << opaque
                                  << psd << false;
    }
    void thumbnailOfTheWrittenPicture()
    {
        QFETCH(QByteArray, file);
        QFETCH(QImage, written);
        QFETCH(Decode, decode);
        QFETCH(bool, ours);
        QVERIFY(!file.isEmpty());
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/picture";
        QVERIFY(Fixtures::writeBytes(path, file));
        const int descriptor = ::open(path.constData(), O_RDONLY);
        const FormatDecode decoded = decode(descriptor, 100);
        ::close(descriptor);
        QCOMPARE(int(decoded.outcome), int(ours ? FormatDecode::Outcome::picture : FormatDecode::Outcome::unsupported));

        const ImportedPicture imported = OpenAsImageModule::importPicture(path, 100);
        QVERIFY(imported.opened && !imported.picture.isNull());
        QCOMPARE(imported.picture.fullSize, written.size());
        if (!ours)
            return;
        const QImage expected = drawThumbnail(written.convertToFormat(QImage::Format_ARGB32), written.size(), true);
        const QImage made = drawThumbnail(imported.picture.picture, imported.picture.fullSize, true);
        qint64 sum = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const QRgb p = made.pixel(x, y);
                const QRgb q = expected.pixel(x, y);
                sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
            }
        }
        const double mean = sum / 30000.0;
        QVERIFY2(mean < 4, qPrintable(QString::number(mean)));
    }

    // Structures that do not add up never reach past the file, and a file
    // that ends early is left to libvips.
    void brokenFilesAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Decode>("decode");
        const QImage opaque = scene(300, 200, false);
        const QByteArray png = written(opaque, "png");
        const QByteArray tiff = written(opaque, "tiff");
        QTest::newRow("PNG cut short") << png.left(png.size() / 2) << Decode(decodePngReduced);
        QTest::newRow("PNG, header only") << png.left(33) << Decode(decodePngReduced);
        QTest::newRow("TIFF cut short") << tiff.left(tiff.size() / 2) << Decode(decodeTiffStrips);
        QTest::newRow("TIFF header only") << tiff.left(8) << Decode(decodeTiffStrips);
        const QByteArray psd = throughMagick(opaque, {"-depth", "8", "-compress", "RLE"}, "psd");
        if (!psd.isEmpty()) {
            QTest::newRow("PSD cut short") << psd.left(psd.size() / 3) << Decode(decodePsdComposite);
            QByteArray huge = psd;
            // A header declaring 30000 x 30000.
            qToBigEndian<quint32>(30000, huge.data() + 14);
            qToBigEndian<quint32>(30000, huge.data() + 18);
            QTest::newRow("PSD declaring 30000 x 30000") << huge << Decode(decodePsdComposite);
        }
    }
    void brokenFilesAreLeftAlone()
    {
        QFETCH(QByteArray, file);
        QFETCH(Decode, decode);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/broken";
        QVERIFY(Fixtures::writeBytes(path, file));
        const int descriptor = ::open(path.constData(), O_RDONLY);
        const FormatDecode decoded = decode(descriptor, 100);
        ::close(descriptor);
        QCOMPARE(int(decoded.outcome), int(FormatDecode::Outcome::unsupported));
    }

    // Files damaged at random: every decoder returns, and what it returns is
    // a picture no larger than asked for (run under the sanitizers too).
    void damagedFilesAreDecodedSafely_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Decode>("decode");
        const QImage opaque = scene(1000, 760, false);
        QTest::newRow("JPEG, an eighth from the DC coefficients") << written(opaque, "jpeg") << Decode(decodeJpegScaled);
        QTest::newRow("JPEG through libjpeg") << written(opaque.scaled(300, 228), "jpeg") << Decode(decodeJpegScaled);
        QTest::newRow("PNG") << written(scene(300, 228, true), "png") << Decode(decodePngReduced);
        QTest::newRow("PNG palette")
            << written(opaque.scaled(300, 228).convertToFormat(QImage::Format_Indexed8), "png") << Decode(decodePngReduced);
        QTest::newRow("TIFF") << written(opaque.scaled(300, 228), "tiff") << Decode(decodeTiffStrips);
        const QByteArray psd = throughMagick(opaque.scaled(300, 228), {"-depth", "8", "-compress", "RLE"}, "psd");
        if (!psd.isEmpty())
            QTest::newRow("PSD") << psd << Decode(decodePsdComposite);
    }
    void damagedFilesAreDecodedSafely()
    {
        QFETCH(QByteArray, file);
        QFETCH(Decode, decode);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/damaged";
        QRandomGenerator random(2024);
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = file;
            const int kind = int(random.bounded(3));
            if (kind == 0) {
                for (int i = 0, n = int(random.bounded(1, 12)); i < n; ++i)
                    damaged[int(random.bounded(damaged.size()))] = char(random.bounded(256));
            } else if (kind == 1) {
                damaged.truncate(int(random.bounded(damaged.size())));
            } else {
                // Damage near the start, where the headers and tables are.
                for (int i = 0, n = int(random.bounded(1, 4)); i < n; ++i)
                    damaged[int(random.bounded(std::min<qsizetype>(damaged.size(), 400)))] = char(random.bounded(256));
            }
            QVERIFY(Fixtures::writeBytes(path, damaged));
            const int descriptor = ::open(path.constData(), O_RDONLY);
            const FormatDecode decoded = decode(descriptor, 100);
            ::close(descriptor);
            if (decoded.outcome == FormatDecode::Outcome::picture) {
                const QImage& picture = decoded.picture.picture;
                QVERIFY(!picture.isNull());
                QVERIFY(!decoded.picture.fullSize.isEmpty());
                QVERIFY(qint64(picture.width()) * picture.height() <= 4 * 1024 * 1024);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFormatDecoders)
#include "test_formatdecoders.moc"
