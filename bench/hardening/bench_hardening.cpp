// Hostile files through the program's decoding, counted and timed: every
// sample type cut at thousands of offsets, headers claiming billions of
// pixels, a 2,000-frame GIF, a real PNG of 64250 x 64250 pixels, and a deep
// scan of /proc. Each goes through the helper pool as the program uses it
// (default limits: 10 s and 2 GB a file); the heavy single files also
// in-process, in a child process of their own with a time cap, to show what
// isolation saves. For each: the files, what came back (a picture, none, a
// helper failure), the slowest answer, and that the program went on.
//
//   bench_hardening            everything
//   bench_hardening --quick    fewer cuts, no /proc scan

#include "catalogue/folderscan.h"
#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "decoder/tiffmessages.h"
#include "viewer/picturedecoder.h"
#include "../../tests/hardening/hostilefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern char** environ;

namespace {

const QSize screen(1920, 1080);
constexpr int inProcessCapSeconds = 120;

QString cacheFolder()
{
    return QStringLiteral(LUMIGRID_BINARY_DIR "/bench-cache/hardening");
}

QByteArray place(const QByteArray& name, const QByteArray& bytes, qint64 length = 0)
{
    const QByteArray path = QFile::encodeName(cacheFolder()) + '/' + name;
    if (!Fixtures::writeBytes(path, bytes) || (length > bytes.size() && ::truncate(path.constData(), length) != 0))
        qFatal("cannot write %s", path.constData());
    return path;
}

bool isJpegName(const QByteArray& name)
{
    return name.toUpper().endsWith(".JPG") || name.toUpper().endsWith("JPEG");
}

struct Tally {
    int files = 0;
    int pictures = 0;
    int none = 0;
    int failed = 0;
    qint64 slowestMs = 0;
    qint64 totalMs = 0;

    void add(DecoderPool::Outcome outcome, qint64 ms)
    {
        ++files;
        (outcome == DecoderPool::Outcome::Picture ? pictures : outcome == DecoderPool::Outcome::Failed ? failed : none)++;
        slowestMs = std::max(slowestMs, ms);
        totalMs += ms;
    }
    void add(const Tally& other)
    {
        files += other.files;
        pictures += other.pictures;
        none += other.none;
        failed += other.failed;
        slowestMs = std::max(slowestMs, other.slowestMs);
        totalMs += other.totalMs;
    }
};

void printTally(const char* what, const Tally& tally)
{
    std::printf("  %-34s %6d files: %6d pictures %6d none %4d helper failures; slowest %6lld ms, %7.1f s in all\n",
        what, tally.files, tally.pictures, tally.none, tally.failed, tally.slowestMs, tally.totalMs / 1000.0);
    std::fflush(stdout);
}

// Thumbnail and viewer's picture of one file through the pool.
void throughPool(DecoderPool& pool, const QByteArray& path, const QByteArray& name, Tally& thumbnails,
    Tally& viewer)
{
    QElapsedTimer timer;
    timer.start();
    const DecoderPool::Outcome thumbnail = pool.thumbnail({path, isJpegName(name), true}).outcome;
    thumbnails.add(thumbnail, timer.restart());
    const DecoderPool::Outcome shown = pool.viewerPicture({path, screen}).outcome;
    viewer.add(shown, timer.elapsed());
}

// In-process decoding in a child process of this program, cut off after
// the cap: how long it took, and its peak memory.
struct ChildRun {
    bool finished = false;
    bool crashed = false;
    qint64 ms = 0;
    long peakMb = 0;
    QByteArray answer;
};

ChildRun decodeInChild(const QByteArray& path, const QByteArray& name, const char* what)
{
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    int out[2];
    if (::pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* const arguments[] = {const_cast<char*>(self.constData()), const_cast<char*>("--in-process"),
        const_cast<char*>(what), const_cast<char*>(path.constData()), const_cast<char*>(name.constData()), nullptr};
    pid_t pid = 0;
    QElapsedTimer timer;
    timer.start();
    const int spawned = posix_spawn(&pid, self.constData(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ChildRun run;
    if (spawned != 0) {
        ::close(out[0]);
        return run;
    }
    int status = 0;
    rusage usage {};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (timer.elapsed() > inProcessCapSeconds * 1000) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            break;
        }
        ::usleep(10000);
    }
    run.ms = timer.elapsed();
    run.finished = WIFEXITED(status);
    run.crashed = WIFSIGNALED(status) && run.ms <= inProcessCapSeconds * 1000;
    run.peakMb = usage.ru_maxrss / 1024;
    char buffer[256];
    ssize_t got = 0;
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0)
        run.answer.append(buffer, got);
    ::close(out[0]);
    run.answer = run.answer.trimmed();
    return run;
}

int inProcessMain(const char* what, const QByteArray& path, const QByteArray& name)
{
    QImageReader::setAllocationLimit(fullDecodeLimitMb);
    keepTiffMessagesFromImageMagick();
    if (std::strcmp(what, "thumbnail") == 0) {
        const std::optional<CatalogueEntry> entry
            = makeEntry({path, QFile::decodeName(name), isJpegName(name)}, true, Decoders::forThumbnails());
        std::printf("%s\n", entry ? qPrintable(entry->size) : "no picture");
    } else {
        const QImage shown = decodeForScreen(path, screen);
        std::printf("%s\n", shown.isNull() ? "no picture" : qPrintable(QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height())));
    }
    return 0;
}

