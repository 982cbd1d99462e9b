// The UDP port on loopback: delivery in order, no re-entry and no busy
// wake-ups while a handler pumps, one ReadyToSend, oversize and empty
// datagrams, closing, and the errno table.
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <dlfcn.h>
#include <sys/socket.h>
#include <vector>

#include "LoopbackSocket.h"
#include "automation/Error.h"
#include "messages/MessagePump.h"
#include "sockets/SocketErrors.h"
#include "sockets/UdpPort.h"

// The kernel never makes a loopback UDP send wait, so the tests make
// sendto report a full queue when they ask for it.
namespace {
int sendsThatWouldBlock = 0;
}

extern "C" ssize_t sendto(int fd, const void* data, size_t size, int flags, const sockaddr* to,
                          socklen_t length) {
    using Real = ssize_t (*)(int, const void*, size_t, int, const sockaddr*, socklen_t);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "sendto"));
    if (sendsThatWouldBlock > 0) {
        --sendsThatWouldBlock;
        errno = EAGAIN;
        return -1;
    }
    return real(fd, data, size, flags, to, length);
}

namespace Platform::Sockets {
namespace {

int64_t cpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

int64_t wallMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

struct Recorder : UdpPort::Client {
    std::vector<std::string> datagrams;
    std::vector<int32_t> failures;
    int readyToSendCount = 0;
    std::function<void()> onDatagram;

    bool datagramArrived(std::string_view datagram, const std::string& address, int32_t port) override {
        datagrams.emplace_back(datagram);
        lastSource = address + ":" + std::to_string(port);
        if (onDatagram)
            onDatagram();
        return true;
    }
    void receiveFailed(int32_t code, const std::string& text) override {
        failures.push_back(code);
        EXPECT_EQ(text, "Winsock error in recv()");
    }
    void readyToSend() override { ++readyToSendCount; }
    std::string lastSource;
};

class UdpPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(port_.activate(), 0); }
    Recorder client_;
    UdpPort port_{client_};
    Testing::LoopbackSocket sender_;
};

TEST_F(UdpPortTest, DeliversWhatWaitsInOrderAtOneNotice) {
    // Twenty replies of 100 bytes fit the default buffer of 2048, as they did on Windows.
    for (int i = 1; i <= 20; ++i)
        sender_.send(std::string(100, static_cast<char>('a' + i)), port_.localPort());
    DoEvents();
    ASSERT_EQ(client_.datagrams.size(), 20u);
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(client_.datagrams[i - 1], std::string(100, static_cast<char>('a' + i)));
    EXPECT_EQ(client_.lastSource, "127.0.0.1:" + std::to_string(sender_.port()));
}

TEST_F(UdpPortTest, HandlerThatPumpsIsNotWokenForTheWaitingDatagrams) {
    int depth = 0, deepest = 0;
    int64_t cpuUsed = 0;
    client_.onDatagram = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (client_.datagrams.size() == 1) {
            const int64_t cpu = cpuMicroseconds();
            WaitUntil([] { return false; }, 300);
            cpuUsed = cpuMicroseconds() - cpu;
        }
        --depth;
    };
    sender_.send("first", port_.localPort());
    sender_.send("second", port_.localPort());
    WaitUntil([&] { return client_.datagrams.size() == 2; }, 2000);
    EXPECT_EQ(client_.datagrams.size(), 2u);
    EXPECT_EQ(deepest, 1);
    // A notice that kept firing while the second datagram waited would burn the core.
    EXPECT_LT(cpuUsed, 100000);
}

TEST_F(UdpPortTest, ReadyToSendOnceAfterActivationAndAfterAWouldBlock) {
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(client_.readyToSendCount, 1);
    ASSERT_EQ(port_.setRemoteHost("127.0.0.1"), 0);
    port_.setRemotePort(port_.localPort());
    sendsThatWouldBlock = 1;
    EXPECT_EQ(port_.send("x"), WinsockError::WouldBlock);
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(client_.readyToSendCount, 2);
    EXPECT_EQ(port_.activate(), PortError::AlreadyActive);
    EXPECT_EQ(port_.setLocalPort(1), PortError::LocalPortWhileActive);
}

TEST_F(UdpPortTest, OversizeAndEmptyDatagrams) {
    sender_.send(std::string(UdpPort::ReceiveBufferSize + 1, 'x'), port_.localPort());
    WaitUntil([&] { return !client_.failures.empty(); }, 2000);
    EXPECT_EQ(client_.failures, std::vector<int32_t>{WinsockError::MessageTooLong});
    EXPECT_TRUE(client_.datagrams.empty());

    sender_.send(std::string(UdpPort::ReceiveBufferSize, 'x'), port_.localPort());
    sender_.send("", port_.localPort());
    sender_.send("after", port_.localPort());
    WaitUntil([&] { return client_.datagrams.size() == 3; }, 2000);
    ASSERT_EQ(client_.datagrams.size(), 3u);
    EXPECT_EQ(client_.datagrams[0].size(), UdpPort::ReceiveBufferSize);
    EXPECT_EQ(client_.datagrams[1], "");
    EXPECT_TRUE(port_.active());
}

