#include "catalogue/rawpath.h"
#include "catalogue/scanpipeline.h"
#include "fixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Switches {
    std::atomic<bool> subdirectories {true};
    std::atomic<bool> jpeg {true}, png {true}, gif {true}, tiff {true}, psd {true}, pdf {false};
    std::atomic<bool> constrain {true};
    ScanSwitches view() const { return {subdirectories, jpeg, png, gif, tiff, psd, pdf, constrain}; }
};

// An entry for every accepted file but those named "broken..."; its size
// text records the proportions setting the decode was given.
std::optional<CatalogueEntry> entryFor(const AcceptedFile& file, bool constrain)
{
    if (file.name.startsWith(QLatin1String("broken")))
        return std::nullopt;
    return CatalogueEntry {file.path, file.name, constrain ? QStringLiteral("constrained") : QStringLiteral("stretched"),
        QImage()};
}

QString describeOne(const ScanStep& step, const QByteArray& root)
{
    const auto relative = [&](const QByteArray& path) {
        return RawPath::display(path == root ? QByteArray(".") : path.mid(root.size() + 1));
    };
    switch (step.kind) {
    case ScanStep::Kind::Start:
        return "start " + relative(step.path);
    case ScanStep::Kind::FolderStart:
        return QStringLiteral("folder %1 / %2, %3 items").arg(step.d).arg(step.c).arg(step.n);
    case ScanStep::Kind::Item:
        return QStringLiteral("item");
    case ScanStep::Kind::PathShown:
        return "path " + relative(step.path);
    case ScanStep::Kind::Entry:
        return "entry " + relative(step.entry.path) + ' ' + step.entry.size;
    case ScanStep::Kind::End:
        return QStringLiteral("end");
    }
    return {};
}

// A step that raises the bar by several items reads as that many items.
QStringList describe(const ScanStep& step, const QByteArray& root)
{
    QStringList lines;
    for (int i = 0; i < (step.kind == ScanStep::Kind::Item ? step.count : 1); ++i)
        lines << describeOne(step, root);
    return lines;
}

// The walk of one scan on its own thread, feeding a pipeline; hook sees
// every step the walk posts, before the pipeline does.
class Walker {
public:
    Walker(ScanPipeline& pipeline, const QByteArray& root, Switches& switches,
        std::function<void(const ScanStep&)> hook = {})
        : m_pipeline(pipeline)
        , m_thread([&pipeline, root, &switches, hook = std::move(hook), this] {
            FolderScan scan(
                root, switches.view(),
                [&](ScanStep&& step) {
                    if (hook)
                        hook(step);
                    return pipeline.post(std::move(step));
                },
                [&] { return !pipeline.stopped(); });
            scan.decodeWith([&](AcceptedFile&& file, bool constrain) {
                ++handedOver;
                return pipeline.decode(std::move(file), constrain);
            });
            scan.run();
            walked = true;
            pipeline.finish();
            finished = true;
        })
    {
    }
    ~Walker()
    {
        m_pipeline.stop();
        m_thread.join();
    }
    std::atomic<int> handedOver {0};
    std::atomic<bool> walked {false};
    std::atomic<bool> finished {false};

private:
    ScanPipeline& m_pipeline;
    std::thread m_thread;
};

// The interface side: takes what the pipeline offers each time it wakes.
struct Taker {
    QSemaphore woken;
    QStringList lines;
    QByteArray root;

    std::function<void()> wake()
    {
        return [this] { woken.release(); };
    }
    // Takes until the end step, or until timeout passes without it.
    bool takeUntilEnd(ScanPipeline& pipeline, int timeout = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeout) {
            if (!woken.tryAcquire(1, 20))
                continue;
            for (const ScanStep& step : pipeline.take()) {
                lines << describe(step, root);
                if (step.kind == ScanStep::Kind::End)
                    return true;
            }
        }
        return false;
    }
};

void make(const QByteArray& root, const QList<QByteArray>& names)
{
    for (const QByteArray& name : names) {
        const QByteArray path = root + '/' + name;
        if (name.endsWith('/'))
            QVERIFY(::mkdir(path.chopped(1).constData(), 0755) == 0);
        else
            QVERIFY(Fixtures::writeBytes(path, "x"));
    }
}

// The steps of the same walk made one after the other on this thread.
QStringList walkedInOrder(const QByteArray& root, Switches& switches)
{
    QStringList lines;
    FolderScan scan(
        root, switches.view(),
        [&](ScanStep&& step) {
            lines << describe(step, root);
            return true;
        },
        [] { return true; }, entryFor);
    scan.run();
    return lines;
}

} // namespace

