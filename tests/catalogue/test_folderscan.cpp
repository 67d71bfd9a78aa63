#include "catalogue/folderscan.h"
#include "catalogue/rawpath.h"
#include "fixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Switches {
    std::atomic<bool> subdirectories {false};
    std::atomic<bool> jpeg {true}, png {true}, gif {true}, tiff {true}, psd {true}, pdf {false};
    std::atomic<bool> constrain {true};
    ScanSwitches view() const { return {subdirectories, jpeg, png, gif, tiff, psd, pdf, constrain}; }
};

// Every accepted file gives an entry, so the walk alone is under test.
std::optional<CatalogueEntry> anyFileIsAPicture(const AcceptedFile& file, bool)
{
    return CatalogueEntry {file.path, file.name, QStringLiteral("1 x 1"), QImage(100, 100, QImage::Format_RGB32)};
}

// A scan's steps as short lines, paths relative to the chosen folder.
class Recorder {
public:
    explicit Recorder(QByteArray root)
        : m_root(std::move(root))
    {
    }
    QStringList lines;
    std::function<bool(const ScanStep&)> onStep;  // returns false to stop the scan

    bool post(const ScanStep& step)
    {
        switch (step.kind) {
        case ScanStep::Kind::Start:
            lines << "start " + relative(step.path);
            break;
        case ScanStep::Kind::FolderStart:
            lines << QStringLiteral("folder %1 / %2%3, %4 items: %5")
                         .arg(step.d)
                         .arg(step.c)
                         .arg(step.subdirectories ? "" : " (status hidden)")
                         .arg(step.n)
                         .arg(relative(step.path));
            break;
        case ScanStep::Kind::Item:
            lines << "item";
            break;
        case ScanStep::Kind::PathShown:
            lines << "path " + relative(step.path);
            break;
        case ScanStep::Kind::Entry:
            lines << "entry " + relative(step.entry.path);
            break;
        case ScanStep::Kind::End:
            lines << "end";
            break;
        }
        return !onStep || onStep(step);
    }

    QString relative(const QByteArray& path) const
    {
        if (path == m_root)
            return QStringLiteral(".");
        return RawPath::display(path.startsWith(m_root + '/') ? path.mid(m_root.size() + 1) : path);
    }

private:
    QByteArray m_root;
};

void run(const QByteArray& root, Switches& switches, Recorder& recorder, FolderScan::MakeEntry makeEntry = anyFileIsAPicture)
{
    FolderScan scan(
        root, switches.view(), [&](ScanStep&& step) { return recorder.post(step); }, [] { return true; },
        std::move(makeEntry));
    scan.run();
}

// Files and folders under root; a name ending in "/" is a folder.
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

} // namespace

