#include "tcp/TcpControl.h"

#include <QAbstractEventDispatcher>
#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <utility>

#include "automation/Error.h"
#include "messages/GuardedEntry.h"
#include "messages/MessagePump.h"
#include "seams/Seams.h"

namespace Platform::Tcp {

namespace {

constexpr const char* Source = "TcpControl";
constexpr int32_t PumpMs = 10;
constexpr int32_t MaxBufferSize = 1 << 24;
// How often a closing link looks whether the peer has acknowledged everything.
constexpr int CloseTickMs = 5;
// How often a pump between the blocks of a stream looks at the sockets and
// timers; what is posted runs at every pump.
constexpr int32_t StreamPollUs = 100;

[[noreturn]] void fail(int32_t number, const std::string& description) {
    Automation::raise(number, Source, description);
}

int16_t errorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return TcpControlError::ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return TcpControlError::ConnectionReset;
    case QAbstractSocket::HostNotFoundError:
        return TcpControlError::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return TcpControlError::TimedOut;
    case QAbstractSocket::NetworkError:
        return TcpControlError::NetworkUnreachable;
    default:
        return TcpControlError::Failure;
    }
}

} // namespace

TcpControl::TcpControl()
    : poster_(std::make_unique<QObject>()), socket_(std::make_unique<QTcpSocket>()),
      closeTimer_(std::make_unique<QTimer>()) {
    socket_->setReadBufferSize(inBufferSize_);
    closeTimer_->setInterval(CloseTickMs);
    QObject::connect(closeTimer_.get(), &QTimer::timeout, poster_.get(),
                     [this] { fromEventLoop("TcpControl (closing)", [this] { onCloseTick(); }); });
    // socket_ and poster_ are members: what they call on `this` cannot outlive the control.
    QObject::connect(socket_.get(), &QTcpSocket::connected, poster_.get(),
                     [this] { fromEventLoop("TcpControl (connected)", [this] { onConnected(); }); });
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, poster_.get(),
                     [this] { fromEventLoop("TcpControl (readable)", [this] { onReadyRead(); }); });
    QObject::connect(socket_.get(), &QTcpSocket::bytesWritten, poster_.get(),
                     [this] { fromEventLoop("TcpControl (written)", [this] { onBytesWritten(); }); });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, poster_.get(),
                     [this](QAbstractSocket::SocketError error) {
                         fromEventLoop("TcpControl (error)", [this, error] { onError(error); });
                     });
    QObject::connect(socket_.get(), &QTcpSocket::disconnected, poster_.get(),
                     [this] { fromEventLoop("TcpControl (disconnected)", [this] { onDisconnected(); }); });
    // Bytes held for a larger send never wait while the thread sleeps.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        canHold_ = static_cast<bool>(QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                                      poster_.get(), [this] { endStream(); }));
}

TcpControl::~TcpControl() {
    notices_.clear();
    closeTimer_->stop();
    if (state_ == State::Open || state_ == State::Closing)
        finishClose();
    socket_->disconnect();
    socket_->abort();
}

bool TcpControl::Connected() const {
    return state_ == State::Open || state_ == State::Closing;
}

void TcpControl::setRemotePort(int32_t value) {
    if (value < 1 || value > 65535)
        fail(380, "Invalid property value: RemotePort " + std::to_string(value) + " (1 to 65535)");
    remotePort_ = value;
}

void TcpControl::setLocalPort(int32_t value) {
    if (value < 0 || value > 65535)
        fail(380, "Invalid property value: LocalPort " + std::to_string(value) + " (0 to 65535)");
    localPort_ = value;
}

void TcpControl::setInBufferSize(int32_t value) {
    if (value < 1 || value > MaxBufferSize)
        fail(380, "Invalid property value: InBufferSize " + std::to_string(value));
    inBufferSize_ = value;
    socket_->setReadBufferSize(value);
}

void TcpControl::setOutBufferSize(int32_t value) {
    if (value < 1 || value > MaxBufferSize)
        fail(380, "Invalid property value: OutBufferSize " + std::to_string(value));
    outBufferSize_ = value;
}

