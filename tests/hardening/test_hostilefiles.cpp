#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "hostilefiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Files made to crash, hang or exhaust a decoder, given to the program's
// decoding both in a helper and in-process (its fallback when no helper can
// be started): every call returns, a picture that comes back is well
// formed, and the pool decodes the next good file as before.
namespace {

const QSize screen(1280, 1024);

DecoderPool::Options helperOptions()
{
    DecoderPool::Options options;
    options.program = QStringLiteral(LUMIGRID_BINARY_DIR "/lumigrid-decoder");
    options.helpers = 2;
    options.memoryLimit = 1LL << 30;
    // Files that keep a decoder busy for minutes are cut off sooner.
    options.timeLimit = std::chrono::milliseconds(3000);
    return options;
}

QByteArray pathIn(const QTemporaryDir& dir, const QByteArray& name)
{
    return QFile::encodeName(dir.path()) + '/' + name;
}

// Writes the file, padded with zeros to length when longer, so that it
// falls in the size class that length stands for.
QByteArray place(const QTemporaryDir& dir, const QByteArray& name, const QByteArray& bytes, qint64 length = 0)
{
    const QByteArray path = pathIn(dir, name);
    if (!Fixtures::writeBytes(path, bytes) || (length > bytes.size() && ::truncate(path.constData(), length) != 0))
        qFatal("cannot write %s", path.constData());
    return path;
}

bool isJpegName(const QByteArray& name)
{
    return name.toUpper().endsWith(".JPG") || name.toUpper().endsWith("JPEG");
}

// What one file gave each way, checked for shape.
struct Decoded {
    std::optional<CatalogueEntry> inProcess;
    std::optional<CatalogueEntry> inHelper;
    QImage viewer;
    QImage viewerInProcess;
};

void checkEntry(const std::optional<CatalogueEntry>& entry, const QByteArray& path)
{
    if (!entry)
        return;
    QCOMPARE(entry->path, path);
    QCOMPARE(entry->thumbnail.size(), QSize(100, 100));
    QVERIFY2(QRegularExpression(QStringLiteral("^[1-9][0-9]* x [1-9][0-9]*$")).match(entry->size).hasMatch(),
        qPrintable(entry->size));
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<DecoderPool> m_pool;
    // No helper to start: the program decodes in-process.
    std::unique_ptr<DecoderPool> m_withoutHelper;
    QByteArray m_good;

    // In-process decoding is the fallback for a program without its helper;
    // it has no time limit, so it only gets the files that cannot hold it up
    // for long.
    Decoded decodeEveryWay(const QByteArray& path, const QByteArray& name, bool inProcess = true)
    {
        const AcceptedFile file {path, QFile::decodeName(name), isJpegName(name)};
        Decoded decoded;
        if (inProcess) {
            decoded.inProcess = makeEntryInHelper(*m_withoutHelper, file, true);
            decoded.viewerInProcess = decodeForScreenInHelper(*m_withoutHelper, path, screen);
        }
        decoded.inHelper = makeEntryInHelper(*m_pool, file, true);
        decoded.viewer = decodeForScreenInHelper(*m_pool, path, screen);
        return decoded;
    }

    void checkPoolStillDecodes()
    {
        const DecoderPool::Result good = m_pool->thumbnail({m_good, false, true});
        QCOMPARE(good.outcome, DecoderPool::Outcome::Picture);
        QCOMPARE(good.sizeText, QStringLiteral("40 x 30"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pool = std::make_unique<DecoderPool>(helperOptions());
        DecoderPool::Options missing = helperOptions();
        missing.program = m_dir.filePath(QStringLiteral("no-helper"));
        missing.sandbox = DecoderPool::Sandbox::Off;
        m_withoutHelper = std::make_unique<DecoderPool>(missing);
        m_good = place(m_dir, "good.png", Fixtures::encode(Fixtures::solid(40, 30, Qt::red), "png"));
        checkPoolStillDecodes();
    }

    // Small files go to Qt's readers, medium and large ones to libvips
    // first (the size classes of thumbnail making), so each claim comes in
    // several lengths.
    void enormousDeclaredSizes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("length");
        using namespace HostileFiles;
        const qint64 medium = 20000;
        const qint64 large = 2000000;
        for (const quint32 side : {50000u, 64250u}) {
            const QByteArray size = QByteArray::number(side);
            for (const qint64 length : {qint64(0), medium, large}) {
                const QByteArray tag = size + (length == 0 ? " small" : length == medium ? " medium" : " large");
                QTest::newRow("PNG " + tag) << QByteArray("bomb.png") << Fixtures::pngDeclaring(side, side) << length;
                QTest::newRow("JPEG " + tag) << QByteArray("bomb.jpg")
                                             << Fixtures::jpegDeclaring(quint16(side), quint16(side)) << length;
                QTest::newRow("PBM named .png " + tag) << QByteArray("bomb.png") << pbmDeclaring(side, side) << length;
                QTest::newRow("PBM text named .tif " + tag)
                    << QByteArray("bomb.tif") << pbmDeclaring(side, side, false) << length;
                PhotoshopLayout claim;
                claim.declaredWidth = claim.declaredHeight = side;
                QTest::newRow("PSD " + tag) << QByteArray("bomb.psd") << photoshop(claim) << length;
            }
        }
        for (const quint32 length : {0x7ffffff0u, 0xfffffff0u}) {
            const QByteArray tag = QByteArray::number(length, 16);
            PhotoshopLayout colour;
            colour.colourDataLength = length;
            QTest::newRow("PSD colour data length " + tag) << QByteArray("long.psd") << photoshop(colour) << qint64(0);
            PhotoshopLayout resources;
            resources.resourcesLength = length;
            QTest::newRow("PSD resources length " + tag) << QByteArray("long.psd") << photoshop(resources) << qint64(0);
            PhotoshopLayout layers;
            layers.layersLength = length;
            QTest::newRow("PSD layers length " + tag) << QByteArray("long.psd") << photoshop(layers) << qint64(0);
        }
        // A text bitmap declaring 40 gigapixels, named as a JPEG.
        QTest::newRow("PBM text named .jpeg 664250 x 64250 medium")
            << QByteArray("bomb.jpeg") << HostileFiles::pbmDeclaring(664250, 64250, false) << qint64(20000);
        PhotoshopLayout both;
        both.declaredWidth = both.declaredHeight = 30000;
        both.layersLength = 0xfffffff0u;
        QTest::newRow("PSD 30000 x 30000 and a long layer length")
            << QByteArray("long.psd") << photoshop(both) << qint64(large);
    }

    void enormousDeclaredSizes()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, length);
        const QByteArray path = place(m_dir, name, bytes, length);
        // In-process too: beyond a gigapixel, a picture libvips would read
        // pixel by pixel (a bitmap claiming 50000 x 50000, padding and all)
        // gives no picture at once instead of holding the scan for minutes.
        const Decoded decoded = decodeEveryWay(path, name);
        checkEntry(decoded.inProcess, path);
        checkEntry(decoded.inHelper, path);
        QVERIFY(decoded.viewerInProcess.width() <= screen.width() && decoded.viewerInProcess.height() <= screen.height());
        QVERIFY(decoded.viewer.width() <= screen.width() && decoded.viewer.height() <= screen.height());
        checkPoolStillDecodes();
    }

