#include "HttpBreak.h"

#include <QTimer>
#include <QUrlQuery>

namespace PrinterSim {

namespace {

// A request's header and body, at most; the form holds a short break string.
constexpr qsizetype MaxHeaderBytes = 8 * 1024;
constexpr qsizetype MaxBodyBytes = 64 * 1024;

} // namespace

HttpBreak::HttpBreak(Receiver receiver, int timeoutMs, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), server_(this), timeoutMs_(timeoutMs) {
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
        pending_.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
        // A client that stops sending holds nothing for long.
        QTimer::singleShot(timeoutMs_, socket, [this, socket] { answer(socket, "408 Request Timeout"); });
    }
}

void HttpBreak::read(QTcpSocket* socket) {
    const auto pending = pending_.find(socket);
    if (pending == pending_.end()) {
        socket->readAll(); // answered already: what follows is not read
        return;
    }
    QByteArray& request = *pending;
    request += socket->readAll();
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    if (headerEnd < 0 || headerEnd > MaxHeaderBytes) {
        if (request.size() > MaxHeaderBytes)
            answer(socket, "431 Request Header Fields Too Large");
        return;
    }
    const QByteArray header = request.left(headerEnd);
    qsizetype length = 0;
    bool lengthOk = true;
    for (const QByteArray& line : header.split('\n'))
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong(&lengthOk);
    if (!lengthOk || length < 0) {
        answer(socket, "400 Bad Request");
        return;
    }
    if (length > MaxBodyBytes) {
        answer(socket, "413 Content Too Large");
        return;
    }
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
    answer(socket, status);
}

void HttpBreak::answer(QTcpSocket* socket, const QByteArray& status) {
    if (!pending_.remove(socket))
        return;
    socket->write("HTTP/1.0 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

} // namespace PrinterSim
