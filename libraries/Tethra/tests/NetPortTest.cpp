#include <QTimer>
#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "LoopbackPeer.h"
#include "Tethra/Connection.h"
#include "Tethra/Global.h"
#include "Tethra/NetPort.h"
#include "TethraTest.h"
#include "messages/MessagePump.h"

using Automation::Ref;
using Platform::WaitUntil;
using Tethra::Connection;
using Tethra::NetPort;
using TethraTest::EventLog;
using TethraTest::isLibraryError;

namespace {

std::string pattern(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('a' + (i * 13 + i / 997) % 26);
    return text;
}

Ref<Connection> connectionTo(uint16_t port) {
    return Tethra::Global::CreateNetConnectionObj("127.0.0.1", port);
}

// A progress whose Cancel turns True at its first notification once armed.
struct CancellingProgress {
    CancellingProgress() {
        progress->setNotificationInterval(20);
        link =
            progress->Notification.connect([this](Ref<Gaugely::Progress>, bool& cancel) { cancel = armed; });
        progress->setStart(true);
    }
    ~CancellingProgress() { progress->setStart(false); }
    Ref<Gaugely::Progress> progress = Automation::New<Gaugely::Progress>();
    bool armed = false;
    Automation::EventConnection link;
};

} // namespace

TEST(NetPort, OpensCountedSendsWithProgressReceivesByEventAndCloses) {
    LoopbackPeer peer;
    auto connection = connectionTo(peer.port());
    EventLog log(*connection);
    connection->setPortOpen(true);
    connection->setPortOpen(true);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"FirstOpen", "Opened"}));
    connection->setPortOpen(false);
    EXPECT_TRUE(connection->PortOpen());

    const std::string text = pattern(10241 * 3);
    auto progress = Automation::New<Gaugely::Progress>();
    connection->Send(text, progress);
    EXPECT_EQ(progress->SubTopValue(), static_cast<int32_t>(text.size()));
    EXPECT_EQ(progress->SubValue(), static_cast<int32_t>(text.size()));
    connection->Send("");
    EXPECT_TRUE(WaitUntil([&] { return peer.receivedSize() == text.size(); }, 3000));
    EXPECT_TRUE(peer.received() == text);

    peer.send("reply\r\n");
    connection->Wait(0, true);
    EXPECT_TRUE(WaitUntil([&] { return !log.events.empty(); }, 3000));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Receive"}));
    EXPECT_EQ(connection->Receive(), "reply\r\n");
    EXPECT_TRUE(connection->ReceiveB().empty());

    connection->setPortOpen(false);
    EXPECT_FALSE(connection->PortOpen());
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Closed"}));
    connection->setPortOpen(false);
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(WaitUntil([&] { return peer.sawEndOfStream(); }, 3000));
}

TEST(NetPort, TextGoesOutInSlicesOf10240WithAPumpBetweenThem) {
    LoopbackPeer peer;
    auto connection = connectionTo(peer.port());
    connection->setPortOpen(true);
    auto progress = Automation::New<Gaugely::Progress>();
    // Runs at every pass of the event loop: what the progress shows while the send pumps.
    std::vector<int32_t> seen;
    QTimer pass;
    QObject::connect(&pass, &QTimer::timeout, [&] { seen.push_back(progress->SubValue()); });
    pass.start(0);
    for (size_t size : {size_t(0), size_t(10240)}) {
        connection->Send(pattern(size), progress);
        EXPECT_TRUE(seen.empty()) << size;
    }
    EXPECT_TRUE(WaitUntil([&] { return peer.receivedSize() == 10240; }, 3000));
    seen.clear();
    connection->Send(pattern(10241), progress);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 10240);
    EXPECT_EQ(progress->SubValue(), 10241);
    pass.stop();
    EXPECT_TRUE(WaitUntil([&] { return peer.receivedSize() == 20481; }, 3000));
}

TEST(NetPort, APeerThatStopsReadingHoldsTheSendWhichResumesWithoutLossOrDoubling) {
    LoopbackPeer peer(4096);
    auto connection = connectionTo(peer.port());
    connection->setPortOpen(true);
    peer.setReading(false);
    QTimer::singleShot(400, [&] { peer.setReading(true); });
    const std::string text = pattern(6 << 20);
    auto started = std::chrono::steady_clock::now();
    connection->Send(text);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(350));
    connection->setPortOpen(false);
    EXPECT_TRUE(WaitUntil([&] { return peer.sawEndOfStream(); }, 5000));
    EXPECT_EQ(peer.receivedSize(), text.size());
    EXPECT_TRUE(peer.received() == text);
    EXPECT_FALSE(peer.sawReset());
}

TEST(NetPort, CancelAndAbortEndTheSendWith113AndAStaleAbortDoesNot) {
    LoopbackPeer peer(4096);
    auto connection = connectionTo(peer.port());
    connection->setPortOpen(true);
    auto port = connection->PortObject().as<NetPort>();
    peer.setReading(false);
    const std::string text = pattern(4 << 20);

    CancellingProgress cancelling;
    cancelling.armed = true;
    EXPECT_TRUE(isLibraryError(raisedError([&] { connection->Send(text, cancelling.progress); }), 113,
                               "Connection:Send Method"));
    EXPECT_FALSE(port->Abort());

    QTimer::singleShot(50, [&] { port->setAbort(true); });
    EXPECT_TRUE(isLibraryError(raisedError([&] { port->Send(text); }), 113, "NetPort:Send Method"));
    EXPECT_FALSE(port->Abort());

    peer.setReading(true);
    port->setAbort(true);
    connection->Send("after the abort");
    connection->setPortOpen(false);
    EXPECT_TRUE(WaitUntil([&] { return peer.sawEndOfStream(); }, 5000));
    EXPECT_TRUE(peer.received().ends_with("after the abort"));
}

