#pragma once
// A plain UDP socket for tests: it stands for the other side of the port
// under test, sends raw datagrams and takes what arrives.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform::Sockets::Testing {

class LoopbackSocket {
public:
    // Bound to `host` and `port` (0 lets the system choose); bound() tells
    // whether that worked.
    explicit LoopbackSocket(const char* host = "127.0.0.1", int32_t port = 0)
        : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address = at(host, port);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval limit{3, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~LoopbackSocket() { ::close(fd_); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    bool bound() const { return bound_; }
    int32_t port() const {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        return ntohs(address.sin_port);
    }

    bool send(const std::string& datagram, int32_t port, const char* host = "127.0.0.1") {
        sockaddr_in to = at(host, port);
        return ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == ssize_t(datagram.size());
    }

    // The next datagram; empty when none comes within `limitMs`.
    std::string receive(int limitMs = 3000) {
        timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char buffer[4096];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    }

private:
    static sockaddr_in at(const char* host, int32_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr(host);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return address;
    }

    int fd_;
    bool bound_ = false;
};

// A UDP port on `host` that nothing uses at the moment.
inline int32_t freePort(const char* host) {
    return LoopbackSocket(host).port();
}

} // namespace Platform::Sockets::Testing