void TcpControl::setConnected(bool value) {
    if (value) {
        if (state_ != State::Closed)
            return;
        if (remotePort_ == 0)
            fail(380, "Invalid property value: RemotePort is not set");
        // The guard judges the resolved address before a byte leaves.
        auto destination = Seams::guardedDestination(remoteHost_);
        if (!destination)
            fail(TcpControlError::NetworkUnreachable,
                 "Network unreachable: " + remoteHost_ + " may not be reached from here");
        socket_->abort();
        if (!localHost_.empty() || localPort_ != 0) {
            QHostAddress local = localHost_.empty() ? QHostAddress(QHostAddress::AnyIPv4)
                                                    : QHostAddress(QString::fromStdString(localHost_));
            if (!socket_->bind(local, static_cast<quint16>(localPort_)))
                fail(TcpControlError::Failure, "The local address " + localHost_ + ":" +
                                                   std::to_string(localPort_) + " cannot be used");
        }
        windowFull_ = false;
        bytesSent_ = 0;
        state_ = State::Connecting;
        socket_->connectToHost(QString::fromStdString(*destination), static_cast<quint16>(remotePort_));
        return;
    }
    switch (state_) {
    case State::Closed:
        return;
    case State::Connecting:
        state_ = State::Closed;
        socket_->abort();
        return;
    case State::Open:
        state_ = State::Closing;
        endStream();
        if (!linger_)
            finishClose();
        else if (socket_->bytesToWrite() == 0)
            halfClose();
        return;
    case State::Closing:
        if (!linger_)
            finishClose();
        return;
    }
}

// A close with Linger sends FIN after what is queued and lets go of the
// socket only once the peer has acknowledged every byte (or closed): a socket
// closed earlier would answer whatever the peer still sends with RST, and the
// RST would throw away what the peer had not yet received.
void TcpControl::halfClose() {
    auto fd = socket_->socketDescriptor();
    if (fd >= 0)
        ::shutdown(static_cast<int>(fd), SHUT_WR);
    closeTimer_->start();
}

void TcpControl::onCloseTick() {
    drainInput();
    auto fd = socket_->socketDescriptor();
    int unacknowledged = 0;
    if (fd < 0 || ::ioctl(static_cast<int>(fd), SIOCOUTQ, &unacknowledged) != 0 || unacknowledged == 0)
        finishClose();
}

// Takes in what the peer sent and has not been read, so that the close
// itself does not answer with RST, then closes.
void TcpControl::finishClose() {
    closeTimer_->stop();
    endStream();
    socket_->flush();
    auto fd = socket_->socketDescriptor();
    if (fd >= 0)
        ::shutdown(static_cast<int>(fd), SHUT_WR);
    drainInput();
    if (fd >= 0) {
        char buffer[16384];
        for (;;) {
            ssize_t n = ::recv(static_cast<int>(fd), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0)
                break;
            take(std::string(buffer, static_cast<size_t>(n)));
        }
    }
    state_ = State::Closed;
    socket_->abort();
    queue(Kind::Disconnected, 0, "Disconnected");
}

void TcpControl::setDataToSend(const std::string& value) {
    if (state_ != State::Open)
        fail(TcpControlError::NotConnected, "The connection is not open: nothing can be sent");
    // Held bytes make room for a send that would not fit beside them.
    if (!held_.empty() && held_.size() + value.size() > static_cast<size_t>(outBufferSize_))
        flushHeld();
    int64_t room = outBufferSize_ - socket_->bytesToWrite() - static_cast<int64_t>(held_.size());
    if (room <= 0 && !value.empty()) {
        bytesSent_ = 0;
        windowFull_ = true;
        fail(TcpControlError::WouldBlock, "The send window is full: try again after ReadyToSend");
    }
    auto taken =
        static_cast<int64_t>(std::min<size_t>(value.size(), static_cast<size_t>(std::max<int64_t>(room, 0))));
    if (taken > 0)
        write(std::string_view(value.data(), static_cast<size_t>(taken)));
    bytesSent_ = static_cast<int32_t>(taken);
    if (taken < static_cast<int64_t>(value.size()))
        windowFull_ = true;
    else
        moved_ = taken > 0;
}

// While the caller streams (it sends, pumps and sends again), its blocks are
// held until they fill the window and then go to the kernel as one: a send
// costs a system call and wakes the peer, whatever its size. Otherwise bytes
// go to the kernel at once.
void TcpControl::write(std::string_view bytes) {
    if (streaming_ && socket_->bytesToWrite() == 0) {
        held_.append(bytes);
        if (held_.size() >= static_cast<size_t>(outBufferSize_))
            flushHeld();
        return;
    }
    flushHeld();
    hand(bytes);
}

void TcpControl::flushHeld() {
    if (held_.empty())
        return;
    hand(held_);
    held_.clear();
}

void TcpControl::endStream() {
    streaming_ = false;
    flushHeld();
}

