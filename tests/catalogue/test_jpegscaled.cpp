#include "catalogue/jpegdcdecoder.h"
#include "catalogue/jpegscaled.h"
#include "fixtures.h"

#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Smooth areas, edges and some grain: what photographs hold.
QImage photograph(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(200, 60, 30));
    gradient.setColorAt(1, QColor(20, 90, 220));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv(i * 30, 200, 230));
        painter.drawEllipse(QPoint(width * (i % 4 + 1) / 5, height * (i / 4 + 1) / 4), width / 12, height / 9);
    }
    painter.end();
    quint32 state = 99;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28) - 8;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return picture;
}

QByteArray jpegWithVips(const QImage& picture, int quality, bool subsample, int restart, bool grey)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    vips::VImage image = vips::VImage::new_from_memory(const_cast<uchar*>(rgb.constBits()), size_t(rgb.sizeInBytes()),
        rgb.width(), rgb.height(), 3, VIPS_FORMAT_UCHAR)
                             .copy_memory();
    if (grey)
        image = image.colourspace(VIPS_INTERPRETATION_B_W);
    VipsBlob* blob = image.jpegsave_buffer(vips::VImage::option()
            ->set("Q", quality)
            ->set("subsample_mode", subsample ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF)
            ->set("restart_interval", restart)
            ->set("optimize_coding", restart > 0));
    const QByteArray data(static_cast<const char*>(VIPS_AREA(blob)->data), qsizetype(VIPS_AREA(blob)->length));
    vips_area_unref(VIPS_AREA(blob));
    return data;
}

// ImageMagick writes the subsamplings libvips does not.
QByteArray jpegWithMagick(const QImage& picture, const QString& sampling)
{
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"),
        {QStringLiteral("png:-"), QStringLiteral("-quality"), QStringLiteral("90"), QStringLiteral("-sampling-factor"),
            sampling, QStringLiteral("jpg:-")});
    if (!convert.waitForStarted())
        return {};
    convert.write(Fixtures::encode(picture, "png"));
    convert.closeWriteChannel();
    convert.waitForFinished();
    return convert.exitCode() == 0 ? convert.readAllStandardOutput() : QByteArray();
}

struct Reader {
    jpeg_decompress_struct info {};
    jpeg_error_mgr error {};
    explicit Reader(const QByteArray& data)
    {
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()), (unsigned long)data.size());
        jpeg_read_header(&info, TRUE);
    }
    ~Reader() { jpeg_destroy_decompress(&info); }
};

// libjpeg's own decode at 1/8, colour planes upsampled plainly.
QImage eighthByLibjpeg(const QByteArray& data)
{
    Reader reader(data);
    reader.info.scale_num = 1;
    reader.info.scale_denom = 8;
    reader.info.out_color_space = JCS_EXT_BGRX;
    reader.info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&reader.info);
    QImage picture(int(reader.info.output_width), int(reader.info.output_height), QImage::Format_RGB32);
    while (reader.info.output_scanline < reader.info.output_height) {
        JSAMPROW row = picture.scanLine(int(reader.info.output_scanline));
        jpeg_read_scanlines(&reader.info, &row, 1);
    }
    jpeg_finish_decompress(&reader.info);
    return picture;
}

QImage eighthFromDc(const QByteArray& data, bool* usable)
{
    Reader reader(data);
    JpegDcDecoder decoder(&reader.info);
    *usable = decoder.canDecode();
    QImage picture(decoder.size(), QImage::Format_RGB32);
    decoder.decode([&](int y, const QRgb* row) {
        std::copy_n(row, picture.width(), reinterpret_cast<QRgb*>(picture.scanLine(y)));
        return true;
    });
    return picture;
}

int luma(QRgb p)
{
    return (299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p) + 500) / 1000;
}

// The largest and the mean difference of any channel, or of the luma alone.
std::pair<int, double> difference(const QImage& a, const QImage& b, bool lumaOnly)
{
    int worst = 0;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int d = lumaOnly
                ? qAbs(luma(p) - luma(q))
                : std::max({qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q))});
            worst = std::max(worst, d);
            sum += d;
        }
    }
    return {worst, double(sum) / (qint64(a.width()) * a.height())};
}

FormatDecode decodeFile(const QByteArray& data, int side)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + "/p.jpg";
    if (!Fixtures::writeBytes(path, data))
        return {};
    const int descriptor = ::open(path.constData(), O_RDONLY);
    const FormatDecode decoded = decodeJpegScaled(descriptor, side);
    ::close(descriptor);
    return decoded;
}

} // namespace

