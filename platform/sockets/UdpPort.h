#pragma once
// One UDP socket of the SNMP control: it binds, sends one datagram at a
// time and, when the thread pumps, receives every waiting datagram and hands
// each to its client. Nothing blocks. Operations return 0 or a code: a
// Winsock code (SocketErrors.h) or one of the port's own below.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace Platform::Sockets {

namespace PortError {
inline constexpr int32_t AlreadyActive = 104;
inline constexpr int32_t LocalPortWhileActive = 106;
inline constexpr int32_t NotActive = 109;
} // namespace PortError

class UdpPort {
public:
    class Client {
    public:
        virtual ~Client() = default;
        // A datagram arrived; false when the client could not read it.
        virtual bool datagramArrived(std::string_view datagram, const std::string& sourceAddress,
                                     int32_t sourcePort) = 0;
        virtual void receiveFailed(int32_t code, const std::string& text) = 0;
        virtual void readyToSend() = 0;
    };

    static constexpr std::size_t ReceiveBufferSize = 2048;

    explicit UdpPort(Client& client);
    // Closes an open socket without delivering what still waits, and gives
    // back this port's load of the library.
    ~UdpPort();
    UdpPort(const UdpPort&) = delete;
    UdpPort& operator=(const UdpPort&) = delete;

    // The port's own texts for its codes; empty for any other code.
    static std::string describe(int32_t code);

    // The sockets library, one load per port. A failed load raises nothing:
    // loaded() stays false and the library's description tells why.
    bool load();
    void unload();
    bool loaded() const { return loaded_; }

    int32_t activate();
    // Delivers the datagrams still waiting, then closes; from inside a
    // delivery the close waits until the receive loop ends.
    int32_t deactivate();
    bool active() const { return fd_ >= 0; }
    int socketHandle() const { return fd_; }

    int32_t setLocalPort(int32_t port);
    // The port bound while active, else the one set.
    int32_t localPort() const;
    // The socket's address while active, else the host name.
    std::string localHost() const;

    // Empty text is no address; dotted text is used as it reads; any other
    // text is looked up as a host name.
    int32_t setRemoteHost(const std::string& host);
    uint32_t remoteAddress() const { return remoteAddress_; }
    void setRemotePort(int32_t port) { remotePort_ = port; }
    int32_t remotePort() const { return remotePort_; }

    // Stored, and applied at once while active; a refused size reads back
    // what the socket has.
    int32_t setReceiveBufferSize(int32_t size);
    int32_t receiveBufferSize() const { return receiveBufferSize_; }
    int32_t setSendBufferSize(int32_t size);
    int32_t sendBufferSize() const { return sendBufferSize_; }
    void setShareLocalPort(bool share) { shareLocalPort_ = share; }
    bool shareLocalPort() const { return shareLocalPort_; }

    // One datagram to the remote address and port; an empty one sends nothing.
    int32_t send(std::string_view datagram);

    // Handles what waits for the thread, or waits up to 10 ms for something.
    static void DoEvents();

private:
    int32_t applyBufferSize(int option, int32_t& stored, int32_t size);
    void receiveLoop();
    void endLoop();
    int32_t closeSocket();

    Client& client_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    bool loaded_ = false;
    int fd_ = -1;
    int32_t localPort_ = 0;
    uint32_t remoteAddress_ = 0;
    int32_t remotePort_ = 0;
    int32_t receiveBufferSize_ = 2048;
    int32_t sendBufferSize_ = 2048;
    bool shareLocalPort_ = false;
    bool inLoop_ = false;
    bool closePending_ = false;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
};

} // namespace Platform::Sockets
