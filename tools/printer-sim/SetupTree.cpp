#include "SetupTree.h"

#include "Failure.h"

namespace PrinterSim {

namespace {

// One bit a dot.
constexpr qint64 StartupMediaLength = 1200;
qint64 imageMemory(qint64 width, qint64 length) {
    return qMax<qint64>(width, 0) * qMax<qint64>(length, 0) / 8;
}

} // namespace

SetupTree::SetupTree(const Profile& profile)
    : media_(profile.major() >= 7 ? "MEDIA," : "SERVICE,"),
      startupImageMemory_(imageMemory(profile.headDots, StartupMediaLength)) {
    const int uarts = profile.dualRs232 ? 3 : 1;
    for (int n = 1; n <= uarts; ++n) {
        const QByteArray uart = "SER-COM,UART" + QByteArray::number(n) + ",";
        values_.append({uart + "BAUDRATE", QByteArray::number(profile.baudRate)});
        values_.append({uart + "PARITY", profile.parity});
        values_.append({uart + "CHARLENGTH", QByteArray::number(profile.dataBits)});
        values_.append({uart + "STOPBITS", QByteArray::number(profile.stopBits)});
        values_.append({uart + "FLOWCONTROL,RTS/CTS", "DISABLE"});
        values_.append({uart + "FLOWCONTROL,XON/XOFF,DATATOHOST", "DISABLE"});
        values_.append({uart + "FLOWCONTROL,XON/XOFF,DATAFROMHOST", "DISABLE"});
        values_.append({uart + "REC BUF", QByteArray::number(profile.recBuf)});
    }
    values_.append({media_ + "MEDIA SIZE,WIDTH", QByteArray::number(profile.headDots)});
    values_.append({media_ + "MEDIA SIZE,LENGTH", QByteArray::number(StartupMediaLength)});
    values_.append({media_ + "MEDIA SIZE,XSTART", "0"});
    values_.append({media_ + "MEDIA TYPE", "LABEL (W GAPS)"});
    values_.append({QByteArray("NETWORK,IP SELECTION"), QByteArray("DHCP")});
}

qsizetype SetupTree::indexOf(const QByteArray& key) const {
    for (qsizetype i = 0; i < values_.size(); ++i)
        if (values_[i].first == key.toUpper())
            return i;
    return -1;
}

bool SetupTree::has(const QByteArray& key) const {
    return indexOf(key) >= 0;
}

QByteArray SetupTree::value(const QByteArray& key) const {
    const qsizetype i = indexOf(key);
    if (i < 0)
        throw Failure(Failure::OutOfRange);
    return values_[i].second;
}

void SetupTree::set(const QByteArray& key, const QByteArray& value) {
    const qsizetype i = indexOf(key);
    if (i < 0)
        throw Failure(Failure::OutOfRange);
    values_[i].second = value;
}

int SetupTree::mediaLength() const {
    return value(media_ + "MEDIA SIZE,LENGTH").toInt();
}

qint64 SetupTree::releasedImageMemory() const {
    const qint64 now = imageMemory(value(media_ + "MEDIA SIZE,WIDTH").toLongLong(),
                                   value(media_ + "MEDIA SIZE,LENGTH").toLongLong());
    return qMax<qint64>(startupImageMemory_ - now, 0);
}

QByteArray SetupTree::dump(const QByteArray& lineBreak) const {
    QByteArray text;
    for (const auto& [key, value] : values_)
        text += key + "," + value + lineBreak;
    return text;
}

} // namespace PrinterSim
