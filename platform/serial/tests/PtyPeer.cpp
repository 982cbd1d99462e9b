#include "PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace Platform::Serial::Testing {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        fail("fcntl O_NONBLOCK");
}

} // namespace

int64_t monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "serial-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        fail("mkdtemp");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string allByteValues() {
    std::string bytes;
    for (int i = 0; i < 32768; ++i)
        bytes += static_cast<char>(i % 256);
    for (int value = 0; value < 256; ++value)
        bytes += std::string(128, static_cast<char>(value));
    return bytes;
}

const std::vector<SampleFile>& sampleFiles() {
    static const std::vector<SampleFile> files = {
        {"Empty", ""},
        {"OneByte", std::string("\x01", 1)},
        {"Odd1023", randomBytes(1023, 11)},
        {"AllValues64K", allByteValues()},
        {"Random1M", randomBytes(1 << 20, 12)},
    };
    return files;
}

Pty::Pty() {
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    char name[256] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0)
        fail("openpty");
    slaveName_ = name;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    setNonBlocking(master_);
}

Pty::~Pty() {
    close(master_);
    close(slave_);
}

PeerProcess::PeerProcess(const std::vector<std::string>& argv, int slave, const std::string& folder,
                         const std::string& errorLog) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int log = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0)
        fail("open " + errorLog);
    pid_ = fork();
    if (pid_ < 0)
        fail("fork");
    if (pid_ == 0) {
        // Only async-signal-safe calls until exec.
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(log, 2);
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(log);
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ < 0)
        fail("pidfd_open");
}

PeerProcess::~PeerProcess() {
    if (!status_) {
        kill();
        wait(5000);
    }
    close(pidfd_);
}

void PeerProcess::kill() {
    if (!status_)
        ::kill(pid_, SIGKILL);
}

std::optional<int> PeerProcess::wait(int timeoutMs) {
    if (status_)
        return status_;
    pollfd exited{pidfd_, POLLIN, 0};
    if (poll(&exited, 1, timeoutMs) <= 0)
        return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_)
        return std::nullopt;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
}

Relay::Relay(int a, int b, LineModel aToB, LineModel bToA) : a_(a), b_(b) {
    if (pipe2(stop_, O_CLOEXEC) != 0)
        fail("pipe2");
    setNonBlocking(a_);
    setNonBlocking(b_);
    thread_ = std::thread([this, aToB, bToA] { run(aToB, bToA); });
}

Relay::~Relay() {
    const char quit = 'q';
    (void)!write(stop_[1], &quit, 1);
    thread_.join();
    close(stop_[0]);
    close(stop_[1]);
}

void Relay::run(LineModel aToB, LineModel bToA) {
    struct Direction {
        int from;
        int to;
        LineModel model;
        std::mt19937 random;
        std::string queue;

        std::string held;     // what may begin the bytes of the next drop
        std::size_t drop = 0; // the next of model.drops
        int seen = 0;         // its appearances so far

        bool strikes(int oneIn) {
            return oneIn > 0 && std::uniform_int_distribution<int>(1, oneIn)(random) == 1;
        }
        // Passes a byte on, unless it completes the next drop; true then.
        bool pass(char c) {
            if (drop == model.drops.size()) {
                queue += c;
                return false;
            }
            const std::string& bytes = model.drops[drop].bytes;
            held += c;
            while (!held.empty() && bytes.compare(0, held.size(), held) != 0) {
                queue += held.front();
                held.erase(0, 1);
            }
            if (held != bytes)
                return false;
            held.clear();
            if (++seen < model.drops[drop].at) {
                queue += bytes;
                return false;
            }
            ++drop;
            seen = 0;
            return true;
        }
        // A line that fell silent owes nothing more to a beginning.
        void release() {
            queue += held;
            held.clear();
        }
    };
    Direction ways[2] = {{a_, b_, aToB, std::mt19937(aToB.seed), {}, {}, 0, 0},
                         {b_, a_, bToA, std::mt19937(bToA.seed), {}, {}, 0, 0}};
    char buffer[4096];
    for (;;) {
        pollfd fds[5] = {{stop_[0], POLLIN, 0}};
        int count = 1;
        for (Direction& way : ways)
            fds[count++] = {way.from, POLLIN, 0};
        for (Direction& way : ways)
            fds[count++] = {way.to, static_cast<short>(way.queue.empty() ? 0 : POLLOUT), 0};
        const bool holding = !ways[0].held.empty() || !ways[1].held.empty();
        const int ready = poll(fds, 5, holding ? 200 : -1);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        for (Direction& way : ways) {
            if (ready == 0)
                way.release();
            const ssize_t got = read(way.from, buffer, sizeof buffer);
            for (ssize_t i = 0; i < got; ++i) {
                char c = way.model.stripBit7 ? static_cast<char>(buffer[i] & 0x7F) : buffer[i];
                if (way.strikes(way.model.dropOneIn)) {
                    ++faults_;
                    continue;
                }
                if (way.strikes(way.model.flipOneIn)) {
                    ++faults_;
                    c = static_cast<char>(c ^ (1 << (way.random() % (way.model.stripBit7 ? 7 : 8))));
                }
                if (way.pass(c))
                    ++faults_;
            }
            const ssize_t put = way.queue.empty() ? 0 : write(way.to, way.queue.data(), way.queue.size());
            if (put > 0)
                way.queue.erase(0, static_cast<std::size_t>(put));
        }
    }
}

void RecordingHost::transferEvent(TransferEvent event, enumSerialFTStatus status) {
    events.emplace_back(event, status);
    if (onEvent)
        onEvent(event);
}

std::string RecordingHost::prepareFile(const std::string& name, const std::string& local, int64_t size) {
    announcedName = name;
    localName = local;
    announcedSize = size;
    transferEvent(TransferEvent::PrepareFile, SerialFTStatus_Prepare);
    return destination;
}

int RecordingHost::endEvents() const {
    int ends = 0;
    for (const auto& [event, status] : events)
        ends += event == TransferEvent::FinishFileTransfer || event == TransferEvent::AbortFile ||
                event == TransferEvent::AbortFileTransfer;
    return ends;
}

} // namespace Platform::Serial::Testing