TEST(NetPort, APeerThatClosesTakesTheLinkDownAndANewOpenStartsAgain) {
    LoopbackPeer peer;
    auto connection = connectionTo(peer.port());
    connection->setPortOpen(true);
    peer.closeConnection();
    EXPECT_TRUE(WaitUntil(
        [&] {
            connection->ProcessEvents();
            return !connection->PortOpen();
        },
        3000));
    EXPECT_EQ(raisedError([&] { connection->Send("x"); }).Number(), 102);
    EventLog log(*connection);
    connection->setPortOpen(true);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Opened"}));
    EXPECT_EQ(peer.accepted(), 2);
}

TEST(NetPort, ASendOnALinkThatDropsEndsWithAnError) {
    LoopbackPeer peer(4096);
    auto connection = connectionTo(peer.port());
    connection->setPortOpen(true);
    peer.setReading(false);
    QTimer::singleShot(200, [&] { peer.closeConnection(); });
    // A send that went on trying after the drop (the window's wait, or the
    // retry of a link still closing) would be ended only by this abort.
    bool stillSending = false;
    QTimer::singleShot(20000, [&] {
        stillSending = true;
        connection->PortObject().as<NetPort>()->setAbort(true);
    });
    auto error = raisedError([&] { connection->Send(pattern(8 << 20)); });
    EXPECT_FALSE(stillSending);
    EXPECT_EQ(error.Source(), "Connection:Send Method");
    EXPECT_NE(error.Number(), 0);
    EXPECT_NE(error.Number(), 113);
}

TEST(NetPort, OpeningWhereNobodyListensFailsWith107AndChangesNothing) {
    auto connection = connectionTo(unusedLoopbackPort());
    EventLog log(*connection);
    auto error = raisedError([&] { connection->setPortOpen(true); });
    EXPECT_TRUE(isLibraryError(error, 107, "Connection:PortOpen Property Let"));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"FirstOpen"}));
    EXPECT_FALSE(connection->PortOpen());
}

TEST(NetPort, TheDefaultHostIsRefusedUnderTheLoopbackGuardBeforeAnythingIsSent) {
    setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    auto connection = Automation::New<Connection>();
    connection->setPortType(2);
    auto started = std::chrono::steady_clock::now();
    auto error = raisedError([&] { connection->setPortOpen(true); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(error.Source(), "Connection:PortOpen Property Let");
    EXPECT_NE(error.Description().find("may not be reached"), std::string::npos);
    EXPECT_FALSE(connection->PortOpen());
}

TEST(NetPort, RemotePortTakesEveryTcpPortAndRefusesOthers) {
    auto connection = Tethra::Global::CreateNetConnectionObj("192.0.2.10", 9090);
    auto port = connection->PortObject().as<NetPort>();
    EventLog log(*connection);
    port->setRemotePort("9090");
    port->setRemoteHost("192.0.2.10");
    EXPECT_TRUE(log.take().empty());
    port->setRemotePort("65535");
    EXPECT_EQ(port->RemotePort(), "65535");
    EXPECT_EQ(connection->ConnectString(), "LAN:192.0.2.10:65535");
    EXPECT_EQ(log.take(), (std::vector<std::string>{"After"}));
    for (const char* bad : {"70000", "0", "65536"}) {
        auto error = raisedError([&] { port->setRemotePort(bad); });
        EXPECT_EQ(error.Number(), 6) << bad;
        EXPECT_EQ(error.Source(), "NetPort:RemotePort Property Let");
    }
    EXPECT_EQ(errorNumberOf([&] { port->setRemotePort("printer"); }), 13);
    EXPECT_EQ(port->RemotePort(), "65535");
    EXPECT_TRUE(log.take().empty());
}

TEST(NetPort, SettingsRefusedWhileOpenAndPortDocumentsOfOtherKindsIgnored) {
    LoopbackPeer peer;
    auto connection = connectionTo(peer.port());
    auto port = connection->PortObject().as<NetPort>();
    port->setObjectData("<Port>\n<Type>\n\"SerPort\"\n</Type>\n<Settings>\n<CommPort>\n3\n</CommPort>\n"
                        "</Settings>\n</Port>\n");
    auto error = raisedError([&] {
        port->setObjectData("<Port>\n<Type>\n\"NetPort\"\n</Type>\n<Settings>\n<RemoteHost>\n\"127.0.0.2\"\n"
                            "</RemoteHost>\n<Speed>\n1\n</Speed>\n</Settings>\n</Port>\n");
    });
    EXPECT_EQ(error.Number(), 5);
    EXPECT_EQ(error.Source(), "NetPort:ObjectData Property Let");
    EXPECT_EQ(port->RemoteHost(), "127.0.0.2");
    port->setRemoteHost("127.0.0.1");
    connection->setPortOpen(true);
    EXPECT_TRUE(isLibraryError(raisedError([&] { port->setRemoteHost("127.0.0.3"); }), 112,
                               "NetPort:RemoteHost Property Let"));
    EXPECT_TRUE(isLibraryError(raisedError([&] { port->setRemotePort("1"); }), 112,
                               "NetPort:RemotePort Property Let"));
}
