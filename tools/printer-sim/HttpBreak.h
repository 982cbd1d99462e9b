#pragma once
// The print server's HTTP endpoint for break strings: a POST to /rb/running
// with the form field BRK. The print server expands the control-character
// tokens (<ESC>, <CR>, ...) and passes the text to the printer.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace PrinterSim {

class HttpBreak : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const QByteArray& breakText)>;

    // A request that has not arrived whole after timeoutMs is answered 408 and
    // closed; an oversized header or body is refused at once.
    HttpBreak(Receiver receiver, int timeoutMs, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }

    // "<ESC>.<CR>" becomes ESC "." CR; names are those of the codes 0 to 31.
    static QByteArray expandTokens(const QByteArray& text);

private:
    void accept();
    void read(QTcpSocket* socket);
    // Once per request: the status line, then the link closes.
    void answer(QTcpSocket* socket, const QByteArray& status);

    Receiver receiver_;
    QTcpServer server_;
    int timeoutMs_;
    // What each client that waits for its answer has sent so far.
    QHash<QTcpSocket*, QByteArray> pending_;
};

} // namespace PrinterSim