// Bytes go to the kernel at once while nothing waits before them; what it
// does not take waits in the socket's buffer, which the event loop empties.
// A send refused for another reason goes the same way, so that the socket
// reports the failure.
void TcpControl::hand(std::string_view bytes) {
    auto fd = socket_->socketDescriptor();
    if (fd >= 0 && socket_->bytesToWrite() == 0) {
        ssize_t n = ::send(static_cast<int>(fd), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0)
            bytes.remove_prefix(static_cast<size_t>(n));
    }
    if (!bytes.empty())
        socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void TcpControl::setBytesToSend(const Automation::ByteArray& value) {
    setDataToSend(std::string(value.begin(), value.end()));
}

void TcpControl::ProcessEvents() {
    drainInput();
    // A caller whose last send the window took whole is moving data, not
    // waiting: what is pending runs without blocking.
    if (std::exchange(moved_, false)) {
        streaming_ = canHold_;
        DoEventsWhileMoving(StreamPollUs);
    } else {
        endStream();
        WaitForEvents(PumpMs);
    }
}

void TcpControl::onConnected() {
    if (state_ != State::Connecting)
        return;
    state_ = State::Open;
    // Without it a short send (a command, the end of a stream) waits until the
    // peer acknowledges what went before, which a peer that delays its
    // acknowledgements can hold up for 40 ms.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    queue(Kind::Connected, 0, "Connected");
    queue(Kind::ReadyToSend);
}

void TcpControl::onReadyRead() {
    drainInput();
}

void TcpControl::drainInput() {
    const qint64 available = socket_->bytesAvailable();
    if (available <= 0)
        return;
    // Read straight into the text of a DataIn: a long download passes
    // through here in many pieces.
    std::string bytes(static_cast<size_t>(available), '\0');
    const qint64 read = socket_->read(bytes.data(), available);
    bytes.resize(static_cast<size_t>(std::max<qint64>(read, 0)));
    take(std::move(bytes));
}

void TcpControl::take(std::string bytes) {
    if (bytes.empty())
        return;
    // Consecutive arrivals make one DataIn.
    if (!notices_.empty() && notices_.back().kind == Kind::DataIn) {
        notices_.back().text.append(bytes);
        return;
    }
    queue(Kind::DataIn, 0, std::move(bytes));
}

void TcpControl::onBytesWritten() {
    if (state_ == State::Closing) {
        if (linger_ && socket_->bytesToWrite() == 0 && !closeTimer_->isActive())
            halfClose();
        return;
    }
    if (windowFull_ && state_ == State::Open &&
        socket_->bytesToWrite() + static_cast<int64_t>(held_.size()) <= outBufferSize_ / 2) {
        windowFull_ = false;
        queue(Kind::ReadyToSend);
    }
}

void TcpControl::onError(int socketError) {
    auto error = static_cast<QAbstractSocket::SocketError>(socketError);
    // The peer's close is told by Disconnected.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    queue(Kind::Error, errorNumber(error), socket_->errorString().toStdString());
    if (state_ == State::Connecting)
        state_ = State::Closed;
}

void TcpControl::onDisconnected() {
    if (state_ == State::Closed)
        return;
    closeTimer_->stop();
    drainInput();
    state_ = State::Closed;
    queue(Kind::Disconnected, 0, "Disconnected by the peer");
}

void TcpControl::queue(Kind kind, int16_t code, std::string text) {
    notices_.push_back(Notice{kind, code, std::move(text)});
    if (deliveryPosted_)
        return;
    deliveryPosted_ = true;
    // Posted to poster_, a member: the delivery dies with the control.
    QMetaObject::invokeMethod(
        poster_.get(),
        [this] {
            deliveryPosted_ = false;
            fromEventLoop("TcpControl (event delivery)", [this] { deliver(); });
        },
        Qt::QueuedConnection);
}

void TcpControl::deliver() {
    auto keep = weak_from_this().lock();
    while (!notices_.empty()) {
        Notice notice = std::move(notices_.front());
        notices_.pop_front();
        // A handler's failure ends with the handler: the control goes on.
        fromEventLoop("a TcpControl event handler", [&] {
            switch (notice.kind) {
            case Kind::Connected:
                ConnectedEvent.raise(notice.code, notice.text);
                break;
            case Kind::DataIn: {
                const bool lineEnd = !notice.text.empty() && notice.text.back() == '\n';
                DataIn.raise(std::move(notice.text), lineEnd);
                break;
            }
            case Kind::Disconnected:
                Disconnected.raise(notice.code, notice.text);
                break;
            case Kind::Error:
                Error.raise(notice.code, notice.text);
                break;
            case Kind::ReadyToSend:
                ReadyToSend.raise();
                break;
            }
        });
    }
}

} // namespace Platform::Tcp
