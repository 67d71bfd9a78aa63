#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "viewer/picturedecoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

const QString realHelper = QStringLiteral(LUMIGRID_BINARY_DIR "/lumigrid-decoder");
const QString faultyHelper = QStringLiteral(FAULTY_HELPER);
const QString bwrap = QStringLiteral("/usr/bin/bwrap");

using Outcome = DecoderPool::Outcome;

// Installed and allowed to make namespaces here (some systems forbid them).
bool haveBwrap()
{
    static const bool works = [] {
        if (!QFileInfo(bwrap).isExecutable())
            return false;
        QProcess probe;
        probe.start(bwrap, {QStringLiteral("--unshare-all"), QStringLiteral("--ro-bind"), QStringLiteral("/"),
                            QStringLiteral("/"), QStringLiteral("true")});
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }();
    return works;
}

DecoderPool::Options options(const QString& program, DecoderPool::Sandbox sandbox, int helpers = 1)
{
    DecoderPool::Options o;
    o.program = program;
    o.sandbox = sandbox;
    o.helpers = helpers;
    o.memoryLimit = 1LL << 30;
    o.timeLimit = std::chrono::milliseconds(2000);
    return o;
}

QImage pattern(QSize size, bool alpha)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 30, 40, 180));
    painter.drawEllipse(QRect(QPoint(0, 0), size / 2));
    painter.setBrush(QColor(20, 90, 220));
    painter.drawRect(size.width() / 2, size.height() / 3, size.width() / 3, size.height() / 2);
    return image;
}

// Noise does not compress, so it makes files of the medium and large classes.
QImage noisy(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = 0xff000000 | random.generate();
    }
    return image;
}

QByteArray write(const QTemporaryDir& dir, const QString& name, QSize size, bool noise = false)
{
    const QString path = dir.filePath(name);
    const QImage image = noise ? noisy(size) : pattern(size, name.endsWith(QLatin1String(".png")));
    if (!image.save(path, nullptr, name.endsWith(QLatin1String(".jpg")) ? 95 : -1))
        qFatal("cannot write %s", qPrintable(path));
    return QFile::encodeName(path);
}

// Qt cannot write Photoshop files; ImageMagick converts a PNG (skips without it).
QByteArray photoshop(const QTemporaryDir& dir, const QString& name, QSize size)
{
    const QString convert = QStringLiteral("/usr/bin/convert");
    if (!QFileInfo(convert).isExecutable())
        return {};
    const QString png = dir.filePath(QStringLiteral("source.png"));
    noisy(size).save(png);
    QProcess::execute(convert, {png, dir.filePath(name)});
    return QFile::encodeName(dir.filePath(name));
}

QByteArray touch(const QTemporaryDir& dir, const QString& name, const QByteArray& content = "not a picture")
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(content);
    return QFile::encodeName(file.fileName());
}

ThumbnailRequest thumbnailOf(const QByteArray& path)
{
    return {path, path.endsWith(".jpg"), true};
}

// Pictures travel at 32 bits per pixel; other formats are converted on the way.
QImage as32(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

void addSandboxColumn()
{
    QTest::addColumn<DecoderPool::Sandbox>("sandbox");
}

void skipWithoutBwrap(DecoderPool::Sandbox sandbox)
{
    if (sandbox == DecoderPool::Sandbox::Required && !haveBwrap())
        QSKIP("bubblewrap is not installed or cannot make a sandbox here");
}

} // namespace

Q_DECLARE_METATYPE(DecoderPool::Sandbox)
Q_DECLARE_METATYPE(DecoderPool::Outcome)

