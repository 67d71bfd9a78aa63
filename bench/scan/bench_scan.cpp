// How fast the main window's scan fills the catalogue: the real pipeline
// (Window1, ScanControl, Thread1 and the thumbnail decoders, offscreen) over
// picture sets made once into a cache folder, side by side with
// vipsthumbnail and ImageMagick on the same files in the same run; the walk
// of a large tree against find; memory per catalogue entry; the longest
// stall of the interface thread and the time of a page change.
//
//   bench_scan [--runs N] [--magick-runs N] [--sets name,name] [--cache folder] [--lumigrid-only]
//              [--in-process] [--stage-threads N]
#include "app/scancontrol.h"
#include "app/window1.h"
#include "bench/scan/benchfixtures.h"
#include "catalogue/module1.h"
#include "widgets/canvas.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <vips/version.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>

namespace {

using BenchFixtures::Set;

struct Options {
    int runs = 3;
    int magickRuns = 1;  // ImageMagick starts a process a file: slow, so fewer runs
    QStringList sets;
    QString cache = QStringLiteral(LUMIGRID_BINARY_DIR "/bench-cache/scan");
    QString memoryChild;  // internal: measure memory over this folder in a fresh process
    bool othersToo = true; // false: Lumigrid alone, for profiling
    bool inProcess = false; // decode in the scan's own threads even where the window uses helpers
    int stageThreads = -1;  // files the window's own decode stage may decode at once; -1: as the window says
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(' ', 0, 2);
}

// VmRSS or VmHWM of this process, in bytes.
qint64 statusBytes(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// Machine pauses: a real-time thread that sleeps a millisecond at a time
// and notes every wake that came more than 5 ms late. Nothing in the
// program can delay a real-time thread, so such a gap is the machine
// itself stopping (on a virtual machine, the host taking every processor
// away for tens of milliseconds). Without permission for real time it
// notes nothing.
class PauseWatch {
public:
    PauseWatch()
    {
        m_thread = std::thread([this] {
            sched_param param {};
            param.sched_priority = sched_get_priority_min(SCHED_FIFO);
            if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
                return;
            m_active = true;
            while (m_running) {
                const qint64 before = monotonicNs();
                const timespec millisecond {0, 1000000};
                ::nanosleep(&millisecond, nullptr);
                const qint64 after = monotonicNs();
                if (after - before > 6000000) {
                    std::lock_guard lock(m_mutex);
                    m_gaps.push_back({before + 1000000, after});
                }
            }
        });
    }
    ~PauseWatch()
    {
        m_running = false;
        m_thread.join();
    }
    bool active() const { return m_active; }
    // How much of the span from begin to end the machine was paused.
    qint64 pausedWithin(qint64 begin, qint64 end)
    {
        std::lock_guard lock(m_mutex);
        qint64 paused = 0;
        for (const auto& [from, to] : m_gaps)
            paused += std::max<qint64>(0, std::min(end, to) - std::max(begin, from));
        return paused;
    }

    static qint64 monotonicNs()
    {
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

private:
    std::thread m_thread;
    std::atomic<bool> m_running {true};
    std::atomic<bool> m_active {false};
    std::mutex m_mutex;
    std::vector<std::pair<qint64, qint64>> m_gaps;
};

// The longest lateness seen in any scan, machine pauses included.
double worstWithPauses = 0;

// Event-loop latency: a 1 ms timer on the interface thread measures how
// late each of its ticks comes, less the part of the lateness the machine
// itself was paused (see PauseWatch).
class StallProbe {
public:
    explicit StallProbe(PauseWatch& pauses) : m_pauses(pauses)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = PauseWatch::monotonicNs();
            const qint64 late = now - m_last - 1000000;
            if (late > 0) {
                worstWithPauses = std::max(worstWithPauses, late / 1e6);
                m_worst = std::max(m_worst, late - m_pauses.pausedWithin(m_last + 1000000, now));
            }
            m_last = now;
        });
    }
    void start()
    {
        m_last = PauseWatch::monotonicNs();
        m_worst = 0;
        m_timer.start();
    }
    // The longest lateness since start, machine pauses left out, in milliseconds.
    double stop()
    {
        m_timer.stop();
        return m_worst / 1e6;
    }

private:
    PauseWatch& m_pauses;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

void setTypes(Window1& window, bool on, bool subdirectories)
{
    window.settingsjpeg = on;
    window.settingspng = on;
    window.settingsgif = on;
    window.settingstiff = on;
    window.settingspsd = on;
    window.settingspdf = false;
    window.settingsprop = true;
    window.CheckBox1->setChecked(subdirectories);
}

struct ScanResult {
    double seconds = 0;
    double cpuSeconds = 0;
    int entries = 0;
    double stallMs = 0;
};

// CPU time, user and system, in seconds: of this process (every thread), or
// of the children it has waited for.
double cpuSeconds(int who)
{
    rusage usage {};
    ::getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One scan through the window, from the button's start to "done".
ScanResult scanOnce(Window1& window, const QString& folder, StallProbe& probe)
{
    probe.start();
    const double cpu = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    window.scanControl->startScan(QFile::encodeName(folder));
    while (window.scanControl->scanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ScanResult result;
    result.seconds = timer.nsecsElapsed() / 1e9;
    result.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpu;
    result.stallMs = probe.stop();
    result.entries = Module1::catalogue().x();
    return result;
}

struct Timed {
    double seconds = -1;  // negative when the command failed
    double cpuSeconds = 0;
};

// Runs a shell command: its time and the CPU time of all its processes.
Timed timeCommand(const QString& command)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return {timer.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpu};
}

QString quoted(const QString& text)
{
    QString inner = text;
    inner.replace('\'', QLatin1String("'\\''"));
    return '\'' + inner + '\'';
}

bool installed(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty() || QFile::exists(program);
}

void freshFolder(const QString& path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(path);
}

// Reads every file once, so all runs start with the page cache warm.
void warm(const QString& folder)
{
    timeCommand(QStringLiteral("find %1 -type f -print0 | xargs -0 cat > /dev/null").arg(quoted(folder)));
}

struct Memory {
    qint64 before = 0, after = 0, peak = 0;
    int entries = 0;
    double stallMs = 0;
    double seconds = 0;
    double pageMedianMs = 0, pageWorstMs = 0, handMedianMs = 0;
    int pagePaints = 0, pageChanges = 0;
};

// In a fresh process: the window, one scan of folder, then page changes.
int memoryChild(const QString& folder, bool inProcess, int stageThreads)
{
    Window1 window(1024);
    window.updatesTimer->stop();
    if (inProcess)
        window.scanControl->makeEntry = {};
    if (stageThreads >= 0)
        window.scanControl->makeEntryThreads = stageThreads;
    window.show();
    setTypes(window, true, false);
    QCoreApplication::processEvents();
    PauseWatch pauses;
    StallProbe probe(pauses);
    Memory memory;
    memory.before = statusBytes("VmRSS:");
    const ScanResult scan = scanOnce(window, folder, probe);
    memory.after = statusBytes("VmRSS:");
    memory.peak = statusBytes("VmHWM:");
    memory.entries = scan.entries;
    memory.stallMs = scan.stallMs;
    memory.seconds = scan.seconds;

    // A page change: the cells take the page's thumbnails and the window
    // paints them.
    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &paints;
    window.cell(1)->installEventFilter(&counter);
    QCoreApplication::processEvents();
    paints = 0;
    std::vector<double> times, handed;
    const int maximum = window.ScrollBar1->maximum();
    for (int i = 1; i <= 200 && maximum > 0; ++i) {
        const int value = (i * 97) % (maximum + 1);
        QElapsedTimer timer;
        timer.start();
        window.ScrollBar1->setValue(value == window.ScrollBar1->value() ? (value + 1) % (maximum + 1) : value);
        handed.push_back(timer.nsecsElapsed() / 1e6);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    memory.handMedianMs = median(handed);
    memory.pageChanges = int(times.size());
    memory.pagePaints = paints;
    memory.pageMedianMs = median(times);
    memory.pageWorstMs = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    std::printf("memory %d %lld %lld %lld %.3f %.4f %.4f %.4f %d %d %.4f\n", memory.entries, memory.before,
        memory.after, memory.peak, memory.stallMs, memory.seconds, memory.pageMedianMs, memory.pageWorstMs,
        memory.pagePaints, memory.pageChanges, memory.handMedianMs);
    return 0;
}

bool memoryInChild(const QString& folder, bool inProcess, int stageThreads, Memory& memory)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments {QStringLiteral("--memory-child"), folder};
    if (inProcess)
        arguments << QStringLiteral("--in-process");
    if (stageThreads >= 0)
        arguments << QStringLiteral("--stage-threads") << QString::number(stageThreads);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("memory "))
            continue;
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 12)
            return false;
        memory.entries = f[1].toInt();
        memory.before = f[2].toLongLong();
        memory.after = f[3].toLongLong();
        memory.peak = f[4].toLongLong();
        memory.stallMs = f[5].toDouble();
        memory.seconds = f[6].toDouble();
        memory.pageMedianMs = f[7].toDouble();
        memory.pageWorstMs = f[8].toDouble();
        memory.pagePaints = f[9].toInt();
        memory.pageChanges = f[10].toInt();
        memory.handMedianMs = f[11].toDouble();
        return true;
    }
    return false;
}