class TestFolderScan : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void walkOrder_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("typesOn");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ticked: breadth first, c growing") << true << true << QStringList {
            "start .",
            "folder 1 / 1, 4 items: .",
            "item", "entry a.jpg",
            "item",                     // notes.txt
            "item", "path sub1",
            "item", "path sub2",
            "folder 2 / 3, 2 items: sub1",
            "item", "entry sub1/b.jpg",
            "item", "path sub1/deep",
            "folder 3 / 4, 1 items: sub2",
            "item", "entry sub2/c.png",
            "folder 4 / 4, 1 items: sub1/deep",
            "item", "entry sub1/deep/d.gif",
            "end",
        };
        QTest::newRow("unticked: only the chosen folder") << false << true << QStringList {
            "start .",
            "folder 1 / 1 (status hidden), 4 items: .",
            "item", "entry a.jpg",
            "item",
            "item", "path sub1",
            "item", "path sub2",
            "end",
        };
        QTest::newRow("every type off: every folder, no entry") << true << false << QStringList {
            "start .",
            "folder 1 / 1, 4 items: .",
            "item", "item", "item", "path sub1", "item", "path sub2",
            "folder 2 / 3, 2 items: sub1",
            "item", "item", "path sub1/deep",
            "folder 3 / 4, 1 items: sub2",
            "item",
            "folder 4 / 4, 1 items: sub1/deep",
            "item",
            "end",
        };
    }
    void walkOrder()
    {
        QFETCH(bool, ticked);
        QFETCH(bool, typesOn);
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"a.jpg", "notes.txt", "sub1/", "sub2/", "sub1/b.jpg", "sub1/deep/", "sub1/deep/d.gif", "sub2/c.png"});
        Switches switches;
        switches.subdirectories = ticked;
        if (!typesOn)
            switches.jpeg = switches.png = switches.gif = switches.tiff = switches.psd = false;
        Recorder recorder(root);
        run(root, switches, recorder);
        QTEST(recorder.lines, "expected");
    }

    void boxIsReadLive_data()
    {
        QTest::addColumn<bool>("tickedAtStart");
        QTest::addColumn<int>("flipAtFolder");  // the box flips when this folder starts
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("ticked while the chosen folder is scanned") << false << 1
                                                                   << QStringList {"1 / 1 (status hidden)", "2 / 3", "3 / 4", "4 / 4"};
        QTest::newRow("unticked in the middle: ends after that folder") << true << 2
                                                                        << QStringList {"1 / 1", "2 / 3"};
    }
    void boxIsReadLive()
    {
        QFETCH(bool, tickedAtStart);
        QFETCH(int, flipAtFolder);
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"a.jpg", "sub1/", "sub2/", "sub1/deep/"});
        Switches switches;
        switches.subdirectories = tickedAtStart;
        Recorder recorder(root);
        QStringList folders;
        recorder.onStep = [&](const ScanStep& step) {
            if (step.kind == ScanStep::Kind::FolderStart) {
                folders << QStringLiteral("%1 / %2%3").arg(step.d).arg(step.c).arg(step.subdirectories ? "" : " (status hidden)");
                if (step.d == flipAtFolder)
                    switches.subdirectories = !tickedAtStart;
            }
            return true;
        };
        run(root, switches, recorder);
        QTEST(folders, "folders");
        QCOMPARE(recorder.lines.last(), QStringLiteral("end"));
    }

    void itemsInNaturalNameOrder()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"img10.jpg", "img2.jpg", "Img1.jpg", "b.JPEG", "MYJPEG"});
        Switches switches;
        Recorder recorder(root);
        run(root, switches, recorder);
        QCOMPARE(recorder.lines.filter("entry"),
            QStringList({"entry b.JPEG", "entry Img1.jpg", "entry img2.jpg", "entry img10.jpg", "entry MYJPEG"}));
    }

    void linksNeverEnterAFolderTwice()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"a.jpg", "sub/", "sub/b.jpg"});
        QCOMPARE(::symlink("..", (root + "/sub/up").constData()), 0);
        QCOMPARE(::symlink(".", (root + "/self").constData()), 0);
        QCOMPARE(::symlink("sub", (root + "/twin").constData()), 0);
        QCOMPARE(::symlink("loop", (root + "/loop").constData()), 0);
        Switches switches;
        switches.subdirectories = true;
        Recorder recorder(root);
        run(root, switches, recorder);
        QCOMPARE(recorder.lines.filter("folder"),
            QStringList({"folder 1 / 1, 5 items: .", "folder 2 / 2, 2 items: sub"}));
        QCOMPARE(recorder.lines.filter("entry"), QStringList({"entry a.jpg", "entry sub/b.jpg"}));
        QCOMPARE(recorder.lines.last(), QStringLiteral("end"));
    }

    void vanishedFoldersAndItemsAreSkipped()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"gone/", "sub/"});
        const QByteArray picture = Fixtures::encode(Fixtures::solid(40, 30, Qt::red), "png");
        QVERIFY(Fixtures::writeBytes(root + "/a.png", picture));
        QVERIFY(Fixtures::writeBytes(root + "/b.png", picture));
        QVERIFY(Fixtures::writeBytes(root + "/sub/c.png", picture));
        Switches switches;
        switches.subdirectories = true;
        Recorder recorder(root);
        recorder.onStep = [&](const ScanStep& step) {
            if (step.kind == ScanStep::Kind::FolderStart && step.d == 1) {
                ::unlink((root + "/b.png").constData());
                ::rmdir((root + "/gone").constData());
            }
            if (step.kind == ScanStep::Kind::PathShown && step.path.endsWith("/sub"))
                QDir(QFile::decodeName(step.path)).removeRecursively();
            return true;
        };
        FolderScan scan(root, switches.view(), [&](ScanStep&& step) { return recorder.post(step); }, [] { return true; });
        scan.run();
        QCOMPARE(recorder.lines.filter("entry"), QStringList({"entry a.png"}));
        QCOMPARE(recorder.lines.filter("folder"),
            QStringList({"folder 1 / 1, 4 items: .", "folder 2 / 2, 0 items: sub"}));
        QCOMPARE(recorder.lines.last(), QStringLiteral("end"));
    }

    void namesKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"caf\xe9.jpg", "dir\xff/", "dir\xff/x.png"});
        Switches switches;
        switches.subdirectories = true;
        QList<CatalogueEntry> entries;
        QList<QByteArray> shown;
        FolderScan scan(
            root, switches.view(),
            [&](ScanStep&& step) {
                if (step.kind == ScanStep::Kind::Entry)
                    entries << step.entry;
                if (step.kind == ScanStep::Kind::PathShown)
                    shown << step.path;
                return true;
            },
            [] { return true; }, anyFileIsAPicture);
        scan.run();
        QCOMPARE(shown, QList<QByteArray>({root + "/dir\xff"}));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].path, root + "/caf\xe9.jpg");
        QCOMPARE(entries[0].name, QStringLiteral("caf\uFFFD.jpg"));
        QCOMPARE(entries[1].path, root + "/dir\xff/x.png");
        // QTemporaryDir removes by decoded names, which these are not.
        ::unlink((root + "/caf\xe9.jpg").constData());
        ::unlink((root + "/dir\xff/x.png").constData());
        ::rmdir((root + "/dir\xff").constData());
    }

    void stoppingEndsAtOnce()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        make(root, {"a.jpg", "b.jpg", "c.jpg"});
        Switches switches;
        Recorder recorder(root);
        int items = 0;
        FolderScan scan(
            root, switches.view(), [&](ScanStep&& step) { return recorder.post(step); },
            [&] { return ++items < 2; }, anyFileIsAPicture);
        scan.run();
        QCOMPARE(recorder.lines.filter("entry"), QStringList({"entry a.jpg", "entry b.jpg"}));
        QVERIFY(!recorder.lines.contains("end"));
    }

    void emptyFolderGoesStraightToTheEnd()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        Switches switches;
        switches.subdirectories = true;
        for (const QByteArray& chosen : {root, root + "/missing"}) {
            Recorder recorder(root);
            run(chosen, switches, recorder);
            QCOMPARE(recorder.lines.size(), 2);
            QCOMPARE(recorder.lines.last(), QStringLiteral("end"));
        }
    }

    void rootSkipsSystemFolders()
    {
        Switches switches;
        switches.subdirectories = true;
        switches.jpeg = switches.png = switches.gif = switches.tiff = switches.psd = false;
        QStringList firstLevel;
        int known = 0;
        Recorder recorder("/");
        recorder.onStep = [&](const ScanStep& step) {
            if (step.kind != ScanStep::Kind::FolderStart)
                return true;
            if (step.d == 2)
                known = step.c;
            if (step.d > 1 && step.d <= known)
                firstLevel << QString::fromUtf8(step.path);
            return step.d == 1 || step.d <= known;
        };
        run("/", switches, recorder);
        QVERIFY(firstLevel.contains("/etc"));
        QVERIFY(firstLevel.contains("/usr"));
        for (const char* skipped : {"/proc", "/sys", "/dev", "/run", "/Volumes", "/automount"})
            QVERIFY2(!firstLevel.contains(skipped), skipped);
    }
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "test_folderscan.moc"
