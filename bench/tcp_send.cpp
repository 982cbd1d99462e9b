// Times 64 MiB sent to a loopback sink: through Connection.Send of a network
// connection, and with socat reading the same bytes from a file. Each is run
// five times, alternating, and the median counts. Both are timed from the
// start of the connect (socat: the start of its process) until the sink has
// every byte and the sender's close. The last line is socat's time divided
// by ours ("ratio 0.93"): 1 or more means ours is as fast.
#include <QCoreApplication>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Tethra/Connection.h"
#include "Tethra/Global.h"
#include "messages/MessagePump.h"

extern char** environ;

namespace {

constexpr size_t Size = 64 << 20;
constexpr int Runs = 5;

using Clock = std::chrono::steady_clock;

// Accepts one connection, reads it to its end and counts the bytes.
class Sink {
public:
    Sink() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0)
            throw std::runtime_error("the sink cannot listen");
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            int connection = ::accept(listener_, nullptr, nullptr);
            std::vector<char> buffer(1 << 20);
            for (;;) {
                ssize_t n = ::read(connection, buffer.data(), buffer.size());
                if (n <= 0)
                    break;
                received_ += static_cast<size_t>(n);
            }
            ::close(connection);
            done_ = true;
        });
    }
    ~Sink() {
        thread_.join();
        ::close(listener_);
    }
    uint16_t port() const { return port_; }
    bool done() const { return done_; }
    size_t received() const { return received_; }

private:
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> done_{false};
    std::atomic<size_t> received_{0};
    std::thread thread_;
};

double ours(const std::string& data) {
    Sink sink;
    auto start = Clock::now();
    auto connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sink.port());
    connection->setPortOpen(true);
    connection->Send(data);
    connection->setPortOpen(false);
    Platform::WaitUntil([&] { return sink.done(); }, 60000);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (sink.received() != data.size())
        throw std::runtime_error("the sink got " + std::to_string(sink.received()) + " bytes from us");
    Tethra::Global::TeardownConnectionObj(connection);
    return seconds;
}

double socat(const std::string& file) {
    Sink sink;
    std::string target = "TCP:127.0.0.1:" + std::to_string(sink.port());
    std::string source = "FILE:" + file;
    const char* argv[] = {"socat", "-u", source.c_str(), target.c_str(), nullptr};
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "socat", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("socat cannot be started");
    int status = 0;
    ::waitpid(pid, &status, 0);
    while (!sink.done())
        ::usleep(100);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (sink.received() != Size)
        throw std::runtime_error("the sink got " + std::to_string(sink.received()) + " bytes from socat");
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string data(Size, '\0');
    for (size_t i = 0; i < Size; ++i)
        data[i] = static_cast<char>(' ' + (i * 31 + i / 4093) % 95);
    char path[] = "/tmp/tcp_send_XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        return 1;
    ::close(fd);

    std::vector<double> ourTimes;
    std::vector<double> socatTimes;
    try {
        for (int run = 0; run < Runs; ++run) {
            ourTimes.push_back(ours(data));
            socatTimes.push_back(socat(path));
            std::printf("run %d: Connection.Send %.3f s, socat %.3f s\n", run + 1, ourTimes.back(),
                        socatTimes.back());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tcp_send: %s\n", error.what());
        ::unlink(path);
        return 1;
    }
    ::unlink(path);
    double ourMedian = median(ourTimes);
    double socatMedian = median(socatTimes);
    std::printf("64 MiB: Connection.Send %.1f MiB/s, socat %.1f MiB/s\n", 64 / ourMedian, 64 / socatMedian);
    std::printf("ratio %.2f\n", socatMedian / ourMedian);
    return 0;
}
