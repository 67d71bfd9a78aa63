#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QTimer;

// One question to the maker's web host: "what is the latest published
// version?". start() sends an HTTP GET for /updates/lumigrid.txt and returns
// at once; answered() follows with the leading number of the reply body.
// Neither the status code nor the headers are looked at, so an error page,
// a refused connection or a host that does not resolve all end in the number
// their body starts with (usually 0).
//
// Only the first bodyLimit bytes of the body are read: the number sits at its
// start, and a huge or endless reply must neither fill memory nor keep the
// request open. A request that has neither finished nor filled the limit
// when the time-out ends is abandoned and counts as no answer (0).
//
// At most one request waits at a time: start() while one waits does nothing
// and returns false. Interface thread only.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 30000;
    static constexpr qsizetype bodyLimit = 64;
    static constexpr char updatePath[] = "/updates/lumigrid.txt";

    // The maker's web host.
    static QUrl defaultServer();

    // server gives scheme, host and port; the path is always updatePath.
    explicit UpdateCheck(const QUrl& server = defaultServer(), QObject* parent = nullptr);
    ~UpdateCheck() override;

    void setServer(const QUrl& server) { m_server = server; }
    QUrl server() const { return m_server; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }

    bool start();
    bool isWaiting() const { return m_reply != nullptr; }

    // The published number a body stands for: its leading decimal number,
    // with the fraction dropped, limited to the 32-bit range; 0 when the
    // body does not begin with a number.
    static int publishedNumber(QByteArrayView body);

Q_SIGNALS:
    void answered(int published);

private:
    void readSome();
    void finish();

    QUrl m_server;
    int m_timeoutMs = defaultTimeoutMs;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_deadline = nullptr;
    QByteArray m_body;
};
