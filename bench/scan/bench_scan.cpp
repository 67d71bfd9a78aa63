// How fast a scan goes: listing a large folder, walking it without decoding,
// and thumbnail making for photo-sized JPEGs and PNGs, one file after the
// other as the scan worker does it.
#include "catalogue/folderlisting.h"
#include "catalogue/folderscan.h"
#include "catalogue/thumbnailmaker.h"
#include "../../tests/catalogue/fixtures.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Switches {
    std::atomic<bool> subdirectories {false};
    std::atomic<bool> jpeg {true}, png {true}, gif {false}, tiff {false}, psd {false}, pdf {false};
    std::atomic<bool> constrain {true};
    ScanSwitches view() const { return {subdirectories, jpeg, png, gif, tiff, psd, pdf, constrain}; }
};

QImage photo(int width, int height, int seed)
{
    QImage picture = Fixtures::noise(width, height);
    QPainter painter(&picture);
    painter.setOpacity(0.85);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 200, 230));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 180, 60));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

int scan(const QByteArray& folder, Switches& switches, int* entries)
{
    *entries = 0;
    FolderScan walk(
        folder, switches.view(),
        [&](ScanStep&& step) {
            if (step.kind == ScanStep::Kind::Entry)
                ++*entries;
            return true;
        },
        [] { return true; });
    QElapsedTimer timer;
    timer.start();
    walk.run();
    return int(timer.elapsed());
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    QTemporaryDir many;
    const QByteArray manyPath = QFile::encodeName(many.path());
    const int count = 20000;
    for (int i = 1; i <= count; ++i)
        Fixtures::writeBytes(manyPath + "/img" + QByteArray::number(i) + ".txt", QByteArray());

    QElapsedTimer timer;
    timer.start();
    const std::vector<FolderItem> items = listFolder(manyPath);
    std::printf("list a folder of %zu items in natural order: %lld ms\n", items.size(), timer.elapsed());

    Switches switches;
    int entries = 0;
    const int walked = scan(manyPath, switches, &entries);
    std::printf("walk %d items that are not pictures: %d ms\n", count, walked);

    QTemporaryDir pictures;
    const QByteArray picturesPath = QFile::encodeName(pictures.path());
    const int each = 40;
    for (int i = 0; i < each; ++i) {
        Fixtures::writeBytes(picturesPath + "/photo" + QByteArray::number(i) + ".jpg",
            Fixtures::encode(photo(4000, 3000, i), "jpeg", 90));
        Fixtures::writeBytes(picturesPath + "/small" + QByteArray::number(i) + ".jpg",
            Fixtures::encode(photo(1600, 1200, i), "jpeg", 85));
        Fixtures::writeBytes(picturesPath + "/shot" + QByteArray::number(i) + ".png",
            Fixtures::encode(photo(1920, 1080, i), "png"));
    }
    const Decoders decoders = Decoders::forThumbnails();
    for (const char* kind : {"photo", "small", "shot"}) {
        const char* suffix = qstrcmp(kind, "shot") == 0 ? ".png" : ".jpg";
        const QByteArray sample = picturesPath + '/' + kind + "0" + suffix;
        const qint64 length = QFileInfo(QFile::decodeName(sample)).size();
        timer.restart();
        for (int i = 0; i < each; ++i) {
            const QByteArray path = picturesPath + '/' + kind + QByteArray::number(i) + suffix;
            makeEntry({path, QString(), qstrcmp(suffix, ".jpg") == 0}, true, decoders);
        }
        std::printf("thumbnail %s%s (%lld KB each): %.1f ms per file\n", kind, suffix, length / 1024,
            double(timer.elapsed()) / each);
    }
    const int scanned = scan(picturesPath, switches, &entries);
    std::printf("scan of those %d files: %d entries in %d ms, %.0f files/s\n", 3 * each, entries, scanned,
        3 * each * 1000.0 / std::max(1, scanned));
    return 0;
}
