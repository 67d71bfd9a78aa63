#include "bench/scan/benchfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace BenchFixtures {

namespace {

// The version of the sets' content: a change of what a set holds bumps it,
// so old caches are made again.
constexpr int contentVersion = 1;

quint32 nextRandom(quint32& state)
{
    state = state * 1664525u + 1013904223u;
    return state;
}

// Value noise of one scale: random values on a grid of the given period,
// smoothly interpolated.
class Octave {
public:
    Octave(int width, int height, int period, quint32 seed)
        : m_period(period)
        , m_columns(width / period + 3)
    {
        const int rows = height / period + 3;
        m_grid.resize(size_t(m_columns) * rows);
        for (float& value : m_grid)
            value = float(nextRandom(seed) >> 8) / float(1 << 24) * 2.0f - 1.0f;
        m_cellOf.resize(width);
        m_weightOf.resize(width);
        for (int x = 0; x < width; ++x) {
            m_cellOf[x] = x / period;
            m_weightOf[x] = smooth(float(x % period) / float(period));
        }
    }

    // Adds amplitude times the noise along row y to row.
    void addRow(int y, float amplitude, float* row, int width) const
    {
        const int cellY = y / m_period;
        const float ty = smooth(float(y % m_period) / float(m_period));
        const float* top = &m_grid[size_t(cellY) * m_columns];
        const float* bottom = top + m_columns;
        for (int x = 0; x < width; ++x) {
            const int c = m_cellOf[x];
            const float tx = m_weightOf[x];
            const float upper = top[c] + (top[c + 1] - top[c]) * tx;
            const float lower = bottom[c] + (bottom[c + 1] - bottom[c]) * tx;
            row[x] += amplitude * (upper + (lower - upper) * ty);
        }
    }

    // Hard-edged shapes: a step wherever the noise crosses a level.
    void addSteps(int y, float amplitude, float level, float* row, int width) const
    {
        const int cellY = y / m_period;
        const float ty = smooth(float(y % m_period) / float(m_period));
        const float* top = &m_grid[size_t(cellY) * m_columns];
        const float* bottom = top + m_columns;
        for (int x = 0; x < width; ++x) {
            const int c = m_cellOf[x];
            const float tx = m_weightOf[x];
            const float upper = top[c] + (top[c + 1] - top[c]) * tx;
            const float lower = bottom[c] + (bottom[c + 1] - bottom[c]) * tx;
            if (upper + (lower - upper) * ty > level)
                row[x] += amplitude;
        }
    }

private:
    static float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

