#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

uint16_t unusedLoopbackPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

LoopbackPeer::LoopbackPeer(int receiveBuffer) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the loopback peer cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

LoopbackPeer::~LoopbackPeer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void LoopbackPeer::send(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    toSend_ += bytes;
}

std::string LoopbackPeer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

size_t LoopbackPeer::receivedSize() const {
    std::lock_guard lock(mutex_);
    return received_.size();
}

void LoopbackPeer::run() {
    int connection = -1;
    char buffer[65536];
    while (!stop_) {
        if (connection < 0) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 10) > 0) {
                connection = ::accept(listener_, nullptr, nullptr);
                endOfStream_ = false;
                reset_ = false;
                closeRequested_ = false;
                ++accepted_;
            }
            continue;
        }
        if (closeRequested_) {
            ::close(connection);
            connection = -1;
            closeRequested_ = false;
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            if (!toSend_.empty()) {
                ssize_t n = ::send(connection, toSend_.data(), toSend_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0)
                    toSend_.erase(0, static_cast<size_t>(n));
            }
        }
        if (!reading_ || endOfStream_ || reset_) {
            ::usleep(2000);
            continue;
        }
        pollfd readable{connection, POLLIN, 0};
        if (::poll(&readable, 1, 10) <= 0)
            continue;
        ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n > 0) {
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            endOfStream_ = true;
        } else if (errno == ECONNRESET) {
            reset_ = true;
        }
    }
    if (connection >= 0)
        ::close(connection);
}