class TestJpegScaled : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(VIPS_INIT("test_jpegscaled") == 0); }

    // The DC decoder gives libjpeg's eighth: exactly where the colour planes
    // are not subsampled both ways. With 4:2:0 libjpeg's eighth keeps a
    // little more colour detail, so only the luma is the same there.
    void eighthAsLibjpegMakesIt_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<bool>("lumaOnly");
        const QImage picture = photograph(1001, 777);
        QTest::newRow("4:4:4 at quality 100, blocks ending at their last coefficient")
            << jpegWithVips(picture, 100, false, 0, false) << false;
        QTest::newRow("4:2:0 at quality 90") << jpegWithVips(picture, 90, true, 0, false) << true;
        QTest::newRow("4:4:4, restart every MCU") << jpegWithVips(picture, 85, false, 1, false) << false;
        QTest::newRow("4:2:0, restart every 3 MCUs, own tables") << jpegWithVips(picture, 75, true, 3, false) << true;
        QTest::newRow("grey") << jpegWithVips(picture, 90, false, 0, true) << false;
        QTest::newRow("Qt's writer, standard tables") << Fixtures::encode(picture, "jpeg", 92) << true;
        const QByteArray sampled = jpegWithMagick(picture, QStringLiteral("2x1"));
        if (!sampled.isEmpty())
            QTest::newRow("4:2:2 (ImageMagick)") << sampled << false;
    }
    void eighthAsLibjpegMakesIt()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(bool, lumaOnly);
        const QImage expected = eighthByLibjpeg(jpeg);
        bool usable = false;
        const QImage made = eighthFromDc(jpeg, &usable);
        QVERIFY(usable);
        QCOMPARE(made.size(), expected.size());
        // Colours at the edge of the range clip, which moves their luma.
        const auto [largest, average] = difference(made, expected, lumaOnly);
        QVERIFY2(lumaOnly ? largest <= 12 && average <= 0.5 : largest == 0,
            qPrintable(QStringLiteral("%1, %2").arg(largest).arg(average)));
    }

    void progressiveIsLeftToLibjpeg()
    {
        const QImage picture = photograph(900, 900);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(picture));
        bool usable = true;
        eighthFromDc(data, &usable);
        QVERIFY(!usable);
        const FormatDecode decoded = decodeFile(data, 100);
        QCOMPARE(int(decoded.outcome), int(FormatDecode::Outcome::picture));
        QCOMPARE(decoded.picture.fullSize, QSize(900, 900));
        QVERIFY(decoded.picture.picture.width() >= 100 && decoded.picture.picture.width() < 900);
    }

    // Data that ends early shows what arrived, the rest mid-grey; data that
    // is damaged still gives a picture of the declared size.
    void shortOrDamagedData_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("ends halfway") << false;
        QTest::newRow("random bytes in the scan") << true;
    }
    void shortOrDamagedData()
    {
        QFETCH(bool, damaged);
        const QImage picture = Fixtures::solid(1600, 1200, QColor(200, 30, 30));
        QByteArray data = Fixtures::encode(picture, "jpeg", 90);
        if (damaged) {
            QRandomGenerator random(7);
            for (int i = 0; i < 300; ++i)
                data[int(data.size() / 3 + random.bounded(data.size() / 2))] = char(random.bounded(256));
        } else {
            data.truncate(data.size() / 2);
        }
        const FormatDecode decoded = decodeFile(data, 100);
        QCOMPARE(int(decoded.outcome), int(FormatDecode::Outcome::picture));
        QCOMPARE(decoded.picture.fullSize, QSize(1600, 1200));
        const QImage& reduced = decoded.picture.picture;
        QVERIFY(reduced.width() >= 100 && reduced.height() >= 100);
        const QRgb top = reduced.pixel(reduced.width() / 2, 1);
        QVERIFY2(qRed(top) > 180 && qGreen(top) < 60, qPrintable(QString::number(top, 16)));
        if (!damaged) {
            const QRgb bottom = reduced.pixel(reduced.width() / 2, reduced.height() - 1);
            QVERIFY2(qAbs(qRed(bottom) - 128) < 4 && qAbs(qGreen(bottom) - 128) < 4, qPrintable(QString::number(bottom, 16)));
        }
    }
};

QTEST_GUILESS_MAIN(TestJpegScaled)
#include "test_jpegscaled.moc"
