#include "SerialLink.h"

#include "LineRecord.h"

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
    if (!deviceName_.isEmpty())
        LineRecord::remove(deviceName_.toStdString());
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
    // No host has asked for a frame yet (the number may have served before).
    LineRecord::remove(deviceName_.toStdString());
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

std::optional<SerialLink::HostLine> SerialLink::host() const {
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0)
        return std::nullopt;
    HostLine line;
    line.baudRate = baudOf(::cfgetospeed(&tio));
    // A host that left no record is taken at what the terminal kept.
    const tcflag_t asked = LineRecord::read(deviceName_.toStdString()).value_or(tio.c_cflag);
    line.frame = LineFrame::fromControlFlags((asked & ~CSTOPB) | (tio.c_cflag & CSTOPB));
    // As a serial driver: without INPCK a character is taken as it arrived.
    if (tio.c_iflag & INPCK)
        line.onError = (tio.c_iflag & IGNPAR) ? LineFrame::OnError::Drop : LineFrame::OnError::Nul;
    return line;
}

void SerialLink::readable() {
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0)
        return;
    const std::optional<HostLine> line = host();
    if (!line) {
        receiver_(QByteArray(buffer, n));
        return;
    }
    // At another speed the printer's receiver sees no valid character; one
    // with a bad parity or stop bit it drops.
    if (line->baudRate != setting_.baudRate)
        return;
    receiver_(line->frame.carry(QByteArray(buffer, n), setting_.frame, LineFrame::OnError::Drop));
}

void SerialLink::write(const QByteArray& bytes) {
    const std::optional<HostLine> line = host();
    if (line && line->baudRate != setting_.baudRate)
        return;
    QByteArray sent;
    sent.reserve(bytes.size());
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
        sent += out;
    }
    unsent_ += line ? setting_.frame.carry(sent, line->frame, line->onError) : sent;
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
