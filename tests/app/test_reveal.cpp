#include "app/reveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QProcess>
#include <QTest>
#include <QUrl>

// Stands in for the desktop's file manager on a private session bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public Q_SLOTS:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

class FolderOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestReveal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead(5000))
            QSKIP("no dbus-daemon to stand in for the session bus");
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opener, "open");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void fileManagerShowsTheFileByItsBytes()
    {
        FakeFileManager manager;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
            QDBusConnection::ExportScriptableSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        bool failed = false;
        Reveal::showInFileManager("/pictures/caf\xe9 1.jpg", [&] { failed = true; });
        QTRY_COMPARE(manager.shown, QStringList {"file:///pictures/caf%E9%201.jpg"});
        QVERIFY(!failed);
        QVERIFY(m_opener.opened.isEmpty());
        bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }

    void withoutAFileManagerTheFolderOpens()
    {
        m_opener.opened.clear();
        bool failed = false;
        Reveal::showInFileManager("/pictures/sub\xff/a.jpg", [&] { failed = true; });
        QTRY_COMPARE(m_opener.opened.size(), 1);
        QCOMPARE(m_opener.opened.first().toEncoded(), QByteArray("file:///pictures/sub%FF"));
        QVERIFY(!failed);
    }

private:
    QProcess m_bus;
    FolderOpener m_opener;
};

QTEST_MAIN(TestReveal)
#include "test_reveal.moc"
