#include "update/updatecheck.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

// The update check against web hosts that misbehave on purpose: one that
// drips its reply a byte a second, one whose headers never end, one that
// redirects in a circle. Each check ends with no answer (0) within its
// time-out, and takes in only a bounded part of what is sent.
namespace {

// A sanitizer build keeps freed memory in quarantine (256 MB by default), so
// what stays resident there says little of what the check itself holds.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 residentBound = qint64(320) << 20;
#else
constexpr qint64 residentBound = qint64(64) << 20;
#endif

class HostileHost : public QObject {
public:
    enum class Mode { Drip, EndlessHeaders, RedirectLoop, RedirectElsewhere };

    explicit HostileHost(Mode mode) : m_mode(mode)
    {
        m_server.listen(QHostAddress::LocalHost);
        m_silent.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
        m_drip.setInterval(1000);
        connect(&m_drip, &QTimer::timeout, this, &HostileHost::dripOne);
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    int requests = 0;
    qint64 sent = 0;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        request.clear();
        ++requests;
        switch (m_mode) {
        case Mode::Drip:
            m_dripping = socket;
            m_dripText = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\n102";
            m_drip.start();
            break;
        case Mode::EndlessHeaders:
            send(socket, "HTTP/1.1 200 OK\r\nX-Padding: ");
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { flood(socket); });
            flood(socket);
            break;
        case Mode::RedirectLoop:
            send(socket, "HTTP/1.1 302 Found\r\nLocation: " + (path.endsWith("/b") ? QByteArray("/a") : "/b")
                    + "\r\nContent-Length: 0\r\n\r\n");
            break;
        case Mode::RedirectElsewhere:
            // To a port that answers nothing: the time-out ends the check.
            send(socket, "HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:" + QByteArray::number(m_silent.serverPort())
                    + "/updates/lumigrid.txt\r\nContent-Length: 0\r\n\r\n");
            break;
        }
    }

    void send(QTcpSocket* socket, const QByteArray& bytes)
    {
        socket->write(bytes);
        sent += bytes.size();
    }

    void dripOne()
    {
        if (!m_dripping || m_dripText.isEmpty()) {
            m_drip.stop();
            return;
        }
        send(m_dripping, m_dripText.left(1));
        m_dripText.remove(0, 1);
    }

    // One header line that never ends, up to a gigabyte.
    void flood(QTcpSocket* socket)
    {
        static const QByteArray chunk(64 * 1024, 'a');
        while (socket->bytesToWrite() < 1024 * 1024 && sent < (qint64(1) << 30))
            send(socket, chunk);
    }

    Mode m_mode;
    QTcpServer m_server;
    QTcpServer m_silent;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QTimer m_drip;
    QPointer<QTcpSocket> m_dripping;
    QByteArray m_dripText;

};

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

} // namespace

class TestHostileUpdateHost : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostileHosts_data()
    {
        QTest::addColumn<HostileHost::Mode>("mode");
        QTest::addColumn<int>("timeout");
        QTest::newRow("a byte a second") << HostileHost::Mode::Drip << 4000;
        QTest::newRow("headers without end") << HostileHost::Mode::EndlessHeaders << 10000;
        QTest::newRow("redirects in a circle") << HostileHost::Mode::RedirectLoop << 20000;
        QTest::newRow("redirect to a silent host") << HostileHost::Mode::RedirectElsewhere << 3000;
    }

    void hostileHosts()
    {
        QFETCH(HostileHost::Mode, mode);
        QFETCH(int, timeout);
        HostileHost host(mode);
        UpdateCheck check(host.url());
        check.setTimeout(timeout);
        QSignalSpy answered(&check, &UpdateCheck::answered);
        const qint64 before = residentBytes();
        QVERIFY(check.start());
        // The check's own time-out, and a margin for a loaded machine.
        QVERIFY(answered.wait(timeout + 30000));
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0).at(0).toInt(), 0);
        QVERIFY(!check.isWaiting());
        QVERIFY2(residentBytes() - before < residentBound, qPrintable(QString::number(residentBytes() - before)));
        QVERIFY2(host.sent < (qint64(256) << 20), qPrintable(QString::number(host.sent)));
        // Qt follows 50 redirects, and sends some of them a second time on
        // a fresh connection.
        QVERIFY2(host.requests <= 2 * 51, qPrintable(QString::number(host.requests)));
    }
};

QTEST_GUILESS_MAIN(TestHostileUpdateHost)
#include "test_hostileupdatehost.moc"
