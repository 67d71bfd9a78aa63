#include "update/updatecheck.h"

#include "common/leadingnumber.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

QUrl UpdateCheck::defaultServer()
{
    return QUrl(QStringLiteral("http://www.brightfold.example"));
}

UpdateCheck::UpdateCheck(const QUrl& server, QObject* parent)
    : QObject(parent)
    , m_server(server)
    , m_network(new QNetworkAccessManager(this))
    , m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &UpdateCheck::finish);
}

UpdateCheck::~UpdateCheck()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool UpdateCheck::start()
{
    if (m_reply)
        return false;
    QUrl url = m_server;
    url.setPath(QString::fromLatin1(updatePath));
    m_body.clear();
    m_reply = m_network->get(QNetworkRequest(url));
    // Keeps the network layer from buffering more than we are going to read.
    m_reply->setReadBufferSize(bodyLimit);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::readSome);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::finish);
    m_deadline->start(m_timeoutMs);
    return true;
}

void UpdateCheck::readSome()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(bodyLimit - m_body.size());
    if (m_body.size() >= bodyLimit)
        finish();
}

void UpdateCheck::finish()
{
    if (!m_reply)
        return;
    m_deadline->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    if (reply->isFinished()) {
        m_body += reply->read(bodyLimit - m_body.size());
    } else {
        // Either the limit is reached or the time is up; a reply cut off by
        // the time-out counts as no answer.
        if (m_body.size() < bodyLimit)
            m_body.clear();
        reply->abort();
    }
    reply->deleteLater();
    Q_EMIT answered(publishedNumber(m_body));
}

int UpdateCheck::publishedNumber(QByteArrayView body)
{
    const double number = std::trunc(leadingNumber(QString::fromLatin1(body)));
    if (std::isnan(number))
        return 0;
    // Out of range a double-to-int conversion is undefined; "1e12" is still
    // a very new version.
    return int(std::clamp(number, double(std::numeric_limits<int>::min()),
        double(std::numeric_limits<int>::max())));
}