QString outcomeText(const DecoderPool::Result& result)
{
    switch (result.outcome) {
    case DecoderPool::Outcome::Picture:
        return result.sizeText.isEmpty() ? QStringLiteral("picture %1 x %2").arg(result.picture.width()).arg(result.picture.height())
                                         : QStringLiteral("entry ") + result.sizeText;
    case DecoderPool::Outcome::NoPicture:
        return QStringLiteral("no picture");
    case DecoderPool::Outcome::Failed:
        return QStringLiteral("helper failed (killed, restarted)");
    case DecoderPool::Outcome::Unavailable:
        return QStringLiteral("no helper");
    }
    return {};
}

// One heavy file: thumbnail and viewer through the pool, then in-process
// in a child.
void heavyFile(DecoderPool& pool, const char* what, const QByteArray& name, const QByteArray& path)
{
    std::printf("  %s (%lld bytes)\n", what, qlonglong(QFileInfo(QFile::decodeName(path)).size()));
    for (const bool thumbnail : {true, false}) {
        QElapsedTimer timer;
        timer.start();
        const DecoderPool::Result result = thumbnail ? pool.thumbnail({path, isJpegName(name), true})
                                                     : pool.viewerPicture({path, screen});
        const qint64 helperMs = timer.elapsed();
        const ChildRun child = decodeInChild(path, name, thumbnail ? "thumbnail" : "viewer");
        std::printf("    %-9s helper: %-34s %6lld ms | in-process: %-16s %7lld ms, peak %5ld MB%s\n",
            thumbnail ? "thumbnail" : "viewer", qPrintable(outcomeText(result)), helperMs,
            child.finished ? child.answer.constData() : child.crashed ? "CRASHED" : "cut off at cap", child.ms,
            child.peakMb, child.finished || child.crashed ? "" : " (still running)");
        std::fflush(stdout);
    }
}

