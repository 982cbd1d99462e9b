#include "serial/SerialDevice.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Platform::Serial {

namespace {

struct BaudRate {
    int32_t baud;
    speed_t speed;
};

constexpr std::array<BaudRate, 7> baudRates{{
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
}};

std::optional<int32_t> number(std::string_view text) {
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(std::string_view text, std::string& problem) {
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    std::string_view rest = text;
    while (true) {
        std::size_t comma = rest.find(',');
        if (count == fields.size()) {
            problem = "Settings has more than four fields: \"" + std::string(text) + "\"";
            return std::nullopt;
        }
        fields[count++] = trimmed(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (count != fields.size()) {
        problem = "Settings needs four fields (baud,parity,data,stop): \"" + std::string(text) + "\"";
        return std::nullopt;
    }

    LineSettings s;
    auto baud = number(fields[0]);
    bool known = false;
    for (const auto& rate : baudRates)
        known = known || (baud && *baud == rate.baud);
    if (!known) {
        problem = "unsupported baud rate \"" + std::string(fields[0]) + "\" (2400 to 115200)";
        return std::nullopt;
    }
    s.baud = *baud;

    static constexpr std::string_view parities = "neoms";
    if (fields[1].size() != 1 ||
        parities.find(static_cast<char>(fields[1][0] | 0x20)) == std::string_view::npos) {
        problem = "unknown parity \"" + std::string(fields[1]) + "\" (n, e, o, m or s)";
        return std::nullopt;
    }
    s.parity = static_cast<char>(fields[1][0] | 0x20);

    auto data = number(fields[2]);
    if (!data || *data < 5 || *data > 8) {
        problem = "invalid data bits \"" + std::string(fields[2]) + "\" (5 to 8)";
        return std::nullopt;
    }
    s.dataBits = *data;

    auto stop = number(fields[3]);
    if (!stop || (*stop != 1 && *stop != 2)) {
        problem = "invalid stop bits \"" + std::string(fields[3]) + "\" (1 or 2)";
        return std::nullopt;
    }
    s.stopBits = *stop;
    return s;
}

std::string LineSettings::text() const {
    return std::to_string(baud) + "," + parity + "," + std::to_string(dataBits) + "," +
           std::to_string(stopBits);
}

SerialDevice::~SerialDevice() {
    close();
}

int SerialDevice::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Exclusive like a COM port: a second opener, in this process or another, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return error;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        int error = errno;
        ::close(fd);
        return error;
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    return 0;
}

void SerialDevice::close() {
    if (fd_ < 0)
        return;
    // A close with output pending would wait for it to drain. (A pseudo-terminal
    // reports none: what it holds is already with the other side.)
    if (outputQueued() > 0)
        ::tcflush(fd_, TCOFLUSH);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool SerialDevice::configure(const LineSettings& settings, int32_t handshaking) {
    termios tio{};
    if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[settings.dataBits - 5];
    switch (settings.parity) {
    case 'e':
        tio.c_cflag |= PARENB;
        break;
    case 'o':
        tio.c_cflag |= PARENB | PARODD;
        break;
    case 'm':
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 's':
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    if (handshaking == HandShake_Hardware || handshaking == HandShake_Both)
        tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (handshaking == HandShake_Software || handshaking == HandShake_Both)
        tio.c_iflag |= IXON | IXOFF;
    // Non-blocking reads then report "no data" as EAGAIN, so 0 means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    speed_t speed = B9600;
    for (const auto& rate : baudRates)
        if (rate.baud == settings.baud)
            speed = rate.speed;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd_, TCSANOW, &tio) == 0)
        return true;
    // A pseudo-terminal carries whole bytes only: it has no data bits or
    // parity to set, and the C library refuses a frame it did not keep. The
    // line then runs with the one frame it has; the settings read back as set.
    if (errno != EINVAL || !isPseudoTerminal())
        return false;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= CS8;
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

bool SerialDevice::isPseudoTerminal() const {
    char target[64] = {};
    std::string link = "/proc/self/fd/" + std::to_string(fd_);
    ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    return length > 0 && std::string_view(target, static_cast<size_t>(length)).starts_with("/dev/pts/");
}

void SerialDevice::setModemControl(bool dtr, bool rts) {
    if (fd_ < 0)
        return;
    int dtrBit = TIOCM_DTR, rtsBit = TIOCM_RTS;
    ::ioctl(fd_, dtr ? TIOCMBIS : TIOCMBIC, &dtrBit);
    ::ioctl(fd_, rts ? TIOCMBIS : TIOCMBIC, &rtsBit);
}

std::optional<uint32_t> SerialDevice::modemStatus() const {
    int lines = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &lines) != 0)
        return std::nullopt;
    uint32_t status = 0;
    if (lines & TIOCM_CTS)
        status |= ModemStatus_CTS;
    if (lines & TIOCM_DSR)
        status |= ModemStatus_DSR;
    if (lines & TIOCM_RI)
        status |= ModemStatus_Ring;
    if (lines & TIOCM_CD)
        status |= ModemStatus_CD;
    return status;
}

std::size_t SerialDevice::inputQueued() const {
    int count = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return std::size_t(count);
}

std::size_t SerialDevice::outputQueued() const {
    int count = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCOUTQ, &count) != 0 || count < 0)
        return 0;
    return std::size_t(count);
}

void SerialDevice::flushInput() {
    if (fd_ >= 0)
        ::tcflush(fd_, TCIFLUSH);
}

void SerialDevice::flushOutput() {
    if (fd_ >= 0)
        ::tcflush(fd_, TCOFLUSH);
}

ssize_t SerialDevice::read(char* buffer, std::size_t size) {
    ssize_t n;
    do
        n = ::read(fd_, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

ssize_t SerialDevice::write(const char* data, std::size_t size) {
    ssize_t n;
    do
        n = ::write(fd_, data, size);
    while (n < 0 && errno == EINTR);
    return n;
}

} // namespace Platform::Serial