struct Row {
    QString label;
    int files = 0;
    double lumigrid = 0, vips = 0, magick = 0;  // files per second, 0 when not measured
    double lumigridCpu = 0, vipsCpu = 0;        // CPU milliseconds per file
    double stall = 0;                           // the longest stall of the interface thread, ms
    double inProcess = 0;                       // files per second decoding in this process, when the window does not
    double target = 0;       // wanted ratio to vipsthumbnail, or files per second when absolute
    bool absolute = false;
};

QString ratio(double ours, double theirs)
{
    return theirs > 0 ? QString::asprintf("%.2fx", ours / theirs) : QStringLiteral("-");
}

QString rate(double filesPerSecond)
{
    return filesPerSecond > 0 ? QString::asprintf("%.1f", filesPerSecond) : QStringLiteral("-");
}

} // namespace

int main(int argc, char** argv)
{
    // The window reads its settings at opening; a scratch folder keeps the
    // user's own out of it and makes no update request.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    Options options;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (argument == QLatin1String("--runs"))
            options.runs = std::max(1, value.toInt()), ++i;
        else if (argument == QLatin1String("--magick-runs"))
            options.magickRuns = std::max(0, value.toInt()), ++i;
        else if (argument == QLatin1String("--sets"))
            options.sets = value.split(','), ++i;
        else if (argument == QLatin1String("--cache"))
            options.cache = value, ++i;
        else if (argument == QLatin1String("--stage-threads"))
            options.stageThreads = std::max(0, value.toInt()), ++i;
        else if (argument == QLatin1String("--in-process"))
            options.inProcess = true;
        else if (argument == QLatin1String("--lumigrid-only"))
            options.othersToo = false;
        else if (argument == QLatin1String("--memory-child"))
            options.memoryChild = value, ++i;
    }
    if (!options.memoryChild.isEmpty())
        return memoryChild(options.memoryChild, options.inProcess, options.stageThreads);

    const QString startLoad = loadAverage();
    std::printf("scan benchmark: %u cores, load average %s, Qt %s, libvips %s; median of %d runs (ImageMagick %d)\n",
        std::thread::hardware_concurrency(), qPrintable(startLoad), qVersion(), VIPS_VERSION, options.runs,
        options.magickRuns);
    std::printf("fixtures: %s\n", qPrintable(options.cache));
    std::fflush(stdout);
    if (!BenchFixtures::ensure(options.cache))
        return 1;

    const QString out = options.cache + QStringLiteral("/out");
    const bool haveVips = options.othersToo && installed(QStringLiteral("vipsthumbnail"));
    const QString convert = QStringLiteral("/usr/bin/convert");
    const bool haveMagick = options.othersToo && installed(convert);

    Window1 window(1024);
    window.updatesTimer->stop();
    if (options.inProcess)
        window.scanControl->makeEntry = {};
    if (options.stageThreads >= 0)
        window.scanControl->makeEntryThreads = options.stageThreads;
    if (window.scanControl->makeEntry)
        std::printf("decoding: the window's own decode stage (ScanControl::makeEntry as Window1 sets it), %s\n",
            window.scanControl->makeEntryThreads == 0
                ? "as many files at once as cores"
                : qPrintable(QStringLiteral("%1 file(s) at once").arg(window.scanControl->makeEntryThreads)));
    else
        std::printf("decoding: the platform decoders in the scan's decoder threads, as many as cores\n");
    window.show();
    QCoreApplication::processEvents();
    PauseWatch pauses;
    StallProbe probe(pauses);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::printf("machine pauses: %s\n",
        pauses.active() ? "watched by a real-time thread, left out of the stalls"
                        : "not watched (no permission for a real-time thread), stalls include them");
    double worstStall = 0;
    QStringList commands;
    std::vector<Row> rows;
    bool walked = false;
    double walkOurs = 0, walkFind = 0, walkStall = 0;
    int walkItems = 0;
    QString walkCommand;
    bool measuredMemory = false;
    Memory memory;

    for (const Set& set : BenchFixtures::sets()) {
        if (!options.sets.isEmpty() && !options.sets.contains(set.name))
            continue;
        const QString folder = BenchFixtures::folder(options.cache, set);
        std::printf("measuring %s ...\n", qPrintable(set.description));
        std::fflush(stdout);
        warm(folder);

        if (set.name == QLatin1String("entries-10k")) {
            measuredMemory = memoryInChild(folder, options.inProcess, options.stageThreads, memory);
            worstStall = std::max(worstStall, memory.stallMs);
            continue;
        }

        if (!set.pictures) {
            walkCommand = QStringLiteral("find %1 > /dev/null").arg(quoted(folder));
            std::vector<double> ours, theirs;
            for (int run = 0; run < options.runs; ++run) {
                setTypes(window, false, true);
                const ScanResult scan = scanOnce(window, folder, probe);
                walkStall = std::max(walkStall, scan.stallMs);
                ours.push_back(scan.seconds);
                if (options.othersToo)
                    theirs.push_back(timeCommand(walkCommand).seconds);
            }
            walked = true;
            worstStall = std::max(worstStall, walkStall);
            walkOurs = median(ours);
            walkFind = median(theirs);
            walkItems = set.count;
            continue;
        }

        const int half = (set.count + 1) / 2;
        const QString list = QStringLiteral("cd %1 && find . -maxdepth 1 -type f -printf '%f\\0' | sort -z").arg(quoted(folder));
        const QString vipsCommand = QStringLiteral("%1 | xargs -0 -n %2 -P 2 vipsthumbnail --size 100x100 -o %3/%s.jpg")
                                        .arg(list).arg(half).arg(quoted(out));
        const QString magickCommand
            = QStringLiteral("%1 | xargs -0 -P 2 -I{} %2 -define jpeg:size=200x200 '{}[0]' -thumbnail 100x100 %3/'{}'.jpg")
                  .arg(list, convert, quoted(out));
        std::vector<double> ours, vips, magick, oursCpu, vipsCpu, inProcess;
        double setStall = 0;
        int entries = 0;
        for (int run = 0; run < options.runs; ++run) {
            setTypes(window, true, false);
            const ScanResult scan = scanOnce(window, folder, probe);
            setStall = std::max(setStall, scan.stallMs);
            entries = scan.entries;
            ours.push_back(set.count / scan.seconds);
            if (window.scanControl->makeEntry) {
                // The same scan with the platform decoders in this process;
                // helper processes' time is not this process's.
                const FolderScan::MakeEntry stage = window.scanControl->makeEntry;
                window.scanControl->makeEntry = {};
                const ScanResult local = scanOnce(window, folder, probe);
                window.scanControl->makeEntry = stage;
                inProcess.push_back(set.count / local.seconds);
                oursCpu.push_back(local.cpuSeconds * 1000 / set.count);
            } else {
                oursCpu.push_back(scan.cpuSeconds * 1000 / set.count);
            }
            if (haveVips) {
                freshFolder(out);
                const Timed timed = timeCommand(vipsCommand);
                if (timed.seconds > 0) {
                    vips.push_back(set.count / timed.seconds);
                    vipsCpu.push_back(timed.cpuSeconds * 1000 / set.count);
                }
            }
            if (haveMagick && run < options.magickRuns) {
                freshFolder(out);
                const Timed timed = timeCommand(magickCommand);
                if (timed.seconds > 0)
                    magick.push_back(set.count / timed.seconds);
            }
        }
        if (entries != set.count)
            std::printf("  warning: %d entries for %d files\n", entries, set.count);
        commands << vipsCommand << magickCommand;
        worstStall = std::max(worstStall, setStall);
        Row row {set.description, set.count, median(ours), median(vips), median(magick), median(oursCpu),
            median(vipsCpu), setStall, median(inProcess), 1.0, false};
        if (set.name == QLatin1String("jpeg-12mp"))
            row.target = 1.3;
        if (set.name == QLatin1String("jpeg-vga"))
            row.target = 1000, row.absolute = true;
        rows.push_back(row);
    }
    freshFolder(out);
    QDir(out).removeRecursively();

    const bool helpers = !rows.empty() && rows.front().inProcess > 0;
    std::printf("\n%-28s %5s %10s %15s %6s %13s %6s %8s %8s %7s%s  %s\n", "set", "files", "Lumigrid/s",
        "vipsthumbnail/s", "ratio", "ImageMagick/s", "ratio", "CPU ms/f", "vips CPU", "stall",
        helpers ? " in-process/s" : "", "target");
    for (const Row& row : rows) {
        const QString target = row.absolute ? QString::asprintf(">= %.0f files/s", row.target)
                                            : QString::asprintf(">= %.1fx vipsthumbnail", row.target);
        const bool met = row.absolute ? row.lumigrid >= row.target : row.vips > 0 && row.lumigrid / row.vips >= row.target;
        std::printf("%-28s %5d %10s %15s %6s %13s %6s %8s %8s %4.1f ms%s  %s %s\n", qPrintable(row.label), row.files,
            qPrintable(rate(row.lumigrid)), qPrintable(rate(row.vips)), qPrintable(ratio(row.lumigrid, row.vips)),
            qPrintable(rate(row.magick)), qPrintable(ratio(row.lumigrid, row.magick)), qPrintable(rate(row.lumigridCpu)),
            qPrintable(rate(row.vipsCpu)), row.stall,
            helpers ? qPrintable(QString::asprintf(" %13s", qPrintable(rate(row.inProcess)))) : "", qPrintable(target),
            met ? "met" : "NOT MET");
    }
    std::printf("(Lumigrid: the window's scan of the folder, ScanControl::startScan to \"done\", offscreen; files/s: "
                "median of the runs, wall clock; CPU ms/f: user and system time of every thread or process per file%s; "
                "stall: the longest lateness of a 1 ms timer on the interface thread during Lumigrid's scans, less the time a real-time watch thread saw the whole machine paused)\n",
        helpers ? ", Lumigrid's decoding in-process" : "");
    if (walked) {
        const double times = walkFind > 0 ? walkOurs / walkFind : 0;
        std::printf("walk of %d entries, every type off: Lumigrid %.3f s, find %.3f s: %.2f x find (target <= 3x) %s; "
                    "stall %.1f ms\n",
            walkItems, walkOurs, walkFind, times, times > 0 && times <= 3 ? "met" : "NOT MET", walkStall);
    }
    if (measuredMemory) {
        const double perEntry = memory.entries > 0 ? double(memory.after - memory.before) / memory.entries : 0;
        std::printf("memory at %d entries: RSS %.1f MB before the scan, %.1f MB after, peak %.1f MB; %.0f bytes (%.1f KB) "
                    "per entry (target <= 48 KB) %s\n",
            memory.entries, memory.before / 1048576.0, memory.after / 1048576.0, memory.peak / 1048576.0, perEntry,
            perEntry / 1024, perEntry > 0 && perEntry <= 48 * 1024 ? "met" : "NOT MET");
        std::printf("  that scan: %.1f files/s, stall %.1f ms\n", memory.entries / std::max(1e-9, memory.seconds),
            memory.stallMs);
        std::printf("page change with %d entries (the cells take the page's thumbnails, the window paints them): median "
                    "%.3f ms, longest %.3f ms over %d changes, %d cell paints; the hand-over alone: median %.3f ms "
                    "(target < 5 ms) %s\n",
            memory.entries, memory.pageMedianMs, memory.pageWorstMs, memory.pageChanges, memory.pagePaints,
            memory.handMedianMs, memory.pageMedianMs < 5 ? "met" : "NOT MET");
    }
    std::printf("longest stall of the interface thread during the scans: %.1f ms (target <= 50 ms) %s; "
                "with the machine's own pauses counted in: %.1f ms\n",
        worstStall, worstStall <= 50 ? "met" : "NOT MET", worstWithPauses);
    std::printf("load average at the start %s, at the end %s\n", qPrintable(startLoad), qPrintable(loadAverage()));
    std::printf("\ncommands (run from anywhere; %s must exist):\n", qPrintable(out));
    commands.removeDuplicates();
    for (const QString& command : std::as_const(commands))
        std::printf("  %s\n", qPrintable(command));
    if (!walkCommand.isEmpty())
        std::printf("  %s\n", qPrintable(walkCommand));
    return 0;
}
