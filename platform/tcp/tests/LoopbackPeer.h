#pragma once
// A TCP peer on 127.0.0.1 in a thread of its own, for the tests of the TCP
// control and of the network port: it accepts connections one after the
// other, reads (or stops reading), sends, closes, and tells how its side of
// the link ended.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// A port on 127.0.0.1 that nobody listens on (it was free a moment ago).
uint16_t unusedLoopbackPort();

class LoopbackPeer {
public:
    // A small receive buffer makes a sender's window fill soon once the peer stops reading.
    explicit LoopbackPeer(int receiveBuffer = 0);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    uint16_t port() const { return port_; }
    void setReading(bool reading) { reading_ = reading; }
    // Sent on the current connection.
    void send(const std::string& bytes);
    // Closes the peer's side of the current connection.
    void closeConnection() { closeRequested_ = true; }

    std::string received() const;
    size_t receivedSize() const;
    int accepted() const { return accepted_; }
    // The current connection ended with the sender's FIN, or with a reset.
    bool sawEndOfStream() const { return endOfStream_; }
    bool sawReset() const { return reset_; }

private:
    void run();

    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reading_{true};
    std::atomic<bool> closeRequested_{false};
    std::atomic<int> accepted_{0};
    std::atomic<bool> endOfStream_{false};
    std::atomic<bool> reset_{false};
    mutable std::mutex mutex_;
    std::string received_;
    std::string toSend_;
    std::thread thread_;
};