// A greyscale PNG of one bit per pixel and side x side pixels, all black:
// 516 MB of rows deflate to half a megabyte.
QByteArray pngBomb(quint32 side)
{
    const auto chunk = [](const QByteArray& type, const QByteArray& data) {
        QByteArray bytes(4, '\0');
        qToBigEndian(quint32(data.size()), bytes.data());
        bytes += type + data;
        QByteArray crc(4, '\0');
        qToBigEndian(quint32(::crc32(::crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>((type + data).constData()),
                         uInt(type.size() + data.size()))),
            crc.data());
        return bytes + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian(side, header.data());
    qToBigEndian(side, header.data() + 4);
    header[8] = 1;  // bit depth
    header[9] = 0;  // greyscale
    z_stream stream {};
    deflateInit(&stream, 9);
    const qsizetype rowBytes = 1 + (qsizetype(side) + 7) / 8;
    const QByteArray rows(rowBytes * 256, '\0');
    QByteArray compressed;
    std::vector<Bytef> out(1 << 20);
    for (quint32 row = 0; row < side; row += 256) {
        const quint32 count = std::min<quint32>(256, side - row);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rows.constData()));
        stream.avail_in = uInt(rowBytes * count);
        const bool last = row + count >= side;
        do {
            stream.next_out = out.data();
            stream.avail_out = uInt(out.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", compressed) + chunk("IEND", {});
}

void truncations(DecoderPool& pool, bool quick)
{
    std::printf("Truncated files, every offset of the first %d bytes and %d more spread over the rest:\n",
        quick ? 64 : 512, quick ? 100 : 1500);
    Tally allThumbnails;
    Tally allViewer;
    QElapsedTimer clock;
    clock.start();
    for (const HostileFiles::Sample& sample : HostileFiles::samples()) {
        const QList<qsizetype> cuts = HostileFiles::cuts(sample.bytes.size(), quick ? 64 : 512, quick ? 100 : 1500);
        // Two callers, as the scan's decoder threads are.
        std::mutex lock;
        Tally thumbnails;
        Tally viewer;
        std::atomic<int> next {0};
        std::vector<std::thread> callers;
        for (int caller = 0; caller < 2; ++caller) {
            callers.emplace_back([&, caller] {
                const QByteArray name = "cut" + QByteArray::number(caller) + "-" + sample.name;
                for (int i = next++; i < cuts.size(); i = next++) {
                    const QByteArray path = place(name, sample.bytes.left(cuts[i]));
                    Tally t;
                    Tally v;
                    throughPool(pool, path, sample.name, t, v);
                    std::lock_guard guard(lock);
                    thumbnails.add(t);
                    viewer.add(v);
                }
            });
        }
        for (std::thread& caller : callers)
            caller.join();
        std::printf("  %s, %lld bytes:\n", sample.name.constData(), qlonglong(sample.bytes.size()));
        printTally("thumbnails", thumbnails);
        printTally("viewer", viewer);
        allThumbnails.add(thumbnails);
        allViewer.add(viewer);
    }
    printTally("all thumbnails", allThumbnails);
    printTally("all viewer's pictures", allViewer);
    std::printf("  %.1f minutes, helpers started %d\n", clock.elapsed() / 60000.0, pool.started());
}

void claims(DecoderPool& pool)
{
    std::printf("Headers claiming enormous pictures, through the helpers:\n");
    using namespace HostileFiles;
    Tally thumbnails;
    Tally viewer;
    for (const quint32 side : {50000u, 64250u}) {
        for (const qint64 length : {qint64(0), qint64(20000), qint64(2000000)}) {
            PhotoshopLayout claim;
            claim.declaredWidth = claim.declaredHeight = side;
            const QList<std::pair<QByteArray, QByteArray>> files = {
                {"bomb.png", Fixtures::pngDeclaring(side, side)},
                {"bomb.jpg", Fixtures::jpegDeclaring(quint16(side), quint16(side))},
                {"pbm.png", pbmDeclaring(side, side)},
                {"pbm.tif", pbmDeclaring(side, side, false)},
                {"bomb.psd", photoshop(claim)},
            };
            for (const auto& [name, bytes] : files) {
                const QByteArray path = place(name, bytes, length);
                Tally t;
                Tally v;
                throughPool(pool, path, name, t, v);
                std::printf("    %-9s %5u x %-5u %7lld bytes: thumbnail %-12s %5lld ms, viewer %-12s %5lld ms\n",
                    name.constData(), side, side, qlonglong(std::max<qint64>(length, bytes.size())),
                    t.pictures ? "picture" : t.failed ? "FAILED" : "none", t.slowestMs,
                    v.pictures ? "picture" : v.failed ? "FAILED" : "none", v.slowestMs);
                thumbnails.add(t);
                viewer.add(v);
            }
        }
    }
    for (const quint32 length : {0x7ffffff0u, 0xfffffff0u}) {
        for (int field = 0; field < 3; ++field) {
            PhotoshopLayout layout;
            (field == 0 ? layout.colourDataLength : field == 1 ? layout.resourcesLength : layout.layersLength) = length;
            Tally t;
            Tally v;
            throughPool(pool, place("long.psd", photoshop(layout)), "long.psd", t, v);
            thumbnails.add(t);
            viewer.add(v);
        }
    }
    printTally("thumbnails", thumbnails);
    printTally("viewer", viewer);
}

void heavyFiles(DecoderPool& pool)
{
    std::printf("Heavy single files, helper against in-process (cap %d s):\n", inProcessCapSeconds);
    heavyFile(pool, "GIF of 2,000 frames of 320 x 240", "frames.gif",
        place("frames.gif", HostileFiles::animatedGif(2000, 320, 240)));
    heavyFile(pool, "PNG of 64250 x 64250 pixels, 1 bit, real data", "bomb.png", place("bomb.png", pngBomb(64250)));
    heavyFile(pool, "PBM claiming 50000 x 50000, 2 MB of padding", "pbm.png",
        place("pbm.png", HostileFiles::pbmDeclaring(50000, 50000), 2000000));
    heavyFile(pool, "JPEG claiming 64250 x 64250, 2 MB of padding", "bomb.jpg",
        place("bomb.jpg", Fixtures::jpegDeclaring(64250, 64250), 2000000));
}

void scanOfProc(DecoderPool& pool)
{
    std::printf("Deep scan of /proc, every type on, decoding in the helpers:\n");
    std::atomic<bool> on {true};
    std::atomic<bool> constrain {true};
    const ScanSwitches switches {on, on, on, on, on, on, on, constrain};
    int folders = 0;
    int entries = 0;
    int items = 0;
    Tally tally;
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> slowest {0};
    FolderScan scan(
        "/proc", switches,
        [&](ScanStep&& step) {
            if (step.kind == ScanStep::Kind::FolderStart)
                ++folders;
            if (step.kind == ScanStep::Kind::Item)
                ++items;
            if (step.kind == ScanStep::Kind::Entry)
                ++entries;
            return clock.elapsed() < 900000;
        },
        [] { return true; },
        [&](const AcceptedFile& file, bool constrainProportions) {
            QElapsedTimer timer;
            timer.start();
            std::optional<CatalogueEntry> entry = makeEntryInHelper(pool, file, constrainProportions);
            slowest = std::max<qint64>(slowest, timer.elapsed());
            return entry;
        });
    scan.run();
    std::printf("  %d folders, %d items, %d entries in %.1f minutes%s; slowest file %lld ms; helpers started %d\n",
        folders, items, entries, clock.elapsed() / 60000.0, clock.elapsed() >= 900000 ? " (stopped at 15)" : "",
        qlonglong(slowest.load()), pool.started());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--in-process") == 0)
        return inProcessMain(argv[2], argv[3], argv[4]);
    QCoreApplication application(argc, argv);
    const bool quick = application.arguments().contains(QStringLiteral("--quick"));
    QDir().mkpath(cacheFolder());
    DecoderPool pool;
    QElapsedTimer clock;
    clock.start();
    truncations(pool, quick);
    claims(pool);
    heavyFiles(pool);
    if (!quick)
        scanOfProc(pool);
    std::printf("All in %.1f minutes.\n", clock.elapsed() / 60000.0);
    return 0;
}
