#include "app/scancontrol.h"
#include "app/window1.h"
#include "catalogue/module1.h"
#include "catalogue/rawpath.h"
#include "common/leadingnumber.h"
#include "hostilefiles.h"
#include "viewer/changepicture.h"
#include "viewer/window2.h"
#include "widgets/canvas.h"
#include "widgets/customprogress.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

// Scans and the viewer, with the program's own decoding in its helpers, on
// folders that fight back: names that are not text, files and folders that
// vanish while they are read, links that go round in circles, and the
// kernel's /proc.
namespace {

Catalogue& catalogue()
{
    return Module1::catalogue();
}

void allTypes(Window1& window, bool on = true)
{
    window.settingsjpeg = window.settingspng = window.settingsgif = on;
    window.settingstiff = window.settingspsd = window.settingspdf = on;
    window.settingsprop = true;
}

bool idle(const Window1& window)
{
    return window.BevelButton1->text() == QLatin1String("Choose Path");
}

QByteArray png(QSize size, QColor colour)
{
    return Fixtures::encode(Fixtures::solid(size.width(), size.height(), colour), "png");
}

void makeFolder(const QByteArray& path)
{
    QCOMPARE(::mkdir(path.constData(), 0755), 0);
}

void write(const QByteArray& path, const QByteArray& bytes)
{
    QVERIFY2(Fixtures::writeBytes(path, bytes), path.constData());
}

// Index of the entry with that path, 0 when none.
int entryOf(const QByteArray& path)
{
    for (int i = 1; i <= catalogue().x(); ++i) {
        if (catalogue().bildfile(i) == path)
            return i;
    }
    return 0;
}

} // namespace

class TestHostileScan : public QObject {
    Q_OBJECT
private:
    int m_alerts = 0;

    // Shows entry index in the viewer; the colour at its centre, or 0 after
    // the missing-file alert.
    QRgb show(int index)
    {
        const int before = m_alerts;
        catalogue().clickedpic = index;
        Window2* viewer = Window2::instance();
        if (viewer->isVisible())
            Module1::changepicture();
        else
            viewer->present();
        if (m_alerts != before)
            return 0;
        const QImage shown = viewer->Canvas1->picture();
        return shown.isNull() ? 0 : shown.pixel(shown.width() / 2, shown.height() / 2);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        Module1::setMissingFileAlert([this] { ++m_alerts; });
    }

    void init()
    {
        catalogue().empty();
        m_alerts = 0;
    }

    void cleanup()
    {
        if (Window2* viewer = Window2::instance())
            viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Listed, shown and opened again by the bytes the file system gave.
    void namesThatAreNotTextKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        const QByteArray folder = root + "/dir\xff";
        makeFolder(folder);
        const QByteArray latin1 = folder + "/caf\xe9.png";
        const QByteArray stray = folder + "/\x80\xfe.jpg";
        write(latin1, png(QSize(30, 20), Qt::red));
        write(stray, Fixtures::encode(Fixtures::solid(40, 30, Qt::blue), "jpeg"));
        const auto removeByBytes = qScopeGuard([&] {
            ::unlink(latin1.constData());
            ::unlink(stray.constData());
            ::rmdir(folder.constData());
        });

        Window1 window(1024);
        allTypes(window);
        window.CheckBox1->setChecked(true);
        window.scanControl->startScan(root);
        QTRY_VERIFY_WITH_TIMEOUT(idle(window), 60000);
        QCOMPARE(catalogue().x(), 2);
        QCOMPARE(window.EditField1->text(), RawPath::display(folder));

        const int first = entryOf(latin1);
        const int second = entryOf(stray);
        QVERIFY(first > 0 && second > 0);
        QCOMPARE(catalogue().bildname(first), QStringLiteral("caf\uFFFD.png"));
        QCOMPARE(catalogue().bildsize(first), QStringLiteral("30 x 20"));
        QCOMPARE(catalogue().bildsize(second), QStringLiteral("40 x 30"));
        QCOMPARE(qRed(show(first)), 255);
        QVERIFY(qBlue(show(second)) > 200);
        QCOMPARE(m_alerts, 0);
    }

    // A deleting hand runs through the tree while it is scanned and the
    // viewer keeps showing pictures of it: entries of files already gone
    // come with the alert, the scan still ends, nothing else happens.
    void filesAndFoldersVanishDuringScanAndViewer()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QList<QByteArray> files;
        QList<QByteArray> folders;
        for (int f = 0; f < 12; ++f) {
            const QByteArray folder = root + "/f" + QByteArray::number(f);
            makeFolder(folder);
            folders << folder;
            for (int s = 0; s < 2; ++s) {
                const QByteArray sub = folder + "/s" + QByteArray::number(s);
                makeFolder(sub);
                folders << sub;
            }
            for (int i = 0; i < 30; ++i) {
                const QByteArray where = i % 3 == 0 ? folder : folder + "/s" + QByteArray::number(i % 2);
                files << where + "/p" + QByteArray::number(i) + ".png";
                write(files.last(), png(QSize(16, 12), QColor(0, 0, 250)));
            }
        }

