#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A one-file web host on 127.0.0.1 for the update check: it answers every
// request with a fixed reply, or never answers, or streams a reply that does
// not end.
class HttpStub : public QObject {
public:
    enum class Mode { Reply, Silent, Endless };

    HttpStub()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                ++connections;
                sockets.append(socket);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())); }

    void reply(const QByteArray& body, const QByteArray& status = "200 OK")
    {
        mode = Mode::Reply;
        response = "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    Mode mode = Mode::Reply;
    QByteArray response;
    QByteArray lastRequest;
    int connections = 0;
    qint64 streamed = 0;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& request = pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        lastRequest = request;
        switch (mode) {
        case Mode::Reply:
            socket->write(response);
            socket->disconnectFromHost();
            break;
        case Mode::Silent:
            break;
        case Mode::Endless:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n102");
            QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { stream(socket); });
            stream(socket);
            break;
        }
    }

    // Keeps about a megabyte on its way, and gives up only after 256 megabytes,
    // far more than a reader that stops early will ever take.
    void stream(QTcpSocket* socket)
    {
        static const QByteArray chunk(64 * 1024, 'x');
        while (socket->bytesToWrite() < 1024 * 1024 && streamed < (qint64(1) << 28)) {
            socket->write(chunk);
            streamed += chunk.size();
        }
    }

    QTcpServer server;
    QList<QPointer<QTcpSocket>> sockets;
    QHash<QTcpSocket*, QByteArray> pending;
};
