#include "SerialLink.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace PrinterSim {

namespace {

struct Rate {
    int baud;
    speed_t code;
};
constexpr Rate Rates[] = {{300, B300},     {600, B600},      {1200, B1200},   {2400, B2400},
                          {4800, B4800},   {9600, B9600},    {19200, B19200}, {38400, B38400},
                          {57600, B57600}, {115200, B115200}};

// What a receiver expecting other stop bits makes of a byte: framing errors
// that change its bits.
constexpr char FramingGarbage = 0x55;

QString systemError(const QString& what) {
    return what + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

int SerialLink::baudOf(unsigned speedCode) {
    for (const Rate& rate : Rates)
        if (rate.code == speedCode)
            return rate.baud;
    return 0;
}

SerialLink::SerialLink(Setting setting, Receiver receiver, FaultTaker faults, QObject* parent)
    : QObject(parent), setting_(setting), receiver_(std::move(receiver)), faults_(std::move(faults)) {}

SerialLink::~SerialLink() {
    reader_.reset();
    writer_.reset();
    if (!linkPath_.isEmpty())
        QFile::remove(linkPath_);
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

bool SerialLink::open(const QString& linkPath, QString* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = systemError(QStringLiteral("cannot create a pseudo-terminal"));
        return false;
    }
    deviceName_ = QString::fromLocal8Bit(::ptsname(master_));
    // The printer keeps the host's end open too, so that the line stays up
    // (and its settings stay readable) between two host sessions.
    slave_ = ::open(deviceName_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
        *error = systemError("cannot open " + deviceName_);
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(slave_, TCSANOW, &tio);
    if (QFile::exists(linkPath) || !QFile::link(deviceName_, linkPath)) {
        *error = "cannot link " + linkPath + " to " + deviceName_ +
                 (QFile::exists(linkPath) ? ": it exists already (another simulator?)" : QString());
        return false;
    }
    linkPath_ = linkPath;
    reader_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(reader_.get(), &QSocketNotifier::activated, this, &SerialLink::readable);
    writer_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writer_->setEnabled(false);
    connect(writer_.get(), &QSocketNotifier::activated, this, &SerialLink::flush);
    return true;
}

SerialLink::Match SerialLink::judge() const {
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0)
        return Match::Same;
    if (baudOf(::cfgetospeed(&tio)) != setting_.baudRate)
        return Match::OtherSpeed;
    if (((tio.c_cflag & CSTOPB) ? 2 : 1) != setting_.stopBits)
        return Match::OtherStopBits;
    return Match::Same;
}

void SerialLink::readable() {
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0)
        return;
    // At another speed the printer's receiver sees no valid character.
    if (judge() == Match::OtherSpeed)
        return;
    receiver_(QByteArray(buffer, n));
}

void SerialLink::write(const QByteArray& bytes) {
    const Match match = judge();
    if (match == Match::OtherSpeed)
        return;
    QByteArray line;
    line.reserve(bytes.size());
    for (const char c : bytes) {
        char out = c;
        if (faults_(Fault::LineSetsBit7))
            out = static_cast<char>(out | 0x80);
        if (++sent_ % Stride == 0) {
            if (faults_(Fault::LineDropsBytes))
                continue;
            if (faults_(Fault::LineFlipsBits))
                out = static_cast<char>(out ^ 0x08);
        }
        line += match == Match::OtherStopBits ? static_cast<char>(out ^ FramingGarbage) : out;
    }
    unsent_ += line;
    flush();
}

void SerialLink::flush() {
    // What the terminal cannot take now leaves once the host has read some.
    while (!unsent_.isEmpty()) {
        const ssize_t n = ::write(master_, unsent_.constData(), static_cast<size_t>(unsent_.size()));
        if (n <= 0)
            break;
        unsent_.remove(0, n);
    }
    writer_->setEnabled(!unsent_.isEmpty());
}

} // namespace PrinterSim