        Window1 window(1024);
        allTypes(window);
        window.CheckBox1->setChecked(true);

        std::atomic<bool> scanning {true};
        std::atomic<int> removedDuringScan {0};
        std::thread hand([&] {
            QRandomGenerator random(20240229);
            QList<QByteArray> victims = files;
            for (int i = 0; i < 6; ++i)
                victims << folders[random.bounded(folders.size())];
            std::shuffle(victims.begin(), victims.end(), std::mt19937(7));
            for (const QByteArray& victim : victims) {
                if (!scanning)
                    break;
                std::error_code ignored;
                if (std::filesystem::remove_all(victim.constData(), ignored) > 0)
                    ++removedDuringScan;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });

        int shown = 0;
        int alerted = 0;
        QTimer viewing;
        QRandomGenerator pick(3);
        connect(&viewing, &QTimer::timeout, this, [&] {
            if (catalogue().x() == 0)
                return;
            (show(1 + pick.bounded(catalogue().x())) == 0 ? alerted : shown)++;
        });
        viewing.start(5);
        window.scanControl->startScan(root);
        QTRY_VERIFY_WITH_TIMEOUT(idle(window), 120000);
        scanning = false;
        hand.join();
        viewing.stop();

        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QVERIFY(removedDuringScan > 0);
        QVERIFY(shown + alerted > 0);
        QCOMPARE(alerted, m_alerts);
        QVERIFY(catalogue().x() <= files.size());
        for (int i = 1; i <= catalogue().x(); ++i) {
            QCOMPARE(catalogue().bildsize(i), QStringLiteral("16 x 12"));
            QCOMPARE(catalogue().bildscaled(i).size(), QSize(100, 100));
        }

        // Once the tree is gone, every entry gives the alert and the viewer
        // stays on the last picture it had.
        std::error_code ignored;
        for (const QByteArray& folder : folders)
            std::filesystem::remove_all(folder.constData(), ignored);
        m_alerts = 0;
        for (int i = 1; i <= catalogue().x(); ++i)
            QCOMPARE(show(i), QRgb(0));
        QCOMPARE(m_alerts, catalogue().x());
    }

    // Folders that reach each other through links, a file link that points
    // at itself: every folder is scanned once and the scan ends.
    void linkLoopsEndTheScan()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        makeFolder(root + "/a");
        makeFolder(root + "/b");
        write(root + "/a/x.png", png(QSize(20, 20), Qt::red));
        write(root + "/b/y.png", png(QSize(20, 20), Qt::green));
        QCOMPARE(::symlink("../b", (root + "/a/to-b").constData()), 0);
        QCOMPARE(::symlink("../a", (root + "/b/to-a").constData()), 0);
        QCOMPARE(::symlink(".", (root + "/a/here").constData()), 0);
        QCOMPARE(::symlink("loop.png", (root + "/loop.png").constData()), 0);
        QCOMPARE(::symlink("b/to-a/to-b/to-a", (root + "/deep.png").constData()), 0);

        Window1 window(1024);
        allTypes(window);
        window.CheckBox1->setChecked(true);
        window.scanControl->startScan(root);
        QTRY_VERIFY_WITH_TIMEOUT(idle(window), 60000);
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QCOMPARE(window.dirstring, QStringLiteral("Directory: 3 / 3"));
        QCOMPARE(catalogue().x(), 2);
        QVERIFY(entryOf(root + "/a/x.png") > 0);
        QVERIFY(entryOf(root + "/b/y.png") > 0);
    }

    // /proc holds files that never end, files that block, folders that
    // vanish as processes do, and links to every folder of the system (a
    // process's root and working folder), through which a deep scan goes on
    // into the whole file system. Its own folder scan ends; a deep one keeps
    // the interface served and stops at Cancel.
    void scanOfProc()
    {
        Window1 window(1024);
        allTypes(window);
        int ticks = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, this, [&] { ++ticks; });
        heartbeat.start(20);
        window.scanControl->startScan("/proc");
        QTRY_VERIFY_WITH_TIMEOUT(idle(window), 60000);
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QVERIFY(window.n > 10);

        window.CheckBox1->setChecked(true);
        window.scanControl->startScan("/proc");
        QTRY_VERIFY_WITH_TIMEOUT(leadingNumber(QStringView(window.dirstring).mid(11)) > 500, 120000);
        ticks = 0;
        QTRY_VERIFY(ticks > 5);
        window.BevelButton1->click();
        QVERIFY(idle(window));
        QCOMPARE(window.ProgressBar1->value, float(window.ProgressBar1->maximum));
    }
};

QTEST_MAIN(TestHostileScan)
#include "test_hostilescan.moc"