    // A Netpbm bitmap stores its pixels as they are: one far shorter than its
    // header's pixels is broken, and gives no picture (decoded, libvips and
    // Qt read past its end for every missing pixel, for many seconds).
    void cutShortBitmapsGiveNoPicture_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("length");
        QTest::newRow("text, 425 x 64250, named .jpeg")
            << QByteArray("cut.jpeg") << HostileFiles::pbmDeclaring(425, 64250, false) << qint64(20000);
        QTest::newRow("binary, 6000 x 6000, named .png")
            << QByteArray("cut.png") << HostileFiles::pbmDeclaring(6000, 6000) << qint64(20000);
    }
    void cutShortBitmapsGiveNoPicture()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, length);
        const QByteArray path = place(m_dir, name, bytes, length);
        const Decoded decoded = decodeEveryWay(path, name);
        QVERIFY(!decoded.inProcess);
        QVERIFY(!decoded.inHelper);
        QVERIFY(decoded.viewerInProcess.isNull());
        QVERIFY(decoded.viewer.isNull());
    }

    // Each sample cut short at every offset of its first bytes (the
    // headers) and at offsets spread over the rest.
    void truncatedFiles_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        for (const HostileFiles::Sample& sample : HostileFiles::samples())
            QTest::newRow(sample.name.constData()) << sample.name << sample.bytes;
    }

    void truncatedFiles()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        const Decoded whole = decodeEveryWay(place(m_dir, name, bytes), name);
        QVERIFY(whole.inProcess);
        QVERIFY(whole.inHelper);
        QVERIFY(!whole.viewer.isNull());
        for (const qsizetype cut : HostileFiles::cuts(bytes.size(), 48, 24)) {
            const QByteArray path = place(m_dir, "cut-" + name, bytes.left(cut));
            const Decoded decoded = decodeEveryWay(path, name);
            checkEntry(decoded.inProcess, path);
            checkEntry(decoded.inHelper, path);
            QVERIFY(decoded.viewer.width() <= screen.width());
            QCOMPARE(decoded.viewer.size(), decoded.viewerInProcess.size());
            if (decoded.inHelper && decoded.inProcess)
                QCOMPARE(decoded.inHelper->size, decoded.inProcess->size);
            else
                QVERIFY2(!decoded.inHelper, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
        checkPoolStillDecodes();
    }

    // Only the first frame is ever decoded: the thumbnail and the viewer
    // show it, whatever follows.
    void gifOfTwoThousandFrames()
    {
        const QByteArray path = place(m_dir, "frames.gif", HostileFiles::animatedGif(2000, 64, 48));
        const Decoded decoded = decodeEveryWay(path, "frames.gif");
        for (const std::optional<CatalogueEntry>& entry : {decoded.inProcess, decoded.inHelper}) {
            QVERIFY(entry);
            QCOMPARE(entry->size, QStringLiteral("64 x 48"));
            QCOMPARE(qRed(entry->thumbnail.pixel(50, 30)), 255);
        }
        QCOMPARE(decoded.viewer.size(), QSize(64, 48));
        QCOMPARE(decoded.viewer.pixel(10, 2), qRgb(255, 0, 0));
    }

    // Names a scan accepts that lead somewhere no picture is: a character
    // device that never ends, the kernel's memory, a pipe nobody writes,
    // links that go round in circles. None blocks the program. (/proc/kmsg,
    // a regular file whose reads wait for the kernel, is left out: reading
    // it takes the messages from the system's log.)
    void namesThatLeadNowhere_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("/dev/zero") << QByteArray("/dev/zero");
        QTest::newRow("/dev/urandom") << QByteArray("/dev/urandom");
        QTest::newRow("/proc/kcore") << QByteArray("/proc/kcore");
        QTest::newRow("/proc/self/mem") << QByteArray("/proc/self/mem");
        QTest::newRow("/dev/stdin") << QByteArray("/dev/stdin");
        QTest::newRow("a pipe") << QByteArray("pipe");
        QTest::newRow("a link to itself") << QByteArray("self.png");
        QTest::newRow("a link to a link to the first") << QByteArray("other.png");
    }

    void namesThatLeadNowhere()
    {
        QFETCH(QByteArray, target);
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        QCOMPARE(::mkfifo((folder + "/pipe").constData(), 0644), 0);
        QCOMPARE(::symlink("other.png", (folder + "/self.png").constData()), 0);
        QCOMPARE(::symlink("self.png", (folder + "/other.png").constData()), 0);
        const QByteArray link = target.endsWith(".png") ? folder + '/' + target : folder + "/link.png";
        if (!target.endsWith(".png"))
            QCOMPARE(::symlink(target.constData(), link.constData()), 0);
        const AcceptedFile file {link, QStringLiteral("link.png"), false};
        for (DecoderPool* pool : {m_pool.get(), m_withoutHelper.get()}) {
            QVERIFY(!makeEntryInHelper(*pool, file, true));
            QVERIFY(decodeForScreenInHelper(*pool, link, screen).isNull());
        }
        checkPoolStillDecodes();
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "test_hostilefiles.moc"