class TestScanPipeline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stepsKeepTheWalkOrderWhateverOrderDecodesEnd_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("decodesAhead");
        QTest::newRow("one decoder thread") << 1 << 3;
        QTest::newRow("four threads, eight ahead") << 4 << 8;
        QTest::newRow("more threads than room") << 6 << 2;
    }
    void stepsKeepTheWalkOrderWhateverOrderDecodesEnd()
    {
        QFETCH(int, threads);
        QFETCH(int, decodesAhead);
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QList<QByteArray> names {"sub/", "sub/deep/", "notes.txt", "sub/broken1.png", "sub/deep/z.gif"};
        for (int i = 1; i <= 40; ++i)
            names << "p" + QByteArray::number(i) + (i % 7 == 0 ? ".txt" : i % 5 == 0 ? ".png" : ".jpg");
        for (int i = 1; i <= 12; ++i)
            names << "sub/q" + QByteArray::number(i) + ".jpg" << "sub/broken" + QByteArray::number(i + 1) + ".jpg";
        make(root, names);
        Switches switches;
        const QStringList expected = walkedInOrder(root, switches);
        QVERIFY(expected.filter("entry").size() > 40);

        // Random delays, so later files often finish first.
        Taker taker;
        taker.root = root;
        ScanPipeline pipeline(
            [](const AcceptedFile& file, bool constrain) {
                QThread::usleep(QRandomGenerator::global()->bounded(3000));
                return entryFor(file, constrain);
            },
            taker.wake(), {threads, 16, decodesAhead});
        Walker walker(pipeline, root, switches);
        QVERIFY(taker.takeUntilEnd(pipeline));
        QCOMPARE(taker.lines, expected);
        QTRY_VERIFY(walker.finished);
    }

    void settingsAreReadWhenTheWalkExaminesTheItem()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.png", "6.gif"});
        Switches switches;
        switches.subdirectories = false;
        QSemaphore gate;
        Taker taker;
        taker.root = root;
        ScanPipeline pipeline(
            [&](const AcceptedFile& file, bool constrain) {
                gate.acquire();
                return entryFor(file, constrain);
            },
            taker.wake(), {2, 64, 8});
        int items = 0;
        // Before the walk examines item 3 the proportions setting flips, and
        // before item 6 the GIF type goes off; every decode begins after the
        // walk has ended and both are back.
        Walker walker(pipeline, root, switches, [&](const ScanStep& step) {
            if (step.kind != ScanStep::Kind::Item)
                return;
            ++items;
            if (items == 3)
                switches.constrain = false;
            if (items == 6)
                switches.gif = false;
        });
        QTRY_VERIFY(walker.walked);
        switches.constrain = true;
        switches.gif = true;
        gate.release(6);
        QVERIFY(taker.takeUntilEnd(pipeline));
        QCOMPARE(taker.lines.filter("entry"),
            QStringList({"entry 1.jpg constrained", "entry 2.jpg constrained", "entry 3.jpg stretched",
                "entry 4.jpg stretched", "entry 5.png stretched"}));
    }

    void stopDropsWhatWasDecodedAhead()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QList<QByteArray> names;
        for (int i = 1; i <= 30; ++i)
            names << QByteArray::number(100 + i) + ".jpg";
        make(root, names);
        Switches switches;
        QSemaphore headGate;
        std::atomic<bool> headDone {false};
        std::atomic<int> decoded {0};
        Taker taker;
        taker.root = root;
        ScanPipeline pipeline(
            [&](const AcceptedFile& file, bool constrain) {
                // The fourth file is slow; the files behind it are decoded
                // ahead while it runs.
                if (file.name == QLatin1String("104.jpg")) {
                    headGate.acquire();
                    headDone = true;
                }
                ++decoded;
                return entryFor(file, constrain);
            },
            taker.wake(), {2, 64, 6});
        Walker walker(pipeline, root, switches);
        QStringList entries;
        QElapsedTimer timer;
        timer.start();
        while (entries.size() < 3 && timer.elapsed() < 10000) {
            for (const ScanStep& step : pipeline.take()) {
                if (step.kind == ScanStep::Kind::Entry)
                    entries << step.entry.name;
            }
            QThread::msleep(5);
        }
        QCOMPARE(entries, QStringList({"101.jpg", "102.jpg", "103.jpg"}));
        // 105 ... 109 are decoded ahead and wait behind 104; the walk waits
        // with 110 until the interface takes something.
        QTRY_COMPARE(int(decoded), 3 + 5);
        QTRY_COMPARE(int(walker.handedOver), 3 + 6 + 1);
        QTest::qWait(50);
        QCOMPARE(int(decoded), 3 + 5);
        QCOMPARE(int(walker.handedOver), 3 + 6 + 1);
        QVERIFY(pipeline.take().empty());

        // Returns although 104 is still being decoded.
        pipeline.stop();
        QVERIFY(pipeline.stopped());
        QVERIFY(!headDone);
        headGate.release();
        QTRY_VERIFY(walker.finished);
        QVERIFY(pipeline.take().empty());
        QCOMPARE(int(decoded), 3 + 5 + 1);
        QCOMPARE(int(walker.handedOver), 3 + 6 + 1);
    }
};

QTEST_GUILESS_MAIN(TestScanPipeline)
#include "test_scanpipeline.moc"
