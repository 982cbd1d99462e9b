#pragma once
// The host side of the tests: a plain TCP client that sends command texts and
// reads what the simulated printer answers, blocking (the printer runs in a
// thread of its own).
#include <QByteArray>
#include <QTcpSocket>

namespace PrinterSim::Testing {

class SimClient {
public:
    bool connectTo(quint16 port, const QString& address = QStringLiteral("127.0.0.1"));
    void send(const QByteArray& bytes);
    // Everything received until `marker` has arrived (inclusive), or what came
    // within timeoutMs when it does not.
    QByteArray readUntil(const QByteArray& marker, int timeoutMs = 3000);
    // Everything that arrives within ms.
    QByteArray readFor(int ms);
    // True when the printer closes the link within timeoutMs.
    bool waitClosed(int timeoutMs);
    QTcpSocket& socket() { return socket_; }

    // The command wrapped in the frame that the host sends (lines 0 to 13),
    // with the two-digit id; the command must end in CR or LF.
    static QByteArray frame(int id, const QByteArray& command);
    // Sends the frame and returns the reply through its EOT (and the prompt
    // behind it when one comes at once).
    QByteArray command(int id, const QByteArray& command, int timeoutMs = 3000);
    // The command's output: the bytes between STX and ETX of a reply.
    static QByteArray replyText(const QByteArray& reply);
    // The trailer: the five state characters, then the RS-separated fields.
    static QList<QByteArray> trailer(const QByteArray& reply);

private:
    QTcpSocket socket_;
    QByteArray buffer_;
};

} // namespace PrinterSim::Testing
