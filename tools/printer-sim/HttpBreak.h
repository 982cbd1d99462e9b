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

    HttpBreak(Receiver receiver, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }

    // "<ESC>.<CR>" becomes ESC "." CR; names are those of the codes 0 to 31.
    static QByteArray expandTokens(const QByteArray& text);

private:
    void accept();
    void read(QTcpSocket* socket);

    Receiver receiver_;
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

} // namespace PrinterSim
