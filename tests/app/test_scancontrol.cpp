#include "app/scancontrol.h"
#include "app/window1.h"
#include "catalogue/module1.h"
#include "widgets/canvas.h"
#include "widgets/customprogress.h"
#include "../catalogue/fixtures.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

namespace {

QByteArray bytes(const QTemporaryDir& dir)
{
    return QFile::encodeName(dir.path());
}

void setTypes(Window1& window)
{
    window.settingsjpeg = true;
    window.settingspng = true;
    window.settingsgif = window.settingstiff = window.settingspsd = window.settingspdf = false;
    window.settingsprop = true;
}

// count empty files named 1.png ... count.png; with a gated decoding stage
// their content does not matter.
void emptyFiles(const QByteArray& folder, int count)
{
    for (int i = 1; i <= count; ++i)
        QVERIFY(Fixtures::writeBytes(folder + '/' + QByteArray::number(i) + ".png", "x"));
}

// A decoding stage that makes one entry each time the test opens the gate,
// and none once it is closing.
struct Gate {
    QSemaphore open;
    FolderScan::MakeEntry stage()
    {
        return [this](const AcceptedFile& file, bool) -> std::optional<CatalogueEntry> {
            while (!open.tryAcquire(1, 10)) {
                if (closing)
                    return std::nullopt;
            }
            QImage thumbnail(100, 100, QImage::Format_RGB32);
            thumbnail.fill(Qt::red);
            return CatalogueEntry {file.path, file.name, QStringLiteral("10 x 10"), thumbnail};
        };
    }
    // The gate's permits go to whichever decode asks first, so the stage
    // decodes one file at a time: the permits then open the files in walk
    // order.
    void install(ScanControl& control)
    {
        control.makeEntry = stage();
        control.makeEntryThreads = 1;
    }
    std::atomic<bool> closing {false};
};

bool idle(const Window1& window)
{
    return window.BevelButton1->text() == QLatin1String("Choose Path");
}

} // namespace

class TestScanControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Module1::catalogue().empty(); }

    void scanFillsTheGridInBreadthFirstOrder()
    {
        QTemporaryDir dir;
        const QByteArray root = bytes(dir);
        QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
        using namespace Fixtures;
        QVERIFY(writeBytes(root + "/b.jpg", encode(solid(400, 300, Qt::red), "jpeg")));
        QVERIFY(writeBytes(root + "/a.png", encode(solid(300, 600, Qt::green), "png")));
        QVERIFY(writeBytes(root + "/notes.txt", "text"));
        QVERIFY(writeBytes(root + "/broken.png", "not a picture"));
        QVERIFY(writeBytes(root + "/sub/c.png", encode(solid(80, 60, Qt::blue), "png")));

        Window1 window(1024);
        setTypes(window);
        window.CheckBox1->setChecked(true);
        window.scanControl->startScan(root);
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Cancel"));
        QTRY_VERIFY(idle(window));

        const Catalogue& catalogue = Module1::catalogue();
        QCOMPARE(catalogue.x(), 3);
        QCOMPARE(catalogue.bildname(1), QStringLiteral("a.png"));
        QCOMPARE(catalogue.bildname(2), QStringLiteral("b.jpg"));
        QCOMPARE(catalogue.bildname(3), QStringLiteral("c.png"));
        QCOMPARE(catalogue.bildsize(1), QStringLiteral("300 x 600"));
        QCOMPARE(catalogue.bildfile(3), root + "/sub/c.png");
        QCOMPARE(window.StaticText1->text(), QStringLiteral("3 images"));
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QVERIFY(!window.StaticText2->isHidden());
        QCOMPARE(window.dirstring, QStringLiteral("Directory: 2 / 2"));
        QCOMPARE(window.EditField1->text(), QString::fromUtf8(root + "/sub"));
        QCOMPARE(window.n, 1);
        QCOMPARE(window.ProgressBar1->maximum, 1);
        QCOMPARE(window.ProgressBar1->value, 1.0f);
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(window.cell(k)->picture().constBits(), catalogue.bildscaled(k).constBits());
        QVERIFY(!window.cell(4)->hasPicture());
        QVERIFY(!window.ScrollBar1->isEnabled());
        // 300 x 600 keeps its proportions: black bars left and right.
        QCOMPARE(catalogue.bildscaled(1).pixel(10, 50), qRgb(0, 0, 0));
        QCOMPARE(qGreen(catalogue.bildscaled(1).pixel(50, 50)), 255);
    }

    void withoutTheBoxOnlyTheChosenFolder()
    {
        QTemporaryDir dir;
        const QByteArray root = bytes(dir);
        QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
        QVERIFY(Fixtures::writeBytes(root + "/a.png", Fixtures::encode(Fixtures::solid(20, 20, Qt::red), "png")));
        QVERIFY(Fixtures::writeBytes(root + "/sub/b.png", Fixtures::encode(Fixtures::solid(20, 20, Qt::red), "png")));
        Window1 window(1024);
        setTypes(window);
        window.scanControl->startScan(root);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 1);
        QCOMPARE(window.EditField1->text(), QString::fromUtf8(root + "/sub"));
        QVERIFY(window.StaticText2->isHidden());
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
    }

    void entriesReachTheGridWhileTheWalkRuns()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 37);
        Gate gate;
        Window1 window(1024);
        // A failing check leaves the worker waiting at the gate: let it go
        // before the window joins it.
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        gate.install(*window.scanControl);
        window.scanControl->startScan(bytes(dir));

        gate.open.release(1);
        QTRY_COMPARE(Module1::catalogue().x(), 1);
        QVERIFY(window.cell(1)->hasPicture());
        QCOMPARE(window.StaticText1->text(), QStringLiteral("1 images"));
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Cancel"));

        gate.open.release(30);
        QTRY_COMPARE(Module1::catalogue().x(), 31);
        QCOMPARE(window.cell(30)->picture().constBits(), Module1::catalogue().bildscaled(30).constBits());
        QVERIFY(window.ScrollBar1->isEnabled());
        QCOMPARE(window.ScrollBar1->maximum(), 1);
        QCOMPARE(window.ScrollBar1->value(), 0);

        window.ScrollBar1->setValue(1);
        gate.open.release(6);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 37);
        QCOMPARE(window.ScrollBar1->maximum(), 2);
        QCOMPARE(window.ScrollBar1->value(), 1);
        QCOMPARE(window.cell(25)->picture().constBits(), Module1::catalogue().bildscaled(31).constBits());
        QVERIFY(!window.cell(26)->hasPicture());
        QCOMPARE(window.StaticText1->text(), QStringLiteral("37 images"));
    }

    void cancelKeepsTheEntriesSoFar()
    {
        QTemporaryDir dir;
        const QByteArray root = bytes(dir);
        QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
        emptyFiles(root, 3);
        emptyFiles(root + "/sub", 20);
        Gate gate;
        Window1 window(1024);
        // A failing check leaves the worker waiting at the gate: let it go
        // before the window joins it.
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        window.CheckBox1->setChecked(true);
        gate.install(*window.scanControl);
        window.scanControl->startScan(root);
        gate.open.release(5);
        QTRY_COMPARE(Module1::catalogue().x(), 5);
        QCOMPARE(window.StaticText2->text(), QStringLiteral("Directory: 2 / 2"));

        QTest::mouseClick(window.BevelButton1, Qt::LeftButton);
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Choose Path"));
        QCOMPARE(window.ProgressBar1->value, float(window.ProgressBar1->maximum));
        gate.open.release(100);
        QTest::qWait(200);
        QCOMPARE(Module1::catalogue().x(), 5);
        QCOMPARE(window.StaticText1->text(), QStringLiteral("5 images"));
        QCOMPARE(window.StaticText2->text(), QStringLiteral("Directory: 2 / 2"));
        QVERIFY(!window.ScrollBar1->isEnabled());
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Choose Path"));
    }

    void secondScanEmptiesTheCatalogue()
    {
        QTemporaryDir first;
        QTemporaryDir second;
        emptyFiles(bytes(first), 3);
        emptyFiles(bytes(second), 1);
        Gate gate;
        Window1 window(1024);
        // A failing check leaves the worker waiting at the gate: let it go
        // before the window joins it.
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        gate.install(*window.scanControl);
        gate.open.release(3);
        window.scanControl->startScan(bytes(first));
        QTRY_VERIFY(idle(window));
        QCOMPARE(window.StaticText1->text(), QStringLiteral("3 images"));

        window.scanControl->startScan(bytes(second));
        QTRY_COMPARE(Module1::catalogue().x(), 0);
        for (int k = 1; k <= 30; ++k)
            QVERIFY(!window.cell(k)->hasPicture());
        QCOMPARE(window.EditField1->text(), QString::fromUtf8(bytes(second)));
        QCOMPARE(window.StaticText1->text(), QStringLiteral("3 images"));
        gate.open.release(1);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 1);
        QCOMPARE(Module1::catalogue().bildfile(1), bytes(second) + "/1.png");

        QTemporaryDir empty;
        window.scanControl->startScan(bytes(empty));
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 0);
        QCOMPARE(window.StaticText1->text(), QStringLiteral("0 images"));
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QVERIFY(!window.cell(1)->hasPicture());
    }

    void chooserDecides()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 2);
        Gate gate;
        Window1 window(1024);
        // A failing check leaves the worker waiting at the gate: let it go
        // before the window joins it.
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        gate.open.release(2);
        gate.install(*window.scanControl);
        QByteArray answer;
        window.scanControl->chooseFolder = [&] { return answer; };
        QTest::mouseClick(window.BevelButton1, Qt::LeftButton);
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Choose Path"));
        QCOMPARE(window.EditField1->text(), QString());

        answer = bytes(dir);
        QTest::mouseClick(window.BevelButton1, Qt::LeftButton);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 2);
        QCOMPARE(window.f, QString::fromUtf8(answer));

        answer.clear();
        QTest::mouseClick(window.BevelButton1, Qt::LeftButton);
        QCOMPARE(Module1::catalogue().x(), 2);
        QVERIFY(window.cell(2)->hasPicture());
    }

    void droppedFolderStartsAScanWhenIdle()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 2);
        Gate gate;
        Window1 window(1024);
        // A failing check leaves the worker waiting at the gate: let it go
        // before the window joins it.
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        gate.install(*window.scanControl);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir.path())});
        // Qt delivers a drop only to the widget that took the drag in.
        const auto drop = [&](const QMimeData& carried) {
            QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &enter);
            if (!enter.isAccepted())
                return false;
            QDropEvent event(QPointF(300, 300), Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &event);
            return event.isAccepted();
        };
        QVERIFY(drop(data));
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Cancel"));
        QVERIFY(!drop(data));
        gate.open.release(2);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 2);

        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(dir.path() + "/1.png")});
        QVERIFY(!drop(file));
        QCOMPARE(Module1::catalogue().x(), 2);
    }

    void parallelDecodesKeepTheWalkOrder()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 40);
        Window1 window(1024);
        setTypes(window);
        std::atomic<int> running {0};
        std::atomic<int> mostAtOnce {0};
        window.scanControl->makeEntryThreads = 0;
        window.scanControl->makeEntry = [&](const AcceptedFile& file, bool) -> std::optional<CatalogueEntry> {
            const int now = ++running;
            for (int most = mostAtOnce; now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
            }
            // Later files often finish first.
            QThread::usleep(QRandomGenerator::global()->bounded(4000));
            --running;
            QImage thumbnail(100, 100, QImage::Format_RGB32);
            thumbnail.fill(Qt::blue);
            return CatalogueEntry {file.path, file.name, QStringLiteral("1 x 1"), thumbnail};
        };
        window.scanControl->startScan(bytes(dir));
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 40);
        for (int i = 1; i <= 40; ++i)
            QCOMPARE(Module1::catalogue().bildname(i), QStringLiteral("%1.png").arg(i));
        QCOMPARE(window.StaticText1->text(), QStringLiteral("40 images"));
        if (QThread::idealThreadCount() > 1)
            QVERIFY(mostAtOnce > 1);
    }

    void cancelDropsWhatWasDecodedAhead()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 12);
        Window1 window(1024);
        setTypes(window);
        QSemaphore slow;
        std::atomic<int> decoded {0};
        std::atomic<bool> closing {false};
        const auto release = qScopeGuard([&] { closing = true; });
        window.scanControl->makeEntryThreads = 2;
        window.scanControl->makeEntry = [&](const AcceptedFile& file, bool) -> std::optional<CatalogueEntry> {
            // The third file takes long; those behind it are decoded ahead.
            if (file.name == QLatin1String("3.png")) {
                while (!slow.tryAcquire(1, 10) && !closing) {
                }
            }
            ++decoded;
            return CatalogueEntry {file.path, file.name, QStringLiteral("1 x 1"), QImage(100, 100, QImage::Format_RGB32)};
        };
        window.scanControl->startScan(bytes(dir));
        QTRY_COMPARE(Module1::catalogue().x(), 2);
        QTRY_VERIFY(decoded >= 6);
        QTest::qWait(50);
        QCOMPARE(Module1::catalogue().x(), 2);

        // The button answers while the third file is still being decoded.
        QTest::mouseClick(window.BevelButton1, Qt::LeftButton);
        QCOMPARE(window.BevelButton1->text(), QStringLiteral("Choose Path"));
        slow.release();
        QTest::qWait(200);
        QCOMPARE(Module1::catalogue().x(), 2);
        QCOMPARE(window.StaticText1->text(), QStringLiteral("2 images"));
        QVERIFY(window.cell(2)->hasPicture());
        QVERIFY(!window.cell(3)->hasPicture());
    }

    // The walk runs ahead of the window, but reads "Scan subdirectories" at
    // a folder's end only once the window shows that folder done.
    void boxIsReadAsTheWindowShowsTheFolder()
    {
        QTemporaryDir dir;
        const QByteArray root = bytes(dir);
        QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
        emptyFiles(root, 3);
        emptyFiles(root + "/sub", 2);
        Gate gate;
        Window1 window(1024);
        const auto release = qScopeGuard([&] { gate.closing = true; });
        setTypes(window);
        window.CheckBox1->setChecked(true);
        gate.install(*window.scanControl);
        window.scanControl->startScan(root);
        gate.open.release(1);
        QTRY_COMPARE(Module1::catalogue().x(), 1);
        QTest::qWait(50);
        window.CheckBox1->setChecked(false);
        gate.open.release(10);
        QTRY_VERIFY(idle(window));
        QCOMPARE(Module1::catalogue().x(), 3);
        QCOMPARE(window.StaticText2->text(), QStringLiteral("done"));
        QCOMPARE(window.dirstring, QStringLiteral("Directory: 1 / 1"));
    }

    void closingDuringAScanStopsTheWorker()
    {
        QTemporaryDir dir;
        emptyFiles(bytes(dir), 500);
        auto* window = new Window1(1024);
        setTypes(*window);
        std::atomic<int> made {0};
        window->scanControl->makeEntry = [&](const AcceptedFile& file, bool) -> std::optional<CatalogueEntry> {
            QThread::msleep(2);
            ++made;
            return CatalogueEntry {file.path, file.name, QStringLiteral("1 x 1"), QImage(100, 100, QImage::Format_RGB32)};
        };
        window->scanControl->startScan(bytes(dir));
        QTRY_VERIFY(made > 10);
        delete window;
        const int afterwards = made;
        QTest::qWait(50);
        QCOMPARE(int(made), afterwards);
    }
};

QTEST_MAIN(TestScanControl)
#include "test_scancontrol.moc"
