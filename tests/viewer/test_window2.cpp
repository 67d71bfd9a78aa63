#include "catalogue/module1.h"
#include "viewer/changepicture.h"
#include "viewer/window2.h"
#include "widgets/canvas.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

namespace {

constexpr int pictureCount = 5;

// Picture i of the fixture is one colour of its own.
QRgb colourOf(int i)
{
    static const QRgb colours[pictureCount] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffff00, 0xff00ffff};
    return colours[i - 1];
}

Catalogue& catalogue()
{
    return Module1::catalogue();
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void turnWheel(QWidget* window, QPoint angleDelta)
{
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(window, &event);
}

} // namespace

class TestWindow2 : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_alerts = 0;

    QByteArray pathOf(int i) const { return QFile::encodeName(m_dir.filePath(QStringLiteral("%1.png").arg(i))); }

    void appendPicture(int i, QSize size = QSize(40, 30))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colourOf(i));
        QVERIFY(image.save(QFile::decodeName(pathOf(i)), "png"));
        catalogue().append({pathOf(i), QStringLiteral("%1.png").arg(i), QString(), QImage()});
    }

    Window2* openAt(int clickedpic)
    {
        catalogue().clickedpic = clickedpic;
        Window2* viewer = Window2::instance();
        viewer->present();
        return viewer;
    }

    static QRgb shownColour(Window2* viewer) { return viewer->Canvas1->picture().pixel(0, 0); }

    static QSize screenSize() { return QGuiApplication::primaryScreen()->geometry().size(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        Module1::setMissingFileAlert([this] { ++m_alerts; });
    }

    void init()
    {
        m_alerts = 0;
        catalogue().empty();
        for (int i = 1; i <= pictureCount; ++i)
            appendPicture(i);
    }

    void cleanup()
    {
        if (Window2* viewer = Window2::instance())
            viewer->close();
        settle();
        catalogue().empty();
        catalogue().clickedpic = 0;
    }

    void opensFullScreenOnTheClickedPicture()
    {
        Window2* viewer = openAt(2);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->isFullScreen());
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Untitled"));
        QCOMPARE(viewer->geometry(), QGuiApplication::primaryScreen()->geometry());
        QCOMPARE(shownColour(viewer), colourOf(2));
        const QSize screen = screenSize();
        QCOMPARE(viewer->Canvas1->geometry(),
                 QRect((screen.width() - 40) / 2, (screen.height() - 30) / 2, 40, 30));
        QCOMPARE(viewer->StaticText1->parentWidget(), viewer->Canvas1);
        QCOMPARE(viewer->StaticText1->geometry(), QRect(20, 14, 222, 20));
        QVERIFY(viewer->StaticText1->text().isEmpty());
        QCOMPARE(m_alerts, 0);
    }

    void bigPictureIsShrunkAndCentred()
    {
        const QSize screen = screenSize();
        // Twice the screen's width and three times its height: fitted by height.
        catalogue().empty();
        appendPicture(1, QSize(screen.width() * 2, screen.height() * 3));
        Window2* viewer = openAt(1);
        const int width = qRound(screen.width() * 2 / 3.0);
        QCOMPARE(viewer->Canvas1->size(), QSize(width, screen.height()));
        QCOMPARE(viewer->Canvas1->pos(), QPoint(qRound((screen.width() - width) / 2.0), 0));
    }

    void oneSharedInstance()
    {
        Window2* viewer = openAt(2);
        QCOMPARE(Window2::instance(), viewer);
        const qint64 shown = viewer->Canvas1->picture().cacheKey();
        // The grid's click on another cell only brings the open viewer to the front.
        catalogue().clickedpic = 4;
        Window2::instance()->present();
        QCOMPARE(Window2::instance(), viewer);
        QCOMPARE(viewer->Canvas1->picture().cacheKey(), shown);

        QPointer<Window2> closed = viewer;
        viewer->close();
        Window2* fresh = Window2::instance();
        QVERIFY(fresh != viewer);
        settle();
        QVERIFY(closed.isNull());
        fresh->present();
        QCOMPARE(shownColour(fresh), colourOf(4));
    }

    void arrowKeysStep_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("shown");
        QTest::newRow("left") << 3 << int(Qt::Key_Left) << 2;
        QTest::newRow("right") << 3 << int(Qt::Key_Right) << 4;
        QTest::newRow("down") << 3 << int(Qt::Key_Down) << 4;
        QTest::newRow("up") << 3 << int(Qt::Key_Up) << 2;
        QTest::newRow("left on the first") << 1 << int(Qt::Key_Left) << 1;
        QTest::newRow("up on the first") << 1 << int(Qt::Key_Up) << 1;
        QTest::newRow("right on the last") << pictureCount << int(Qt::Key_Right) << pictureCount;
        QTest::newRow("down on the last") << pictureCount << int(Qt::Key_Down) << pictureCount;
        QTest::newRow("another key") << 3 << int(Qt::Key_A) << 3;
        QTest::newRow("escape") << 3 << int(Qt::Key_Escape) << 3;
    }
    void arrowKeysStep()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, shown);
        Window2* viewer = openAt(start);
        const qint64 before = viewer->Canvas1->picture().cacheKey();
        QTest::keyClick(viewer, Qt::Key(key));
        QCOMPARE(catalogue().clickedpic, shown);
        QCOMPARE(shownColour(viewer), colourOf(shown));
        // Nothing to step to: the picture on show is not even reloaded.
        QCOMPARE(viewer->Canvas1->picture().cacheKey() == before, shown == start);
        QVERIFY(viewer->isVisible());
    }

    void heldArrowStepsOnEveryKeyEvent()
    {
        Window2* viewer = openAt(1);
        QTest::keyPress(viewer, Qt::Key_Right);
        QCOMPARE(catalogue().clickedpic, 2);
        QTest::keyClick(viewer, Qt::Key_A);
        QCOMPARE(catalogue().clickedpic, 3);
        // Auto-repeat sends releases while the key is still down.
        QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(viewer, &repeatRelease);
        QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(viewer, &repeatPress);
        QCOMPARE(catalogue().clickedpic, 4);

        QTest::keyRelease(viewer, Qt::Key_Right);
        QTest::keyClick(viewer, Qt::Key_A);
        QCOMPARE(catalogue().clickedpic, 4);
        QCOMPARE(shownColour(viewer), colourOf(4));
    }

    void leftAndRightHeldStepBackThenForward()
    {
        Window2* viewer = openAt(3);
        QTest::keyPress(viewer, Qt::Key_Left);
        QCOMPARE(catalogue().clickedpic, 2);
        // With picture 1 gone, the back step shows the alert once, and the
        // forward step after it puts picture 2 on show again.
        QVERIFY(QFile::remove(QFile::decodeName(pathOf(1))));
        const qint64 before = viewer->Canvas1->picture().cacheKey();
        QTest::keyPress(viewer, Qt::Key_Right);
        QCOMPARE(m_alerts, 1);
        QCOMPARE(catalogue().clickedpic, 2);
        QCOMPARE(shownColour(viewer), colourOf(2));
        QVERIFY(viewer->Canvas1->picture().cacheKey() != before);

        // Any other key steps the same way while both are held.
        QTest::keyClick(viewer, Qt::Key_Space);
        QCOMPARE(m_alerts, 2);
        QCOMPARE(catalogue().clickedpic, 2);
        QTest::keyRelease(viewer, Qt::Key_Left);
        QTest::keyRelease(viewer, Qt::Key_Right);
    }

    void wheelStepsOncePerNotch_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<QPoint>>("deltas");
        QTest::addColumn<int>("shown");
        // Qt's angle delta is positive when the wheel turns away from the
        // user, scrolling up: that steps back.
        QTest::newRow("down a notch") << 3 << QList<QPoint>{{0, -120}} << 4;
        QTest::newRow("up a notch") << 3 << QList<QPoint>{{0, 120}} << 2;
        QTest::newRow("horizontal only") << 3 << QList<QPoint>{{120, 0}, {-120, 0}} << 3;
        QTest::newRow("a big turn is one step") << 3 << QList<QPoint>{{0, -360}} << 4;
        QTest::newRow("fine steps add up to a notch")
            << 3 << QList<QPoint>{{0, -40}, {0, -40}, {0, -39}, {0, -1}, {0, -60}} << 4;
        // A part notch one way does not swallow a whole notch the other way.
        QTest::newRow("turning back steps back at once") << 3 << QList<QPoint>{{0, -100}, {0, 120}} << 2;
        QTest::newRow("two notches") << 3 << QList<QPoint>{{0, -120}, {0, -120}} << 5;
        QTest::newRow("up on the first") << 1 << QList<QPoint>{{0, 120}} << 1;
        QTest::newRow("down on the last") << pictureCount << QList<QPoint>{{0, -120}} << pictureCount;
    }
    void wheelStepsOncePerNotch()
    {
        QFETCH(int, start);
        QFETCH(QList<QPoint>, deltas);
        QFETCH(int, shown);
        Window2* viewer = openAt(start);
        for (const QPoint& delta : deltas)
            turnWheel(viewer, delta);
        QCOMPARE(catalogue().clickedpic, shown);
        QCOMPARE(shownColour(viewer), colourOf(shown));
    }

    void goneFileKeepsThePreviousPicture()
    {
        Window2* viewer = openAt(2);
        const qint64 before = viewer->Canvas1->picture().cacheKey();
        const QRect placed = viewer->Canvas1->geometry();
        QVERIFY(QFile::remove(QFile::decodeName(pathOf(3))));
        QTest::keyClick(viewer, Qt::Key_Right);
        QCOMPARE(m_alerts, 1);
        QVERIFY(viewer->isVisible());
        QCOMPARE(catalogue().clickedpic, 3);
        QCOMPARE(viewer->Canvas1->picture().cacheKey(), before);
        QCOMPARE(viewer->Canvas1->geometry(), placed);
        // The next step goes on from the failed index.
        QTest::keyClick(viewer, Qt::Key_Right);
        QCOMPARE(catalogue().clickedpic, 4);
        QCOMPARE(shownColour(viewer), colourOf(4));
    }

    void goneFileOnOpeningLeavesTheEmptyCanvas()
    {
        QVERIFY(QFile::remove(QFile::decodeName(pathOf(2))));
        Window2* viewer = openAt(2);
        QCOMPARE(m_alerts, 1);
        QVERIFY(viewer->isVisible());
        QVERIFY(!viewer->Canvas1->hasPicture());
        QCOMPARE(viewer->Canvas1->geometry(), QRect(0, 0, 260, 266));
    }

    void emptyPathClosesSilently()
    {
        // Index 0: the catalogue holds no path there.
        QPointer<Window2> viewer = openAt(0);
        QVERIFY(!viewer->isVisible());
        QCOMPARE(m_alerts, 0);
        QVERIFY(Window2::instance() != viewer);
        settle();
        QVERIFY(viewer.isNull());
    }

    void newScanUnderTheViewerClosesIt()
    {
        QPointer<Window2> viewer = openAt(4);
        QTest::keyPress(viewer, Qt::Key_Up);
        QCOMPARE(catalogue().clickedpic, 3);
        catalogue().empty();
        // Up and Left held both step back; the first finds no path and closes
        // the viewer, which is then neither stepped again nor reopened.
        QTest::keyPress(viewer, Qt::Key_Left);
        QCOMPARE(catalogue().clickedpic, 2);
        QCOMPARE(m_alerts, 0);
        QVERIFY(!viewer->isVisible());
        settle();
        QVERIFY(viewer.isNull());
        QVERIFY(!Window2::instance()->isVisible());
    }

    void stepsPastTheOldLastAsTheCatalogueGrows()
    {
        catalogue().empty();
        for (int i = 1; i <= 3; ++i)
            appendPicture(i);
        Window2* viewer = openAt(3);
        QTest::keyClick(viewer, Qt::Key_Right);
        QCOMPARE(catalogue().clickedpic, 3);
        appendPicture(4);
        QTest::keyClick(viewer, Qt::Key_Right);
        QCOMPARE(catalogue().clickedpic, 4);
        QCOMPARE(shownColour(viewer), colourOf(4));
        appendPicture(5);
        turnWheel(viewer, QPoint(0, -120));
        QCOMPARE(catalogue().clickedpic, 5);
        QCOMPARE(shownColour(viewer), colourOf(5));
    }

    void anyClickCloses_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("on the picture") << QStringLiteral("Canvas1");
        QTest::newRow("on its label") << QStringLiteral("StaticText1");
        QTest::newRow("beside the picture") << QString();
    }
    void anyClickCloses()
    {
        QFETCH(QString, where);
        QPointer<Window2> viewer = openAt(2);
        QWidget* target = where.isEmpty() ? viewer.data() : viewer->findChild<QWidget*>(where);
        QVERIFY(target);
        const QPoint point = where.isEmpty() ? QPoint(2, 2) : QPoint(5, 5);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
        settle();
        QVERIFY(viewer.isNull());
        QCOMPARE(catalogue().clickedpic, 2);
    }
};

QTEST_MAIN(TestWindow2)
#include "test_window2.moc"
