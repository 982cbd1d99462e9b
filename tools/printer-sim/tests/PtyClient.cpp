#include "PtyClient.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <vector>

namespace PrinterSim::Testing {

namespace {

speed_t speedCode(int baudRate) {
    switch (baudRate) {
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

} // namespace

PtyClient::~PtyClient() {
    close();
}

bool PtyClient::open(const QString& device, int baudRate, const QString& frame) {
    close();
    const QStringList fields = frame.split(',');
    if (fields.size() != 3)
        return false;
    fd_ = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speedCode(baudRate));
    ::cfsetospeed(&tio, speedCode(baudRate));
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= fields[1] == "7" ? CS7 : CS8;
    const QString parity = fields[0].toLower();
    if (parity != "n")
        tio.c_cflag |= PARENB;
    if (parity == "o" || parity == "m")
        tio.c_cflag |= PARODD;
    if (parity == "m" || parity == "s")
        tio.c_cflag |= CMSPAR;
    if (fields[2] == "2")
        tio.c_cflag |= CSTOPB;
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void PtyClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void PtyClient::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray PtyClient::read(int ms, const QByteArray& marker) {
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && (marker.isEmpty() || !answer.contains(marker))) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(ms - clock.elapsed())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0)
            answer.append(buffer, n);
    }
    return answer;
}

int PtyClient::run(const QStringList& program, const QString& folder, int timeoutMs) {
    std::vector<QByteArray> words;
    for (const QString& word : program)
        words.push_back(word.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray where = folder.toLocal8Bit();
    // The programs leave the terminal as they like; the client wants it back raw.
    termios before{};
    ::tcgetattr(fd_, &before);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fd_, 0);
        ::dup2(fd_, 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        if (::chdir(where.constData()) == 0)
            ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    // Blocks on the child's process descriptor until it ends or the time is up.
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    pollfd p{handle, POLLIN, 0};
    const bool ended = handle >= 0 && ::poll(&p, 1, timeoutMs) > 0;
    if (handle >= 0)
        ::close(handle);
    if (!ended)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::tcsetattr(fd_, TCSANOW, &before);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace PrinterSim::Testing
