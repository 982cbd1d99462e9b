#pragma once
// Plain loopback peers for the benchmarks: a sink that reads one connection to
// its end, and a source that writes given bytes to one connection and closes.
// Both run in a thread of their own, so they keep up with any sender. And
// socat, the reference that moves the same bytes.
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" char** environ;

namespace Bench {

class LoopbackPeer {
public:
    // A sink when `data` is empty, else a source of `data`.
    explicit LoopbackPeer(const std::string* data = nullptr) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 1) != 0)
            throw std::runtime_error("the loopback peer cannot listen");
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, data] {
            int connection = ::accept(listener_, nullptr, nullptr);
            if (data) {
                for (size_t sent = 0; sent < data->size();) {
                    ssize_t n = ::write(connection, data->data() + sent, data->size() - sent);
                    if (n <= 0)
                        break;
                    sent += static_cast<size_t>(n);
                }
            } else {
                std::vector<char> buffer(1 << 20);
                for (ssize_t n; (n = ::read(connection, buffer.data(), buffer.size())) > 0;)
                    received_ += static_cast<size_t>(n);
            }
            ::close(connection);
            done_ = true;
        });
    }
    ~LoopbackPeer() {
        thread_.join();
        ::close(listener_);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

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

// Runs "socat -u from to" to its end.
inline void runSocat(const std::string& from, const std::string& to) {
    const char* argv[] = {"socat", "-u", from.c_str(), to.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "socat", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("socat cannot be started");
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("socat failed");
}

// Seconds socat takes to move a file of `size` bytes into a fresh sink.
inline double socatFileToSink(const std::string& file, size_t size) {
    LoopbackPeer sink;
    auto start = std::chrono::steady_clock::now();
    runSocat("FILE:" + file, "TCP:127.0.0.1:" + std::to_string(sink.port()));
    while (!sink.done())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sink.received() != size)
        throw std::runtime_error("the sink got " + std::to_string(sink.received()) + " bytes from socat");
    return seconds;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace Bench
