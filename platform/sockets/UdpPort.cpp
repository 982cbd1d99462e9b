#include "sockets/UdpPort.h"

#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "messages/GuardedEntry.h"
#include "messages/MessagePump.h"
#include "seams/Seams.h"
#include "sockets/DottedAddress.h"
#include "sockets/SocketErrors.h"
#include "sockets/SocketsLibrary.h"

namespace Platform::Sockets {

namespace {

constexpr uint32_t LimitedBroadcast = 0xFFFFFFFFu;
constexpr uint16_t SnmpPort = 161;

int32_t lastError() {
    return winsockCodeFromErrno(errno);
}

// Ports are Long properties; one that does not fit 16 bits is refused rather
// than cut down to another port.
bool portFits(int32_t port) {
    return port >= 0 && port <= 65535;
}

int32_t setOption(int fd, int option, int value) {
    return ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0 ? 0 : lastError();
}

// Windows counts a socket buffer in payload bytes; Linux charges each
// datagram's bookkeeping too (about a kilobyte for a small one), so a buffer
// of 2048 would hold four replies of a sweep where Windows held twenty. The
// kernel is asked for room for the payload in datagrams of 64 bytes.
constexpr int32_t KernelBytesPerPayloadByte = 16;

int32_t setBufferOption(int fd, int option, int32_t payloadBytes) {
    const int64_t kernelBytes = int64_t(payloadBytes) * KernelBytesPerPayloadByte;
    return setOption(fd, option, static_cast<int>(std::clamp<int64_t>(kernelBytes, INT32_MIN, INT32_MAX)));
}

} // namespace

UdpPort::UdpPort(Client& client)
    : client_(client), readNotifier_(std::make_unique<QSocketNotifier>(QSocketNotifier::Read)),
      writeNotifier_(std::make_unique<QSocketNotifier>(QSocketNotifier::Write)) {
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(),
                     [this] { fromEventLoop("UDP port receive", [this] { receiveLoop(); }); });
    // Writability is told once, then not again until a send would block.
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, writeNotifier_.get(), [this] {
        writeNotifier_->setEnabled(false);
        fromEventLoop("UDP port ready to send", [this] { client_.readyToSend(); });
    });
    load();
}

UdpPort::~UdpPort() {
    alive_.reset();
    closeSocket();
    unload();
}

std::string UdpPort::describe(int32_t code) {
    switch (code) {
    case PortError::AlreadyActive:
        return "UDPPort is already Active.";
    case PortError::LocalPortWhileActive:
        return "You cannot change the LocalPort while the control is Active.";
    case PortError::NotActive:
        return "The control must be Active for this operation.";
    default:
        return {};
    }
}

bool UdpPort::load() {
    if (!loaded_)
        loaded_ = SocketsLibrary::load();
    return loaded_;
}

void UdpPort::unload() {
    if (!loaded_)
        return;
    // Without the library the socket is gone too.
    closeSocket();
    loaded_ = false;
    SocketsLibrary::unload();
}

int32_t UdpPort::activate() {
    if (!loaded_)
        return WinsockError::NotInitialised;
    if (fd_ >= 0)
        return PortError::AlreadyActive;
    if (!portFits(localPort_))
        return WinsockError::AddressNotAvailable;
    closePending_ = false;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return lastError();
    int32_t code = shareLocalPort_ ? setOption(fd_, SO_REUSEADDR, 1) : 0;
    if (code == 0) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(static_cast<uint16_t>(localPort_));
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            code = lastError();
    }
    if (code == 0)
        code = setBufferOption(fd_, SO_RCVBUF, receiveBufferSize_);
    if (code == 0)
        code = setBufferOption(fd_, SO_SNDBUF, sendBufferSize_);
    if (code == 0)
        code = setOption(fd_, SO_DONTROUTE, 0);
    if (code == 0)
        code = setOption(fd_, SO_BROADCAST, 1);
    if (code != 0) {
        ::close(fd_);
        fd_ = -1;
        return code;
    }
    readNotifier_->setSocket(fd_);
    writeNotifier_->setSocket(fd_);
    readNotifier_->setEnabled(true);
    writeNotifier_->setEnabled(true);
    return 0;
}

int32_t UdpPort::deactivate() {
    if (fd_ < 0)
        return 0;
    if (inLoop_) {
        closePending_ = true;
        return 0;
    }
    std::weak_ptr<int> alive = alive_;
    fromEventLoop("UDP port delivering before close", [this] { receiveLoop(); });
    if (alive.expired() || fd_ < 0)
        return 0;
    return closeSocket();
}

int32_t UdpPort::closeSocket() {
    if (fd_ < 0)
        return 0;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    const int fd = std::exchange(fd_, -1);
    closePending_ = false;
    return ::close(fd) == 0 ? 0 : lastError();
}

