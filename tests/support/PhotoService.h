#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>

// How the loopback photo service answers one request.
struct Response {
    QByteArray body;
    QByteArray contentType = "application/json";
    int status = 200;
    bool dropConnection = false;
    // No length; the body goes out one byte per drip().
    bool dripping = false;
    // When set, the Content-Length sent (the body may then fall short of it).
    qint64 declaredLength = -1;
};

// A tiny HTTP server on the loopback: one answer per request path, every
// request path recorded in arrival order.
class PhotoService : public QObject {
public:
    PhotoService() {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QObject::destroyed, this, [this, socket] { drips.remove(socket); });
            }
        });
    }

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }

    // Sends the next byte of every dripping answer.
    void drip() {
        for (auto it = drips.begin(); it != drips.end(); ++it) {
            if (it.value().sent < it.value().body.size()) {
                it.key()->write(it.value().body.mid(it.value().sent++, 1));
            }
        }
    }

    std::function<Response(const QByteArray& path)> route;
    QList<QByteArray> paths;

private:
    struct Drip {
        QByteArray body;
        qsizetype sent = 0;
    };

    void serve(QTcpSocket* socket) {
        QByteArray& pending = buffers[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n")) {
            return;
        }
        const QByteArray path = pending.split(' ').value(1);
        pending.clear();
        paths.append(path);
        const Response response = route(path);
        if (response.dropConnection) {
            socket->abort();
            return;
        }
        socket->write("HTTP/1.1 " + QByteArray::number(response.status) +
                      " X\r\nContent-Type: " + response.contentType +
                      (response.dripping
                           ? QByteArray()
                           : "\r\nContent-Length: " + QByteArray::number(response.declaredLength >= 0
                                                                             ? response.declaredLength
                                                                             : response.body.size())) +
                      "\r\nConnection: close\r\n\r\n");
        if (response.dripping) {
            drips.insert(socket, {response.body});
        } else {
            socket->write(response.body);
            socket->disconnectFromHost();
        }
    }

    QHash<QTcpSocket*, QByteArray> buffers;
    QHash<QTcpSocket*, Drip> drips;
    // Last: its sockets go first, while the tables they leave still exist.
    QTcpServer server;
};
