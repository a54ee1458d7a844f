#pragma once
// A news server for tests: listens on 127.0.0.1 on a port the system picks,
// takes one client at a time, logs every chunk it receives and answers
// through a script called with each chunk.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace qltest {

class NewsServer : public QObject {
public:
    NewsServer()
    {
        server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                client_ = s;
                ++connections;
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    const QByteArray chunk = s->readAll();
                    received.append(chunk);
                    if (answer)
                        answer(*s, chunk);
                });
                QObject::connect(s, &QTcpSocket::disconnected, this, [this] { ++disconnects; });
            }
        });
    }
    int port() const { return server_.serverPort(); }
    QTcpSocket* client() const { return client_.data(); }
    // Everything received, chunk by chunk.
    QByteArray all() const { return received.join(); }

    std::function<void(QTcpSocket&, const QByteArray&)> answer;
    QList<QByteArray> received;
    int connections = 0;
    int disconnects = 0;

private:
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
};

} // namespace qltest