// Reads until nothing waits. The read notice stays off meanwhile: a handler
// that pumps would otherwise be woken for the same datagrams again and again.
void UdpPort::receiveLoop() {
    if (fd_ < 0 || inLoop_)
        return;
    inLoop_ = true;
    readNotifier_->setEnabled(false);
    struct LoopEnd {
        UdpPort* port;
        std::weak_ptr<int> alive;
        ~LoopEnd() {
            if (!alive.expired())
                port->endLoop();
        }
    } end{this, alive_};

    while (fd_ >= 0) {
        char buffer[ReceiveBufferSize];
        sockaddr_in from{};
        iovec part{buffer, sizeof buffer};
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        const ssize_t length = ::recvmsg(fd_, &header, 0);
        if (length < 0) {
            const int32_t code = errno == EINTR ? 0 : lastError();
            if (code == 0)
                continue;
            if (code != WinsockError::WouldBlock && code != WinsockError::NotSocket)
                client_.receiveFailed(code, "Winsock error in recv()");
            return;
        }
        if (header.msg_flags & MSG_TRUNC) {
            client_.receiveFailed(WinsockError::MessageTooLong, "Winsock error in recv()");
            return;
        }
        std::weak_ptr<int> alive = alive_;
        // An empty datagram goes to the client too, which refuses it as
        // malformed: a stranger's empty datagram must not close the socket.
        const bool read =
            client_.datagramArrived(std::string_view(buffer, static_cast<std::size_t>(length)),
                                    dottedAddressText(ntohl(from.sin_addr.s_addr)), ntohs(from.sin_port));
        if (alive.expired() || !read)
            return;
    }
}

void UdpPort::endLoop() {
    inLoop_ = false;
    if (closePending_)
        closeSocket();
    else if (fd_ >= 0)
        readNotifier_->setEnabled(true);
}

int32_t UdpPort::setLocalPort(int32_t port) {
    if (fd_ >= 0)
        return PortError::LocalPortWhileActive;
    localPort_ = port;
    return 0;
}

int32_t UdpPort::localPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (fd_ >= 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) == 0)
        return ntohs(local.sin_port);
    return localPort_;
}

std::string UdpPort::localHost() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (fd_ >= 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) == 0)
        return dottedAddressText(ntohl(local.sin_addr.s_addr));
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0)
        return name;
    return winsockErrorText(lastError());
}

int32_t UdpPort::setRemoteHost(const std::string& host) {
    if (!loaded_)
        return 0; // as the original, which ignored "not loaded" here
    if (host.empty()) {
        remoteAddress_ = 0;
        return 0;
    }
    if (auto dotted = parseDottedAddress(host)) {
        remoteAddress_ = *dotted;
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0 || !found)
        return winsockCodeFromLookup(result);
    remoteAddress_ = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return 0;
}

int32_t UdpPort::applyBufferSize(int option, int32_t& stored, int32_t size) {
    stored = size;
    if (fd_ < 0)
        return 0;
    const int32_t code = setBufferOption(fd_, option, size);
    if (code != 0) {
        int actual = 0;
        socklen_t length = sizeof actual;
        if (::getsockopt(fd_, SOL_SOCKET, option, &actual, &length) == 0)
            stored = actual / KernelBytesPerPayloadByte;
    }
    return code;
}

int32_t UdpPort::setReceiveBufferSize(int32_t size) {
    return applyBufferSize(SO_RCVBUF, receiveBufferSize_, size);
}

int32_t UdpPort::setSendBufferSize(int32_t size) {
    return applyBufferSize(SO_SNDBUF, sendBufferSize_, size);
}

int32_t UdpPort::send(std::string_view datagram) {
    if (!loaded_)
        return WinsockError::NotInitialised;
    if (fd_ < 0)
        return PortError::NotActive;
    if (datagram.empty())
        return 0;
    // 0.0.0.0 would reach this machine on Linux; Windows refused it, and port 0.
    if (remoteAddress_ == 0 || remotePort_ == 0 || !portFits(remotePort_))
        return WinsockError::AddressNotAvailable;
    uint32_t address = remoteAddress_;
    if (address == LimitedBroadcast)
        address = parseDottedAddress(Seams::broadcastAddress()).value_or(LimitedBroadcast);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(remotePort_ == SnmpPort ? Seams::snmpPort() : static_cast<uint16_t>(remotePort_));
    if (!Seams::destinationAllowed(reinterpret_cast<const sockaddr*>(&to)))
        return WinsockError::NetworkUnreachable;
    ssize_t sent;
    do
        sent = ::sendto(fd_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&to), sizeof to);
    while (sent < 0 && errno == EINTR);
    if (sent >= 0)
        return 0;
    const int32_t code = lastError();
    if (code == WinsockError::WouldBlock)
        writeNotifier_->setEnabled(true);
    return code;
}

void UdpPort::DoEvents() {
    WaitForEvents(10);
}

} // namespace Platform::Sockets