    int m_period;
    int m_columns;
    std::vector<float> m_grid;
    std::vector<int> m_cellOf;
    std::vector<float> m_weightOf;
};

int clampByte(float value)
{
    return std::clamp(int(std::lround(value)), 0, 255);
}

bool writeFile(const QString& path, const QByteArray& data)
{
    if (data.isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray encode(const QImage& picture, const char* format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    writer.write(picture);
    return data;
}

// Photoshop files as ImageMagick writes them: 8 bits a channel, run-length
// compressed, a layer and the merged picture.
QByteArray encodePsd(const QImage& picture)
{
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"),
        {QStringLiteral("ppm:-"), QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("-compress"),
            QStringLiteral("RLE"), QStringLiteral("psd:-")});
    if (!convert.waitForStarted())
        return {};
    convert.write(encode(picture, "ppm"));
    convert.closeWriteChannel();
    QByteArray data;
    while (convert.waitForReadyRead(-1))
        data += convert.readAllStandardOutput();
    convert.waitForFinished(-1);
    data += convert.readAllStandardOutput();
    return convert.exitStatus() == QProcess::NormalExit && convert.exitCode() == 0 ? data : QByteArray();
}

// Runs make(i) for i = 0 ... count - 1 on every core; false if any failed.
template <typename Make>
bool onAllCores(int count, Make make)
{
    std::atomic<int> next {0};
    std::atomic<bool> failed {false};
    std::vector<std::thread> threads;
    const int cores = std::max(1u, std::thread::hardware_concurrency());
    for (int t = 0; t < cores; ++t) {
        threads.emplace_back([&] {
            for (int i = next++; i < count && !failed; i = next++) {
                if (!make(i))
                    failed = true;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    return !failed;
}

// A set of count pictures of one size: one large texture is made once and
// every file is a different crop of it with its own tint and grain.
bool makePictures(const QString& folder, int count, int width, int height, const char* suffix,
    const std::function<QByteArray(const QImage&)>& encoder)
{
    const int margin = 256;
    const QImage base = photoLike(width + margin, height + margin, 20240601u + quint32(width));
    return onAllCores(count, [&](int i) {
        quint32 state = 7919u * quint32(i + 1);
        const int left = int(nextRandom(state) % margin);
        const int top = int(nextRandom(state) % margin);
        QImage picture = base.copy(left, top, width, height);
        const int tintR = int(nextRandom(state) % 41) - 20;
        const int tintB = int(nextRandom(state) % 41) - 20;
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int grain = int((nextRandom(state) >> 16) % 13) - 6;
                const QRgb p = line[x];
                line[x] = qRgb(std::clamp(qRed(p) + tintR + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                    std::clamp(qBlue(p) + tintB + grain, 0, 255));
            }
        }
        const QString name = QStringLiteral("%1/pic%2%3").arg(folder).arg(i + 1, 4, 10, QLatin1Char('0')).arg(suffix);
        return writeFile(name, encoder(picture));
    });
}

// Folders of empty files whose names look like pictures; walked with every
// type off.
bool makeWalkTree(const QString& folder, int top, int below, int files)
{
    for (int a = 0; a < top; ++a) {
        for (int b = 0; b < below; ++b) {
            const QString sub = QStringLiteral("%1/Album %2/Day %3").arg(folder).arg(a + 1).arg(b + 1);
            if (!QDir().mkpath(sub))
                return false;
            for (int i = 0; i < files; ++i) {
                QFile file(QStringLiteral("%1/IMG_%2.JPG").arg(sub).arg(i + 1, 4, 10, QLatin1Char('0')));
                if (!file.open(QIODevice::WriteOnly))
                    return false;
            }
        }
    }
    return true;
}

// count names linking to the files of another set, round and round.
bool makeLinks(const QString& folder, const QString& from, int count)
{
    const QStringList sources = QDir(from).entryList(QDir::Files, QDir::Name);
    if (sources.isEmpty())
        return false;
    for (int i = 0; i < count; ++i) {
        const QString source = from + '/' + sources.at(i % sources.size());
        const QString link = QStringLiteral("%1/entry%2.jpg").arg(folder).arg(i + 1, 5, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(link).constData()) != 0)
            return false;
    }
    return true;
}

QString marker(const QString& cacheFolder, const Set& set)
{
    return QStringLiteral("%1/%2.complete-%3").arg(cacheFolder, set.name).arg(contentVersion);
}

bool make(const QString& cacheFolder, const Set& set)
{
    const QString target = folder(cacheFolder, set);
    if (set.name == QLatin1String("jpeg-12mp"))
        return makePictures(target, set.count, 4000, 3000, ".jpg", [](const QImage& p) { return encode(p, "jpeg", 90); });
    if (set.name == QLatin1String("png-1080p"))
        return makePictures(target, set.count, 1920, 1080, ".png", [](const QImage& p) { return encode(p, "png"); });
    if (set.name == QLatin1String("jpeg-vga"))
        return makePictures(target, set.count, 640, 480, ".jpg", [](const QImage& p) { return encode(p, "jpeg", 90); });
    if (set.name == QLatin1String("tiff-6mp"))
        return makePictures(target, set.count, 3000, 2000, ".tif", [](const QImage& p) {
            return encode(p.convertToFormat(QImage::Format_RGB888), "tiff");
        });
    if (set.name == QLatin1String("psd-3mp"))
        return makePictures(target, set.count, 2000, 1500, ".psd", encodePsd);
    if (set.name == QLatin1String("walk-tree"))
        return makeWalkTree(target, 10, 10, 1000);
    if (set.name == QLatin1String("entries-10k")) {
        const Set& vga = *std::find_if(sets().begin(), sets().end(), [](const Set& s) { return s.name == "jpeg-vga"; });
        return makeLinks(target, folder(cacheFolder, vga), set.count);
    }
    return false;
}

} // namespace

const std::vector<Set>& sets()
{
    static const std::vector<Set> all {
        {QStringLiteral("jpeg-12mp"), QStringLiteral("200 x 4000 x 3000 JPEG q90"), 200, true},
        {QStringLiteral("png-1080p"), QStringLiteral("200 x 1920 x 1080 PNG"), 200, true},
        {QStringLiteral("jpeg-vga"), QStringLiteral("1000 x 640 x 480 JPEG q90"), 1000, true},
        {QStringLiteral("tiff-6mp"), QStringLiteral("50 x 3000 x 2000 TIFF"), 50, true},
        {QStringLiteral("psd-3mp"), QStringLiteral("20 x 2000 x 1500 PSD"), 20, true},
        {QStringLiteral("walk-tree"), QStringLiteral("walk: 110 folders, 100,000 files, every type off"), 100110, false},
        {QStringLiteral("entries-10k"), QStringLiteral("10,000 x 640 x 480 JPEG (links)"), 10000, true},
    };
    return all;
}

QString folder(const QString& cacheFolder, const Set& set)
{
    return cacheFolder + '/' + set.name;
}

bool ensure(const QString& cacheFolder)
{
    if (!QDir().mkpath(cacheFolder))
        return false;
    for (const Set& set : sets()) {
        if (QFile::exists(marker(cacheFolder, set)))
            continue;
        const QString target = folder(cacheFolder, set);
        QDir(target).removeRecursively();
        if (!QDir().mkpath(target))
            return false;
        std::printf("making %s in %s ...\n", qPrintable(set.description), qPrintable(target));
        std::fflush(stdout);
        QElapsedTimer timer;
        timer.start();
        if (!make(cacheFolder, set)) {
            std::printf("could not make %s\n", qPrintable(set.name));
            return false;
        }
        QFile done(marker(cacheFolder, set));
        if (!done.open(QIODevice::WriteOnly))
            return false;
        std::printf("  made in %.1f s\n", timer.elapsed() / 1000.0);
    }
    return true;
}

QImage photoLike(int width, int height, quint32 seed)
{
    // Periods from a few large areas down to fine texture; amplitudes fall
    // with the scale as in natural pictures.
    struct Layer {
        int period;
        float amplitude;
    };
    const Layer luminance[] {{std::max(8, width / 3), 70}, {std::max(8, width / 11), 40}, {std::max(8, width / 40), 22},
        {48, 18}, {12, 16}, {4, 16}, {2, 12}};
    std::vector<Octave> lum;
    quint32 state = seed;
    for (const Layer& layer : luminance)
        lum.emplace_back(width, height, layer.period, nextRandom(state));
    const Octave shapes(width, height, std::max(8, width / 25), nextRandom(state));
    const Octave chromaA(width, height, std::max(8, width / 5), nextRandom(state));
    const Octave chromaB(width, height, std::max(8, width / 7), nextRandom(state));

    QImage picture(width, height, QImage::Format_RGB32);
    std::vector<float> l(width), a(width), b(width);
    for (int y = 0; y < height; ++y) {
        std::fill(l.begin(), l.end(), 120.0f);
        std::fill(a.begin(), a.end(), 0.0f);
        std::fill(b.begin(), b.end(), 0.0f);
        for (size_t i = 0; i < lum.size(); ++i)
            lum[i].addRow(y, luminance[i].amplitude, l.data(), width);
        shapes.addSteps(y, 45, 0.35f, l.data(), width);
        chromaA.addRow(y, 40, a.data(), width);
        chromaB.addRow(y, 40, b.data(), width);
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(clampByte(l[x] + 1.2f * a[x]), clampByte(l[x] - 0.4f * a[x] - 0.4f * b[x]),
                clampByte(l[x] + 1.4f * b[x]));
    }
    return picture;
}

} // namespace BenchFixtures
