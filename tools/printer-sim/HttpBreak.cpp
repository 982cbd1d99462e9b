#include "HttpBreak.h"

#include <QUrlQuery>

namespace PrinterSim {

HttpBreak::HttpBreak(Receiver receiver, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), server_(this) {
    connect(&server_, &QTcpServer::newConnection, this, &HttpBreak::accept);
}

bool HttpBreak::listen(const QHostAddress& address, quint16 port, QString* error) {
    if (server_.listen(address, port))
        return true;
    *error = "cannot listen for HTTP on " + address.toString() + ":" + QString::number(port) + ": " +
             server_.errorString();
    return false;
}

QByteArray HttpBreak::expandTokens(const QByteArray& text) {
    static const QList<QByteArray> Names = QByteArray("NUL,SOH,STX,ETX,EOT,ENQ,ACK,BEL,BS,HT,LF,VT,FF,CR,SO,"
                                                      "SI,DLE,DC1,DC2,DC3,DC4,NAK,SYN,ETB,CAN,EM,SUB,"
                                                      "ESC,FS,GS,RS,US")
                                               .split(',');
    QByteArray result = text;
    for (qsizetype code = 0; code < Names.size(); ++code)
        result.replace("<" + Names[code] + ">", QByteArray(1, static_cast<char>(code)));
    // The installer's own names for 2 and 16.
    result.replace("<STZ>", QByteArray(1, '\x02'));
    result.replace("<DEL>", QByteArray(1, '\x10'));
    return result;
}

void HttpBreak::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpBreak::read(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QByteArray header = request.left(headerEnd);
    qsizetype length = 0;
    for (const QByteArray& line : header.split('\n'))
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    const QByteArray body = request.mid(headerEnd + 4);
    if (body.size() < length)
        return;
    const QList<QByteArray> requestLine = header.left(header.indexOf('\r')).split(' ');
    QByteArray status = "404 Not Found";
    if (requestLine.value(0) == "POST" && requestLine.value(1) == "/rb/running") {
        status = "200 OK";
        const QUrlQuery form(QString::fromLatin1(body.left(length)));
        if (form.hasQueryItem(QStringLiteral("BRK"))) {
            const QString value = form.queryItemValue(QStringLiteral("BRK"), QUrl::FullyDecoded);
            receiver_(expandTokens(value.toLatin1()));
        }
    }
    socket->write("HTTP/1.0 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

} // namespace PrinterSim
