#include "SimClient.h"

#include <QElapsedTimer>

namespace PrinterSim::Testing {

bool SimClient::connectTo(quint16 port, const QString& address) {
    socket_.connectToHost(address, port);
    return socket_.waitForConnected(3000);
}

void SimClient::send(const QByteArray& bytes) {
    socket_.write(bytes);
    socket_.waitForBytesWritten(3000);
}

QByteArray SimClient::readUntil(const QByteArray& marker, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!buffer_.contains(marker) && timer.elapsed() < timeoutMs) {
        if (socket_.bytesAvailable() == 0 &&
            !socket_.waitForReadyRead(static_cast<int>(timeoutMs - timer.elapsed())))
            break;
        buffer_ += socket_.readAll();
    }
    const qsizetype at = buffer_.indexOf(marker);
    const qsizetype end = at < 0 ? buffer_.size() : at + marker.size();
    const QByteArray taken = buffer_.left(end);
    buffer_.remove(0, end);
    return taken;
}

QByteArray SimClient::readFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (socket_.waitForReadyRead(static_cast<int>(ms - timer.elapsed())))
            buffer_ += socket_.readAll();
        else if (socket_.state() != QAbstractSocket::ConnectedState)
            break;
    }
    buffer_ += socket_.readAll();
    const QByteArray taken = buffer_;
    buffer_.clear();
    return taken;
}

bool SimClient::waitClosed(int timeoutMs) {
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return true;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (!socket_.waitForReadyRead(static_cast<int>(timeoutMs - timer.elapsed())) &&
            socket_.state() == QAbstractSocket::UnconnectedState)
            return true;
        buffer_ += socket_.readAll();
        if (socket_.state() == QAbstractSocket::UnconnectedState)
            return true;
    }
    return false;
}

QByteArray SimClient::frame(int id, const QByteArray& command) {
    const QByteArray n = QByteArray::number(id).rightJustified(2, '0');
    return "\r"
           "QQISV18%=SYSVAR(18):SYSVAR(18)=8\r"
           "PRINT CHR$(1)+\"CMD" +
           n +
           "\"+CHR$(2);\r"
           "QQISV19%=SYSVAR(19):SYSVAR(19)=2:QQISV15%=SYSVAR(15)\r" +
           command +
           "QQISV15%=SYSVAR(15):SYSVAR(19)=0\r"
           "QQISV24%=SYSVAR(24)\r"
           "QQISV43%=SYSVAR(43)\r"
           "MAP1,0,49:MAP2,0,50:MAP3,0,51:MAP4,0,52\r"
           "MAP5,0,53\r"
           "QQISTDIO$=\"" +
           QByteArray(1, '\0') +
           "\":MAP1,0,0:MAP2,0,0:MAP3,0,0:MAP4,0,0\r"
           "MAP5,0,0\r"
           "PRINT CHR$(3)+\"CMD" +
           n +
           "\"+CHR$(QQISV18%+65)+STR$(QQISV19%)+STR$(QQISV43%)+QQISTDIO$+STR$(QQISV24%)+CHR$(30);:PRINT:"
           "PRINT "
           "CHR$(30)+VERSION$(0)+CHR$(30)+STR$(QQISV15%)+CHR$(30);:RUN\"whoami\"\r"
           "SYSVAR(19)=QQISV19%:SYSVAR(18)=QQISV18%:PRINTCHR$(4);\r";
}

QByteArray SimClient::command(int id, const QByteArray& text, int timeoutMs) {
    send(frame(id, text));
    return readUntil(QByteArray(1, '\x04'), timeoutMs);
}

QByteArray SimClient::replyText(const QByteArray& reply) {
    const qsizetype stx = reply.indexOf('\x02');
    const qsizetype etx = reply.indexOf('\x03', stx);
    return stx < 0 || etx < 0 ? QByteArray() : reply.mid(stx + 1, etx - stx - 1);
}

QList<QByteArray> SimClient::trailer(const QByteArray& reply) {
    const qsizetype etx = reply.indexOf('\x03');
    const qsizetype eot = reply.indexOf('\x04', etx);
    if (etx < 0 || eot < 0)
        return {};
    // ETX, "CMD" and the two-digit id come before the state characters.
    return reply.mid(etx + 6, eot - etx - 6).split('\x1e');
}

} // namespace PrinterSim::Testing
