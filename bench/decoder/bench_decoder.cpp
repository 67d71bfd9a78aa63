// What decoding in helper processes costs: thumbnail making for 100 small
// PNGs and a few 12-megapixel JPEGs, and the viewer's picture of those JPEGs,
// in-process against the pool (plain helpers and, where bubblewrap is
// installed, sandboxed ones), one caller and two callers at once. Fixtures
// are made once in bench-cache/decoder under the build folder.

#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "viewer/picturedecoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr int smallPngs = 100;
constexpr int photos = 4;
constexpr int runs = 5;
const QSize screen(1920, 1080);

QString cacheFolder()
{
    return QStringLiteral(LUMIGRID_BINARY_DIR "/bench-cache/decoder");
}

QImage picture(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor::fromRgb(QRandomGenerator(seed).generate() | 0xff000000));
    gradient.setColorAt(1, QColor(20, 40, 90));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(seed);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xff000000));
        painter.drawEllipse(random.bounded(size.width()), random.bounded(size.height()),
                            size.width() / 8, size.height() / 8);
    }
    painter.end();
    // Fine grain, as photos have, so the JPEG is of a photo's length.
    for (int y = 0; y < size.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int grain = int(random.bounded(24u)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                           std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}

QList<AcceptedFile> fixtures(const QString& prefix, int count, QSize size, const char* suffix)
{
    QDir().mkpath(cacheFolder());
    QList<AcceptedFile> files;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1%2.%3").arg(prefix).arg(i).arg(QLatin1String(suffix));
        const QString path = cacheFolder() + QLatin1Char('/') + name;
        if (!QFileInfo::exists(path))
            picture(size, quint32(i + 1)).save(path, nullptr, qstrcmp(suffix, "jpg") == 0 ? 90 : -1);
        files.append({QFile::encodeName(path), name, qstrcmp(suffix, "jpg") == 0});
    }
    return files;
}

// The best of several runs, in milliseconds.
double best(const std::function<void()>& work)
{
    double fastest = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        work();
        fastest = std::min(fastest, clock.nsecsElapsed() / 1e6);
    }
    return fastest;
}

void parallel(int callers, const QList<AcceptedFile>& files, const std::function<void(const AcceptedFile&)>& work)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < callers; ++t) {
        threads.emplace_back([&, t] {
            for (qsizetype i = t; i < files.size(); i += callers)
                work(files[i]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

void report(const char* what, int count, double inProcess, double pooled)
{
    std::printf("%-44s %9.1f ms %9.1f ms %+8.2f ms/file (%+.0f %%)\n", what, inProcess, pooled,
                (pooled - inProcess) / count, 100.0 * (pooled - inProcess) / inProcess);
}

void measure(const char* mode, DecoderPool::Sandbox sandbox, const QList<AcceptedFile>& pngs,
             const QList<AcceptedFile>& jpegs)
{
    DecoderPool::Options options;
    options.program = QStringLiteral(LUMIGRID_BINARY_DIR "/lumigrid-decoder");
    options.sandbox = sandbox;
    options.helpers = 2;
    DecoderPool pool(options);

    QElapsedTimer clock;
    clock.start();
    parallel(2, pngs.mid(0, 2), [&](const AcceptedFile& file) { makeEntryInHelper(pool, file, true); });
    std::printf("\n%s helpers (%s), first two calls with start-up: %.1f ms\n", mode,
                pool.sandboxed() ? "sandboxed" : "not sandboxed", clock.nsecsElapsed() / 1e6);
    std::printf("%-44s %12s %12s %14s\n", "", "in-process", "pool", "overhead");

    const Decoders decoders = Decoders::forThumbnails();
    const auto inProcess = [&](const AcceptedFile& f) { makeEntry(f, true, decoders); };
    const auto inHelper = [&](const AcceptedFile& f) { makeEntryInHelper(pool, f, true); };
    for (int callers : {1, 2}) {
        const QByteArray label = QByteArray::number(callers) + (callers == 1 ? " caller" : " callers");
        report(label + ": thumbnails of " + QByteArray::number(pngs.size()) + " small PNGs", int(pngs.size()),
               best([&] { parallel(callers, pngs, inProcess); }), best([&] { parallel(callers, pngs, inHelper); }));
        report(label + ": thumbnails of " + QByteArray::number(jpegs.size()) + " 12 MP JPEGs", int(jpegs.size()),
               best([&] { parallel(callers, jpegs, inProcess); }), best([&] { parallel(callers, jpegs, inHelper); }));
    }
    report("viewer: 12 MP JPEGs fitted to 1920 x 1080", int(jpegs.size()),
           best([&] { for (const AcceptedFile& f : jpegs) decodeForScreen(f.path, screen); }),
           best([&] { for (const AcceptedFile& f : jpegs) decodeForScreenInHelper(pool, f.path, screen); }));
    std::printf("helpers started: %d\n", pool.started());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QList<AcceptedFile> pngs = fixtures(QStringLiteral("small"), smallPngs, QSize(64, 48), "png");
    const QList<AcceptedFile> jpegs = fixtures(QStringLiteral("photo"), photos, QSize(4000, 3000), "jpg");
    std::printf("small PNG: %lld bytes; 12 MP JPEG: %lld bytes; best of %d runs\n",
                QFileInfo(QFile::decodeName(pngs[0].path)).size(), QFileInfo(QFile::decodeName(jpegs[0].path)).size(),
                runs);
    measure("plain", DecoderPool::Sandbox::Off, pngs, jpegs);
    if (QFileInfo(QStringLiteral("/usr/bin/bwrap")).isExecutable())
        measure("bubblewrap", DecoderPool::Sandbox::Required, pngs, jpegs);
    return 0;
}
