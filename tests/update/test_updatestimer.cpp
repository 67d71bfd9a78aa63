#include "app/window1.h"
#include "httpstub.h"
#include "resources/resourcepictures.h"
#include "settings/settingsdocument.h"
#include "update/logoblink.h"
#include "update/updatecheck.h"
#include "widgets/canvas.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace ResourcePictures;

namespace {

bool shows(const Canvas* cell, const QImage& picture)
{
    return cell->picture().cacheKey() == picture.cacheKey();
}

// A main window whose update check asks the stub, with updatesTimer armed as
// at start; the test drives the ticks itself.
std::unique_ptr<Window1> armedWindow(const HttpStub& host, int timeoutMs = 30000)
{
    auto window = std::make_unique<Window1>(1024);
    window->updateCheck->setServer(host.url());
    window->updateCheck->setTimeout(timeoutMs);
    window->updatesTimer->setInterval(24 * 3600 * 1000);
    window->updatesTimer->start();
    return window;
}

bool tick(Window1& window)
{
    QSignalSpy answered(window.updateCheck, &UpdateCheck::answered);
    window.updatesTimerAction();
    return answered.wait(20000);
}

void enter(QWidget* widget)
{
    QEnterEvent event(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class TestUpdatesTimer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void armedOnlyWhenUpdatesAreOn_data()
    {
        QTest::addColumn<int>("updates");  // -1: no settings document yet
        QTest::newRow("first run") << -1;
        QTest::newRow("updates off") << 0;
        QTest::newRow("updates on") << 1;
    }

    void armedOnlyWhenUpdatesAreOn()
    {
        QFETCH(int, updates);
        QFile::remove(SettingsDocument::path());
        if (updates >= 0) {
            SettingsDocument::Values values = SettingsDocument::firstRunDefaults;
            values[4] = updates == 1;
            QVERIFY(SettingsDocument::write(values));
        }
        Window1 window(1024);
        QCOMPARE(window.settingsupdates.load(), updates == 1);
        QCOMPARE(window.updatesTimer->isActive(), updates == 1);
        QCOMPARE(window.updatesTimer->interval(), 1000);
        QVERIFY(!window.updatesTimer->isSingleShot());
        // The first question waits for the first tick.
        QVERIFY(!window.updateCheck->isWaiting());
        QFile::remove(SettingsDocument::path());
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("newer");
        QTest::newRow("102") << QByteArray("200 OK") << QByteArray("102") << false << true;
        QTest::newRow("101, the same version") << QByteArray("200 OK") << QByteArray("101") << false << false;
        QTest::newRow("empty") << QByteArray("200 OK") << QByteArray() << false << false;
        QTest::newRow("1.0.2 reads as 1") << QByteArray("200 OK") << QByteArray("1.0.2") << false << false;
        QTest::newRow("200.9") << QByteArray("200 OK") << QByteArray("200.9") << false << true;
        QTest::newRow("102abc") << QByteArray("200 OK") << QByteArray("102abc") << false << true;
        QTest::newRow("error page") << QByteArray("404 Not Found")
                                    << QByteArray("<html><body>Not Found</body></html>") << false << false;
        QTest::newRow("no answer in time") << QByteArray() << QByteArray() << true << false;
    }

    // Newer: the logo flashes at this tick and is back at the next, and the
    // timer runs on. Otherwise the timer goes off and the logo never changes.
    void answers()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(bool, newer);
        HttpStub host;
        if (silent)
            host.mode = HttpStub::Mode::Silent;
        else
            host.reply(body, status);
        auto window = armedWindow(host, 300);
        const QImage& normal = picture(BrightfoldBButton);
        QVERIFY(shows(window->Canvas31, normal));

        QVERIFY(tick(*window));
        QCOMPARE(host.connections, 1);
        QCOMPARE(window->updateavailable, newer);
        QCOMPARE(window->updatesTimer->isActive(), newer);
        if (!newer) {
            QVERIFY(shows(window->Canvas31, normal));
            return;
        }
        QVERIFY(shows(window->Canvas31, LogoBlink::flashPicture()));
        QVERIFY(tick(*window));
        QVERIFY(shows(window->Canvas31, normal));
        QVERIFY(window->updatesTimer->isActive());
    }

    // Once a newer version was seen, a later answer that is not newer keeps
    // the logo blinking.
    void blinkingOutlivesALaterAnswer()
    {
        HttpStub host;
        host.reply("102");
        auto window = armedWindow(host);
        QVERIFY(tick(*window));
        host.reply("");
        QVERIFY(tick(*window));
        QVERIFY(window->updateavailable);
        QVERIFY(window->updatesTimer->isActive());
        QVERIFY(tick(*window));
        QVERIFY(shows(window->Canvas31, LogoBlink::flashPicture()));
    }

    void theFlashPictureHasTheLogoMask()
    {
        const QImage& flash = LogoBlink::flashPicture();
        const QImage& mask = picture(BrightfoldBButton_Mask);
        QCOMPARE(flash.size(), mask.size());
        for (const QPoint p : {QPoint(0, 0), QPoint(25, 25), QPoint(2, 47), QPoint(49, 49)})
            QCOMPARE(qAlpha(flash.pixel(p)), qGray(mask.pixel(p)));
    }

    void hoverPictureAndLeave()
    {
        Window1 window(1024);
        enter(window.Canvas31);
        QVERIFY(shows(window.Canvas31, picture(BrightfoldBButton_Over)));
        const QImage& over = picture(BrightfoldBButton_Over);
        const QImage& mask = picture(BrightfoldBButton_Mask);
        QCOMPARE(qAlpha(over.pixel(0, 0)), qGray(mask.pixel(0, 0)));
        QCOMPARE(qAlpha(over.pixel(25, 25)), qGray(mask.pixel(25, 25)));
        leave(window.Canvas31);
        QVERIFY(shows(window.Canvas31, picture(BrightfoldBButton)));
    }

    // The pointer resting on the blinking logo: a tick puts the normal logo in
    // place of the hover picture, the next one the flash; leaving puts the
    // normal logo back and the blinking goes on.
    void hoverWhileBlinking()
    {
        HttpStub host;
        host.reply("102");
        auto window = armedWindow(host);
        Canvas* logo = window->Canvas31;
        const QImage& normal = picture(BrightfoldBButton);
        const QImage& over = picture(BrightfoldBButton_Over);

        QVERIFY(tick(*window));
        QVERIFY(shows(logo, LogoBlink::flashPicture()));
        enter(logo);
        QVERIFY(shows(logo, over));
        QVERIFY(tick(*window));
        QVERIFY(shows(logo, normal));
        QVERIFY(tick(*window));
        QVERIFY(shows(logo, LogoBlink::flashPicture()));
        QVERIFY(tick(*window));
        QVERIFY(shows(logo, normal));
        enter(logo);
        QVERIFY(shows(logo, over));
        leave(logo);
        QVERIFY(shows(logo, normal));
        QVERIFY(tick(*window));
        QVERIFY(shows(logo, LogoBlink::flashPicture()));
    }

    void everyPressOpensTheWebSite()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        Window1 window(1024);
        QTest::mouseClick(window.Canvas31, Qt::LeftButton);
        QTest::mouseClick(window.Canvas31, Qt::RightButton);
        QTest::mouseClick(window.Canvas31, Qt::LeftButton, Qt::ControlModifier);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.opened.size(), 3);
        for (const QUrl& url : catcher.opened) {
            QCOMPARE(url.host(), QStringLiteral("www.brightfold.example"));
            QCOMPARE(url.path(), QStringLiteral("/"));
        }
    }
};

QTEST_MAIN(TestUpdatesTimer)
#include "test_updatestimer.moc"