TEST_F(UdpPortTest, ClosingDeliversWhatWaitsFirst) {
    sender_.send("one", port_.localPort());
    sender_.send("two", port_.localPort());
    // Let the datagrams reach the socket without pumping.
    SleepWithoutEvents(20);
    EXPECT_EQ(port_.deactivate(), 0);
    EXPECT_EQ(client_.datagrams, (std::vector<std::string>{"one", "two"}));
    EXPECT_FALSE(port_.active());
    EXPECT_EQ(port_.deactivate(), 0);
    EXPECT_EQ(port_.send("x"), PortError::NotActive);
}

TEST_F(UdpPortTest, ClosingFromAHandlerWaitsForTheLoopToEnd) {
    client_.onDatagram = [&] {
        if (client_.datagrams.size() == 1) {
            EXPECT_EQ(port_.deactivate(), 0);
        }
        EXPECT_TRUE(port_.active());
    };
    sender_.send("one", port_.localPort());
    sender_.send("two", port_.localPort());
    SleepWithoutEvents(20);
    DoEvents();
    EXPECT_EQ(client_.datagrams.size(), 2u);
    EXPECT_FALSE(port_.active());
}

TEST_F(UdpPortTest, DestinationsItRefuses) {
    EXPECT_EQ(port_.setRemoteHost(""), 0);
    port_.setRemotePort(port_.localPort());
    EXPECT_EQ(port_.send("x"), WinsockError::AddressNotAvailable);
    EXPECT_EQ(port_.setRemoteHost("127.1"), 0);
    for (int32_t wrong : {0, 65536 + 161, -1}) {
        port_.setRemotePort(wrong);
        EXPECT_EQ(port_.send("x"), WinsockError::AddressNotAvailable) << wrong;
    }
    port_.setRemotePort(port_.localPort());
    EXPECT_EQ(port_.remoteAddress(), 0x7F000001u);
    EXPECT_EQ(port_.send(""), 0);
    EXPECT_EQ(port_.send("to myself"), 0);
    WaitUntil([&] { return !client_.datagrams.empty(); }, 2000);
    EXPECT_EQ(client_.datagrams, std::vector<std::string>{"to myself"});
}

TEST_F(UdpPortTest, AnErrorInAHandlerEndsOnlyThatNotice) {
    client_.onDatagram = [&] {
        if (client_.datagrams.size() == 1)
            Automation::raise(5, "handler");
    };
    sender_.send("one", port_.localPort());
    sender_.send("two", port_.localPort());
    SleepWithoutEvents(20);
    DoEvents();
    EXPECT_EQ(client_.datagrams.size(), 1u);
    WaitUntil([&] { return client_.datagrams.size() == 2; }, 2000);
    EXPECT_EQ(client_.datagrams.size(), 2u);
}

TEST(UdpPortIdle, SharedLocalPort) {
    Recorder first, second;
    UdpPort a(first), b(second);
    a.setShareLocalPort(true);
    ASSERT_EQ(a.activate(), 0);
    ASSERT_EQ(b.setLocalPort(a.localPort()), 0);
    EXPECT_EQ(b.activate(), 10048);
    b.setShareLocalPort(true);
    EXPECT_EQ(b.activate(), 0);
    EXPECT_EQ(b.localPort(), a.localPort());
    ASSERT_EQ(b.deactivate(), 0);
    EXPECT_EQ(b.setLocalPort(70000), 0);
    EXPECT_EQ(b.activate(), WinsockError::AddressNotAvailable);
}

TEST(UdpPortIdle, DoEventsWaitsTenMillisecondsWithoutSpinning) {
    const int64_t wall = wallMicroseconds(), cpu = cpuMicroseconds();
    for (int i = 0; i < 10; ++i)
        UdpPort::DoEvents();
    const int64_t wallUsed = wallMicroseconds() - wall, cpuUsed = cpuMicroseconds() - cpu;
    EXPECT_GE(wallUsed, 90000);
    EXPECT_LT(wallUsed, 400000);
    EXPECT_LT(cpuUsed, 20000);
}

TEST(UdpPortIdle, UnloadedLibraryRefusesEveryOperation) {
    Recorder client;
    UdpPort port(client);
    port.unload();
    EXPECT_EQ(port.activate(), WinsockError::NotInitialised);
    EXPECT_EQ(port.send("x"), WinsockError::NotInitialised);
    EXPECT_TRUE(port.load());
    EXPECT_EQ(port.activate(), 0);
}

TEST(SocketErrors, TableAndTexts) {
    const struct {
        int error;
        int32_t code;
    } codes[] = {{EAGAIN, 10035}, {ENETUNREACH, 10051}, {EADDRINUSE, 10048}, {EMSGSIZE, 10040},
                 {ENOMEM, 10055}, {EPERM, 10013},       {EIO, 10005}};
    for (const auto& c : codes)
        EXPECT_EQ(winsockCodeFromErrno(c.error), c.code) << c.error;
    EXPECT_EQ(winsockErrorText(10051), "[10051] Network is unreachable");
    EXPECT_EQ(winsockErrorText(10066), "[10066] Directory not empt");
    EXPECT_EQ(winsockErrorText(10095), "[10095] (no description available)");
}

} // namespace
} // namespace Platform::Sockets
