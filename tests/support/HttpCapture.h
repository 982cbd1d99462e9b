#pragma once
// An HTTP server on a loopback address in the test's own thread (it runs
// while the code under test pumps events): it keeps every request as the
// bytes it received and answers with a given status line and headers, or
// never answers. Link Qt6::Network.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

class HttpCapture {
public:
    // answer: the status line and headers after "HTTP/1.1 ", such as
    // "200 OK"; empty: the server reads and never answers.
    explicit HttpCapture(const QString& address, quint16 port = 0, QByteArray answer = "200 OK")
        : answer_(std::move(answer)) {
        server_.listen(QHostAddress(address), port);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                auto index = requests_.size();
                requests_.append(QByteArray());
                sockets_.emplace_back(socket);
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, index] {
                    const bool arrived = complete(requests_[index]);
                    requests_[index] += socket->readAll();
                    if (!arrived && complete(requests_[index]) && onRequest)
                        onRequest(requests_[index]);
                    if (!answer_.isEmpty() && complete(requests_[index])) {
                        socket->write("HTTP/1.1 " + answer_ +
                                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                        socket->flush();
                    }
                });
            }
        });
    }

    bool listening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    // Every request as received, in the order of the connections.
    const QList<QByteArray>& requests() const { return requests_; }
    int connections() const { return static_cast<int>(requests_.size()); }
    // Called with each request once it has arrived whole, before it is answered.
    std::function<void(const QByteArray& request)> onRequest;

    // The header lines and body of a request.
    static QByteArray body(const QByteArray& request) { return request.mid(request.indexOf("\r\n\r\n") + 4); }
    static QByteArray header(const QByteArray& request, const QByteArray& name) {
        for (const QByteArray& line : request.left(request.indexOf("\r\n\r\n")).split('\n'))
            if (line.toLower().startsWith(name.toLower() + ":"))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }

private:
    static bool complete(const QByteArray& request) {
        qsizetype end = request.indexOf("\r\n\r\n");
        return end >= 0 && body(request).size() >= header(request, "Content-Length").toLongLong();
    }

    QByteArray answer_;
    QTcpServer server_;
    QList<QByteArray> requests_;
    std::vector<std::unique_ptr<QTcpSocket>> sockets_;
};
