#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "LoopbackPeer.h"
#include "messages/MessagePump.h"
#include "tcp/TcpControl.h"

using Platform::WaitUntil;
using Platform::Tcp::TcpControl;
namespace TcpControlError = Platform::Tcp::TcpControlError;

namespace {

// The control's events in order, with what they carried.
struct Recorder {
    explicit Recorder(TcpControl& control) {
        links.push_back(
            control.ConnectedEvent.connect([this](int16_t, std::string) { events.push_back("Connected"); }));
        links.push_back(control.ReadyToSend.connect([this] { events.push_back("ReadyToSend"); }));
        links.push_back(control.DataIn.connect([this](std::string text, bool) { data += text; }));
        links.push_back(
            control.Disconnected.connect([this](int16_t, std::string) { events.push_back("Disconnected"); }));
        links.push_back(control.Error.connect(
            [this](int16_t code, std::string) { events.push_back(std::to_string(code)); }));
    }
    size_t count(const std::string& name) const {
        return static_cast<size_t>(std::count(events.begin(), events.end(), name));
    }

    std::vector<std::string> events;
    std::string data;
    std::vector<Automation::EventConnection> links;
};

Automation::Ref<TcpControl> connectedTo(const LoopbackPeer& peer, Recorder*& recorder) {
    auto control = Automation::New<TcpControl>();
    recorder = new Recorder(*control);
    control->setRemoteHost("127.0.0.1");
    control->setRemotePort(peer.port());
    control->setOutBufferSize(16384);
    control->setLinger(true);
    control->setConnected(true);
    EXPECT_TRUE(WaitUntil([&] { return recorder->count("ReadyToSend") == 1; }, 3000));
    return control;
}

std::string pattern(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
    return text;
}

// A caller streams: it sends a block, pumps right after it, and sends the next.
void stream(TcpControl& control, const std::string& text, size_t block) {
    for (size_t position = 0; position < text.size(); position += static_cast<size_t>(control.BytesSent())) {
        control.setDataToSend(text.substr(position, block));
        control.ProcessEvents();
    }
}

} // namespace

TEST(TcpControl, ConnectsReceivesAndHearsThePeerClose) {
    LoopbackPeer peer;
    Recorder* recorder = nullptr;
    auto control = connectedTo(peer, recorder);
    std::unique_ptr<Recorder> owned(recorder);
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"Connected", "ReadyToSend"}));
    EXPECT_TRUE(control->Connected());
    peer.send("hello\n");
    EXPECT_TRUE(WaitUntil([&] { return recorder->data == "hello\n"; }, 3000));
    peer.closeConnection();
    EXPECT_TRUE(WaitUntil([&] { return recorder->count("Disconnected") == 1; }, 3000));
    EXPECT_FALSE(control->Connected());
    EXPECT_EQ(errorNumberOf([&] { control->setDataToSend("x"); }), TcpControlError::NotConnected);
}

TEST(TcpControl, AFullSendWindowRefusesAndReadyToSendFollowsWithNothingLost) {
    LoopbackPeer peer(4096);
    Recorder* recorder = nullptr;
    auto control = connectedTo(peer, recorder);
    std::unique_ptr<Recorder> owned(recorder);
    peer.setReading(false);
    const std::string text = pattern(8 << 20);
    size_t position = 0;
    bool refused = false;
    while (!refused && position < text.size()) {
        try {
            control->setDataToSend(text.substr(position, 10240));
            position += static_cast<size_t>(control->BytesSent());
        } catch (const Automation::Error& error) {
            EXPECT_EQ(error.Number(), TcpControlError::WouldBlock);
            EXPECT_EQ(control->BytesSent(), 0);
            refused = true;
        }
        control->ProcessEvents();
    }
    ASSERT_TRUE(refused);
    size_t ready = recorder->count("ReadyToSend");
    peer.setReading(true);
    EXPECT_TRUE(WaitUntil([&] { return recorder->count("ReadyToSend") > ready; }, 5000));
    control->setDataToSend(text.substr(position, 10));
    position += static_cast<size_t>(control->BytesSent());
    EXPECT_TRUE(WaitUntil([&] { return peer.receivedSize() == position; }, 5000));
    EXPECT_TRUE(peer.received() == text.substr(0, position));
}

TEST(TcpControl, AStreamsBlocksReachThePeerInOrderOnceItWaitsOrCloses) {
    LoopbackPeer peer;
    Recorder* recorder = nullptr;
    auto control = connectedTo(peer, recorder);
    std::unique_ptr<Recorder> owned(recorder);
    const std::string text = pattern(40 * 2048 + 100);
    stream(*control, text.substr(0, 20 * 2048 + 100), 2048);
    // The thread waits for something else: what the stream left in the window goes first.
    EXPECT_TRUE(WaitUntil([&] { return peer.receivedSize() == 20 * 2048 + 100; }, 3000));
    // Blocks of other sizes, then a close right after the last pump.
    stream(*control, text.substr(20 * 2048 + 100, 9 * 2048), 3000);
    stream(*control, text.substr(29 * 2048 + 100), 16384);
    control->setConnected(false);
    EXPECT_TRUE(WaitUntil([&] { return recorder->count("Disconnected") == 1; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return peer.sawEndOfStream(); }, 3000));
    EXPECT_TRUE(peer.received() == text);
}

TEST(TcpControl, ACloseDeliversWhatIsQueuedAndEndsWithFin) {
    LoopbackPeer peer(4096);
    Recorder* recorder = nullptr;
    auto control = connectedTo(peer, recorder);
    std::unique_ptr<Recorder> owned(recorder);
    peer.send("unread reply");
    peer.setReading(false);
    Platform::SleepWithoutEvents(50); // the reply waits unread in the kernel
    const std::string text = pattern(12000);
    control->setDataToSend(text);
    ASSERT_EQ(control->BytesSent(), 12000);
    control->setConnected(false);
    EXPECT_TRUE(control->Connected()); // still delivering
    peer.setReading(true);
    EXPECT_TRUE(WaitUntil([&] { return recorder->count("Disconnected") == 1; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return peer.sawEndOfStream() || peer.sawReset(); }, 3000));
    EXPECT_TRUE(peer.sawEndOfStream());
    EXPECT_FALSE(peer.sawReset());
    EXPECT_TRUE(peer.received() == text);
}

TEST(TcpControl, RefusesDestinationsOutsideLoopbackAndBadPorts) {
    setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    auto control = Automation::New<TcpControl>();
    control->setRemoteHost("192.168.100.100");
    control->setRemotePort(9090);
    auto error = raisedError([&] { control->setConnected(true); });
    EXPECT_EQ(error.Number(), TcpControlError::NetworkUnreachable);
    EXPECT_NE(error.Description().find("192.168.100.100"), std::string::npos);
    EXPECT_FALSE(control->Connected());
    EXPECT_EQ(errorNumberOf([&] { control->setDataToSend("x"); }), TcpControlError::NotConnected);
    control->setRemotePort(65535);
    EXPECT_EQ(control->RemotePort(), 65535);
    EXPECT_EQ(errorNumberOf([&] { control->setRemotePort(65536); }), 380);
    EXPECT_EQ(errorNumberOf([&] { control->setRemotePort(0); }), 380);
}
