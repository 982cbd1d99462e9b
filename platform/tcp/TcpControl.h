#pragma once
// The TCP socket control: one client connection on QTcpSocket. Connecting and
// disconnecting are asynchronous and report through events; sending goes
// through a bounded send window, so that a send the control cannot take now
// fails with 25036 and ReadyToSend follows once the window has room again.
// Events are raised only while the thread pumps, never inside the call that
// caused them.
//
// Errors it raises (source "TcpControl"):
//   25036 The send window is full (try again after ReadyToSend)
//   25051 Network unreachable (the destination is refused or cannot be resolved)
//   25058 The connection is not open, so nothing can be sent
// Error events carry the same kind of numbers (25061 connection refused, ...).
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

class QObject;
class QTcpSocket;
class QTimer;

namespace Platform::Tcp {

namespace TcpControlError {
inline constexpr int32_t WouldBlock = 25036;
inline constexpr int32_t NetworkUnreachable = 25051;
inline constexpr int32_t ConnectionReset = 25054;
inline constexpr int32_t NotConnected = 25058;
inline constexpr int32_t TimedOut = 25060;
inline constexpr int32_t ConnectionRefused = 25061;
inline constexpr int32_t HostNotFound = 25001;
inline constexpr int32_t Failure = 25000;
} // namespace TcpControlError

class TcpControl final : public Automation::Object {
public:
    TcpControl();
    ~TcpControl() override;
    TcpControl(const TcpControl&) = delete;
    TcpControl& operator=(const TcpControl&) = delete;

    // True while the link is up, and while a close still delivers queued data.
    bool Connected() const;
    // True starts a connect, False a close; the outcome arrives by event.
    // With Linger on, a close first delivers what is queued; off, it closes
    // at once with what the kernel takes. Either way it ends with FIN.
    void setConnected(bool value);

    std::string RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const std::string& value) { remoteHost_ = value; }
    // 1 to 65535.
    int32_t RemotePort() const { return remotePort_; }
    void setRemotePort(int32_t value);
    std::string LocalHost() const { return localHost_; }
    void setLocalHost(const std::string& value) { localHost_ = value; }
    // 0 lets the system choose.
    int32_t LocalPort() const { return localPort_; }
    void setLocalPort(int32_t value);
    bool Linger() const { return linger_; }
    void setLinger(bool value) { linger_ = value; }
    // The receive buffer: the control reads at most this much ahead of its
    // DataIn events; the rest waits in the kernel.
    int32_t InBufferSize() const { return inBufferSize_; }
    void setInBufferSize(int32_t value);
    // The send window: bytes the control holds that the kernel has not taken.
    int32_t OutBufferSize() const { return outBufferSize_; }
    void setOutBufferSize(int32_t value);

    // Takes as much as the window has room for; BytesSent tells how much.
    // While the caller streams (sends, pumps with ProcessEvents right after
    // and sends again), what it sends may wait in the window to go to the
    // kernel with what follows, until the window is full, the caller waits
    // or the thread is about to sleep.
    void setDataToSend(const std::string& value);
    void setBytesToSend(const Automation::ByteArray& value);
    int32_t BytesSent() const { return bytesSent_; }

    // Lets pending events run: blocks for a moment in the event loop when
    // nothing is pending, so that callers' loops never spin; but not right
    // after a send that the window took whole: then what is posted runs, and
    // sockets and timers are looked at every 100 microseconds.
    void ProcessEvents();

    Automation::Event<int16_t, std::string> ConnectedEvent;
    Automation::Event<std::string, bool> DataIn;
    Automation::Event<int16_t, std::string> Disconnected;
    Automation::Event<int16_t, std::string> Error;
    Automation::Event<> ReadyToSend;

private:
    enum class State { Closed, Connecting, Open, Closing };
    enum class Kind { Connected, DataIn, Disconnected, Error, ReadyToSend };
    struct Notice {
        Kind kind;
        int16_t code = 0;
        std::string text;
    };

    void write(std::string_view bytes);
    void hand(std::string_view bytes);
    void flushHeld();
    void endStream();
    void take(std::string bytes);
    void onConnected();
    void onReadyRead();
    void onBytesWritten();
    void onError(int socketError);
    void onDisconnected();
    void halfClose();
    void onCloseTick();
    void finishClose();
    void drainInput();

    void queue(Kind kind, int16_t code = 0, std::string text = {});
    void deliver();

    std::string remoteHost_;
    int32_t remotePort_ = 0;
    std::string localHost_;
    int32_t localPort_ = 0;
    bool linger_ = false;
    int32_t inBufferSize_ = 8192;
    int32_t outBufferSize_ = 8192;
    int32_t bytesSent_ = 0;
    State state_ = State::Closed;
    bool windowFull_ = false;
    // A send was taken whole since the last ProcessEvents.
    bool moved_ = false;
    // The caller streams: it pumped right after a send taken whole, and has
    // not waited since. Its sends gather in held_ (part of the window).
    bool streaming_ = false;
    std::string held_;
    // Held bytes are sent before the thread sleeps: the control hears of it.
    bool canHold_ = false;

    std::deque<Notice> notices_;
    bool deliveryPosted_ = false;
    std::unique_ptr<QObject> poster_;
    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<QTimer> closeTimer_;
};

} // namespace Platform::Tcp