class TestDecoderPool : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(realHelper).isExecutable(), qPrintable(realHelper));
        QVERIFY2(QFileInfo(faultyHelper).isExecutable(), qPrintable(faultyHelper));
    }

    // One row per route of thumbnail making: the size class and the type
    // decide the decoder, and the helper must follow the same route.
    void helperAnswersAsInProcess_data()
    {
        addSandboxColumn();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("noise");
        QTest::addColumn<qint64>("minimumLength");
        QTest::addColumn<qint64>("maximumLength");
        QTest::addColumn<QSize>("screen");
        const QSize screen(1280, 1024);
        for (const auto& [mode, sandbox] : {std::pair("plain", DecoderPool::Sandbox::Off),
                                            std::pair("bwrap", DecoderPool::Sandbox::Required)}) {
            const QByteArray tag(mode);
            QTest::newRow(tag + " small png, general decoder")
                << sandbox << "small.png" << QSize(80, 60) << false << 0LL << 10239LL << screen;
            QTest::newRow(tag + " medium png, importer")
                << sandbox << "noise.png" << QSize(300, 200) << true << 10241LL << 1023999LL << screen;
            QTest::newRow(tag + " medium jpeg, jpeg decoder")
                << sandbox << "photo.jpg" << QSize(1600, 1200) << false << 10241LL << 1023999LL << screen;
            QTest::newRow(tag + " photoshop, importer through ImageMagick")
                << sandbox << "layers.psd" << QSize(300, 200) << true << 10241LL << 1023999LL << screen;
            QTest::newRow(tag + " large jpeg above the screen, importer")
                << sandbox << "big.jpg" << QSize(2000, 1500) << true << 1024001LL << (1LL << 30) << QSize(1024, 768);
        }
    }
    void helperAnswersAsInProcess()
    {
        QFETCH(DecoderPool::Sandbox, sandbox);
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(bool, noise);
        QFETCH(qint64, minimumLength);
        QFETCH(qint64, maximumLength);
        QFETCH(QSize, screen);
        skipWithoutBwrap(sandbox);
        // Pictures in the scratch folder of the tests (often /tmp) are visible to the sandbox too.
        QTemporaryDir dir;
        const QByteArray path =
            name.endsWith(QLatin1String(".psd")) ? photoshop(dir, name, size) : write(dir, name, size, noise);
        if (path.isEmpty())
            QSKIP("ImageMagick's convert is not installed");
        const qint64 length = QFileInfo(QFile::decodeName(path)).size();
        QVERIFY2(length >= minimumLength && length <= maximumLength, QByteArray::number(length));
        DecoderPool pool(options(realHelper, sandbox));

        for (const bool constrain : {true, false}) {
            const AcceptedFile file{path, name, name.endsWith(QLatin1String(".jpg"))};
            const std::optional<CatalogueEntry> expected = makeEntry(file, constrain, Decoders::forThumbnails());
            QVERIFY(expected);
            const std::optional<CatalogueEntry> entry = makeEntryInHelper(pool, file, constrain);
            QVERIFY(entry);
            QCOMPARE(entry->path, path);
            QCOMPARE(entry->name, name);
            QCOMPARE(entry->size, QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
            QCOMPARE(entry->size, expected->size);
            QCOMPARE(entry->thumbnail, as32(expected->thumbnail));
        }
        QCOMPARE(pool.sandboxed(), sandbox == DecoderPool::Sandbox::Required);

        const QImage shown = decodeForScreenInHelper(pool, path, screen);
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, as32(decodeForScreen(path, screen)));
        QCOMPARE(pool.started(), 1);
    }

    void filesWithoutAPictureGiveNoPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text named png") << "notes.png" << QByteArray("not a picture");
        QTest::newRow("empty jpeg") << "empty.jpg" << QByteArray();
        QTest::newRow("truncated png") << "cut.png" << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    }
    void filesWithoutAPictureGiveNoPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        DecoderPool pool(options(realHelper, DecoderPool::Sandbox::WhenAvailable));
        const QByteArray path = touch(dir, name, content);
        QCOMPARE(pool.thumbnail(thumbnailOf(path)).outcome, Outcome::NoPicture);
        QCOMPARE(pool.viewerPicture({path, QSize(800, 600)}).outcome, Outcome::NoPicture);
        QCOMPARE(pool.thumbnail(thumbnailOf(QFile::encodeName(dir.filePath("gone.png")))).outcome, Outcome::NoPicture);
        QCOMPARE(pool.thumbnail(thumbnailOf(QFile::encodeName(dir.path()))).outcome, Outcome::NoPicture);
        // A plain "no picture" does not cost the helper.
        QCOMPARE(pool.started(), 1);
    }

    void requestsOutOfBoundsAreNotSent()
    {
        DecoderPool pool(options(realHelper, DecoderPool::Sandbox::Off));
        QCOMPARE(pool.thumbnail(thumbnailOf({})).outcome, Outcome::NoPicture);
        QCOMPARE(pool.thumbnail(thumbnailOf(QByteArray("/a\0b.png", 8))).outcome, Outcome::NoPicture);
        QCOMPARE(pool.thumbnail(thumbnailOf("/" + QByteArray(5000, 'a'))).outcome, Outcome::NoPicture);
        QCOMPARE(pool.viewerPicture({"/x.png", QSize(0, 10)}).outcome, Outcome::NoPicture);
        QCOMPARE(pool.viewerPicture({"/x.png", QSize(16385, 10)}).outcome, Outcome::NoPicture);
        QCOMPARE(pool.started(), 0);
    }

    void faultyHelperGivesNoPictureAndIsRestarted_data()
    {
        addSandboxColumn();
        QTest::addColumn<QString>("name");
        QTest::addColumn<Outcome>("outcome");
        for (const auto& [mode, sandbox] : {std::pair("plain", DecoderPool::Sandbox::Off),
                                            std::pair("bwrap", DecoderPool::Sandbox::Required)}) {
            const QByteArray tag(mode);
            QTest::newRow(tag + " crash") << sandbox << "crash.png" << Outcome::Failed;
            QTest::newRow(tag + " endless loop") << sandbox << "hang.png" << Outcome::Failed;
            QTest::newRow(tag + " memory without bound") << sandbox << "hog.png" << Outcome::Failed;
            QTest::newRow(tag + " decoder throws") << sandbox << "throw.png" << Outcome::Failed;
            QTest::newRow(tag + " garbage answer") << sandbox << "garbage.png" << Outcome::Failed;
            QTest::newRow(tag + " four gigabyte answer") << sandbox << "oversized.png" << Outcome::Failed;
            QTest::newRow(tag + " thumbnail of the wrong size") << sandbox << "wrongsize.png" << Outcome::Failed;
            QTest::newRow(tag + " shared picture above the bound")
                << sandbox << "sharedtoolarge.png" << Outcome::Failed;
        }
    }
    void faultyHelperGivesNoPictureAndIsRestarted()
    {
        QFETCH(DecoderPool::Sandbox, sandbox);
        QFETCH(QString, name);
        QFETCH(Outcome, outcome);
        skipWithoutBwrap(sandbox);
#if defined(__SANITIZE_ADDRESS__)
        if (name.startsWith(QLatin1String("hog")))
            QSKIP("a sanitizer build runs helpers without a memory limit");
#endif
        QTemporaryDir dir;
        const QByteArray good = write(dir, QStringLiteral("good.png"), QSize(40, 30));
        const QByteArray bad = touch(dir, name);
        DecoderPool::Options o = options(faultyHelper, sandbox);
        o.memoryLimit = 512LL << 20;
        DecoderPool pool(o);
        QCOMPARE(pool.thumbnail(thumbnailOf(good)).outcome, Outcome::Picture);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(pool.thumbnail(thumbnailOf(bad)).outcome, outcome);
        // Generous: only a helper left running would break it.
        QVERIFY(clock.elapsed() < o.timeLimit.count() + 3000);

        const DecoderPool::Result next = pool.thumbnail(thumbnailOf(good));
        QCOMPARE(next.outcome, Outcome::Picture);
        QCOMPARE(next.sizeText, QStringLiteral("40 x 30"));
        QCOMPARE(pool.started(), 2);

        QCOMPARE(pool.viewerPicture({bad, QSize(640, 480)}).outcome, outcome);
        QCOMPARE(pool.viewerPicture({good, QSize(640, 480)}).outcome, Outcome::Picture);
        QCOMPARE(pool.started(), 3);
    }

    void helperThatDiedWhileIdleIsReplacedBeforeUse()
    {
        QTemporaryDir dir;
        const QByteArray good = write(dir, QStringLiteral("good.png"), QSize(40, 30));
        DecoderPool pool(options(faultyHelper, DecoderPool::Sandbox::Off));
        QCOMPARE(pool.thumbnail(thumbnailOf(touch(dir, QStringLiteral("quit.png")))).outcome, Outcome::NoPicture);
        QTest::qWait(300);
        QCOMPARE(pool.thumbnail(thumbnailOf(good)).outcome, Outcome::Picture);
        QCOMPARE(pool.started(), 2);
    }

    void concurrentCallsAllComplete()
    {
        QTemporaryDir dir;
        QList<QByteArray> paths;
        for (int i = 0; i < 12; ++i)
            paths << write(dir, QStringLiteral("p%1.png").arg(i), QSize(50 + i, 40));
        const QByteArray crash = touch(dir, QStringLiteral("crash.png"));
        DecoderPool pool(options(faultyHelper, DecoderPool::Sandbox::WhenAvailable, 2));

        std::atomic<int> pictures = 0;
        std::atomic<int> wrong = 0;
        std::atomic<int> failures = 0;
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&, t] {
                for (int round = 0; round < 3; ++round) {
                    for (int i = 0; i < paths.size(); ++i) {
                        const bool thumbnail = (i + t) % 2;
                        const DecoderPool::Result result = thumbnail
                            ? pool.thumbnail(thumbnailOf(paths[i]))
                            : pool.viewerPicture({paths[i], QSize(800, 600)});
                        if (result.outcome != Outcome::Picture
                            || result.picture.width() != (thumbnail ? 100 : 50 + i))
                            ++wrong;
                        else
                            ++pictures;
                    }
                    if (pool.thumbnail(thumbnailOf(crash)).outcome == Outcome::Failed)
                        ++failures;
                }
            });
        }
        for (std::thread& worker : workers)
            worker.join();
        QCOMPARE(wrong.load(), 0);
        QCOMPARE(pictures.load(), 4 * 3 * 12);
        QCOMPARE(failures.load(), 4 * 3);
    }

    void sandboxKeepsFilesAndNetworkOutOfReach_data()
    {
        addSandboxColumn();
        QTest::addColumn<bool>("writes");
        QTest::newRow("plain") << DecoderPool::Sandbox::Off << true;
        QTest::newRow("bwrap") << DecoderPool::Sandbox::Required << false;
    }
    void sandboxKeepsFilesAndNetworkOutOfReach()
    {
        QFETCH(DecoderPool::Sandbox, sandbox);
        QFETCH(bool, writes);
        skipWithoutBwrap(sandbox);
        QTemporaryDir dir;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        DecoderPool pool(options(faultyHelper, sandbox));

        const QByteArray probe = touch(dir, QStringLiteral("writeprobe.png"));
        QCOMPARE(pool.thumbnail(thumbnailOf(probe)).outcome, writes ? Outcome::Picture : Outcome::NoPicture);
        QCOMPARE(QFileInfo::exists(QFile::decodeName(probe + ".written")), writes);

        // No helper opens a socket, sandbox or not.
        const QByteArray connect = touch(dir, QStringLiteral("connect-%1.png").arg(server.serverPort()));
        QCOMPARE(pool.thumbnail(thumbnailOf(connect)).outcome, Outcome::NoPicture);
        QCOMPARE(pool.started(), 1);
    }

    // Where bubblewrap is installed but may not make namespaces.
    void refusedSandboxFallsBackToPlainHelpers()
    {
        QTemporaryDir dir;
        const QByteArray good = write(dir, QStringLiteral("good.png"), QSize(40, 30));
        DecoderPool::Options o = options(realHelper, DecoderPool::Sandbox::WhenAvailable);
        o.bwrap = QStringLiteral("/bin/false");
        DecoderPool pool(o);
        QCOMPARE(pool.thumbnail(thumbnailOf(good)).outcome, Outcome::Picture);
        QVERIFY(!pool.sandboxed());

        o.sandbox = DecoderPool::Sandbox::Required;
        DecoderPool strict(o);
        QCOMPARE(strict.thumbnail(thumbnailOf(good)).outcome, Outcome::Unavailable);
    }

    void missingHelperIsUnavailable()
    {
        QTemporaryDir dir;
        DecoderPool pool(options(dir.filePath(QStringLiteral("no-such-helper")), DecoderPool::Sandbox::WhenAvailable));
        const QByteArray good = write(dir, QStringLiteral("good.png"), QSize(40, 30));
        QCOMPARE(pool.thumbnail(thumbnailOf(good)).outcome, Outcome::Unavailable);
        QCOMPARE(pool.viewerPicture({good, QSize(800, 600)}).outcome, Outcome::Unavailable);
    }
};

QTEST_GUILESS_MAIN(TestDecoderPool)
#include "test_decoderpool.moc"
