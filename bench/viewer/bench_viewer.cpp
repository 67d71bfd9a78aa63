// Time to put a 12 and a 48 megapixel photo on the full-screen viewer:
// changepicture (fit from the header, decode at the fitted size) against a
// plain full decode shrunk afterwards. Fixtures are made once in
// bench-cache/viewer under the build folder.

#include "catalogue/module1.h"
#include "viewer/changepicture.h"
#include "viewer/picturedecoder.h"
#include "viewer/picturefit.h"
#include "viewer/window2.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int runs = 15;

QString cacheFolder()
{
    return QStringLiteral(LUMIGRID_BINARY_DIR "/bench-cache/viewer");
}

// A screen of a common desktop size when running offscreen, whose default
// screen is only 800 x 600.
void useDesktopScreenOffscreen()
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    QDir().mkpath(cacheFolder());
    const QString config = cacheFolder() + QStringLiteral("/screen.json");
    QFile file(config);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
                   R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
}

// Smooth colour with fine noise, so the JPEG holds about as much detail as a photo.
QByteArray photo(QSize size)
{
    const QString path = cacheFolder() + QStringLiteral("/photo-%1x%2.jpg").arg(size.width()).arg(size.height());
    if (!QFile::exists(path)) {
        QImage image(size, QImage::Format_RGB32);
        QRandomGenerator noise(size.width());
        for (int y = 0; y < size.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const int n = int(noise.bounded(24));
                line[x] = qRgb((x * 255 / size.width() + n) & 0xff, (y * 255 / size.height() + n) & 0xff,
                               ((x + y) / 16 + n) & 0xff);
            }
        }
        if (!image.save(path, "jpeg", 90))
            qFatal("cannot write %s", qPrintable(path));
    }
    return QFile::encodeName(path);
}

double medianMs(const std::function<void()>& work)
{
    work();  // the file into the page cache, the decoders loaded
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QImage fullDecodeThenShrink(const QByteArray& path, QSize screen)
{
    QImageReader::setAllocationLimit(fullDecodeLimitMb);
    QImageReader reader(QFile::decodeName(path));
    reader.setAutoTransform(true);
    const QImage full = reader.read();
    const PictureFit fit = fitPicture(screen, full.size());
    return fit.fitted ? full.scaled(fit.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : full;
}

} // namespace

int main(int argc, char** argv)
{
    useDesktopScreenOffscreen();
    QApplication app(argc, argv);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    Module1::setMissingFileAlert([] { qFatal("a fixture could not be decoded"); });

    struct Case {
        const char* name;
        QSize size;
    };
    const Case cases[] = {{"12 MP", QSize(4000, 3000)}, {"48 MP", QSize(8000, 6000)}};

    Catalogue& catalogue = Module1::catalogue();
    for (const Case& c : cases)
        catalogue.append({photo(c.size), QString(), QString(), QImage()});
    catalogue.clickedpic = 1;
    Window2::instance()->present();

    std::printf("viewer, screen %dx%d, median of %d runs (ms)\n", screen.width(), screen.height(), runs);
    std::printf("%-6s %-10s %14s %22s\n", "photo", "size", "changepicture", "full decode + shrink");
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QByteArray path = catalogue.bildfile(i + 1);
        const double fitted = medianMs([&] {
            catalogue.clickedpic = i + 1;
            Module1::changepicture();
        });
        const double full = medianMs([&] { fullDecodeThenShrink(path, screen); });
        std::printf("%-6s %-10s %14.1f %22.1f\n", cases[i].name,
                    qPrintable(QStringLiteral("%1x%2").arg(cases[i].size.width()).arg(cases[i].size.height())),
                    fitted, full);
    }
    Window2::instance()->close();
    return 0;
}
