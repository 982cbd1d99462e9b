// The SNMP control between two instances on loopback: what a request and a
// response carry, the rules of RequestId, the default port, the binding
// slots after good and bad datagrams, the control's errors, and the guard
// that keeps it on loopback.
#include <gtest/gtest.h>

#include <cstdlib>
#include <net/if.h>

#include "ErrorNumber.h"
#include "EveryType.h"
#include "LoopbackSocket.h"
#include "Trapline/BerWriter.h"
#include "Trapline/SNMP.h"
#include "messages/MessagePump.h"

namespace Trapline {
namespace {

using Platform::Automation::ByteArray;
using Platform::Automation::EventConnection;
using Platform::Automation::New;
using Platform::Automation::Ref;
using Platform::Automation::Variant;

struct Received {
    std::string kind;
    int32_t requestId = 0;
    std::string community;
    std::string source;
    int32_t sourcePort = 0;
    int16_t errorCode = 0;
    std::string description;
};

// A control that records every event it raises.
class Watched {
public:
    Watched() : control(New<SNMP>()) {
        auto request = [this](const char* kind) {
            return [this, kind](int32_t id, std::string community, std::string source, int32_t port) {
                events.push_back({kind, id, community, source, port, 0, ""});
            };
        };
        connections.push_back(control->GetRequest.connect(request("GetRequest")));
        connections.push_back(control->GetNextRequest.connect(request("GetNextRequest")));
        connections.push_back(control->SetRequest.connect(request("SetRequest")));
        connections.push_back(control->GetResponse.connect(
            [this](int32_t id, std::string community, int16_t, int16_t, std::string source, int32_t port) {
                events.push_back({"GetResponse", id, community, source, port, 0, ""});
            }));
        connections.push_back(
            control->Trap.connect([this](std::string community, std::string, std::string, int16_t, int32_t,
                                         int64_t, std::string source, int32_t port) {
                events.push_back({"Trap", 0, community, source, port, 0, ""});
            }));
        connections.push_back(control->Error.connect([this](int16_t code, std::string description) {
            events.push_back({"Error", 0, "", "", 0, code, description});
        }));
    }

    bool waitForEvents(std::size_t count) {
        return Platform::WaitUntil([&] { return events.size() >= count; }, 3000);
    }

    Ref<SNMP> control;
    std::vector<Received> events;
    std::vector<EventConnection> connections;
};

void sendRaw(const std::string& datagram, int32_t port) {
    Platform::Sockets::Testing::LoopbackSocket().send(datagram, port);
}

class SNMPPair : public ::testing::Test {
protected:
    void SetUp() override {
        agent_.control->setActive(true);
        manager_.control->setRemoteHost("127.0.0.1");
        manager_.control->setRemotePort(agent_.control->LocalPort());
    }

    void fillBindings(SNMP& control, std::initializer_list<std::pair<const char*, const char*>> bindings) {
        control.setObjCount(static_cast<int16_t>(bindings.size()));
        int16_t i = 1;
        for (const auto& [id, value] : bindings) {
            control.setObjId(i, id);
            control.setObjValue(i++, value);
        }
    }

    Watched agent_;
    Watched manager_;
};

TEST_F(SNMPPair, RequestAndResponse) {
    SNMP& manager = *manager_.control;
    manager.setCommunity("public");
    manager.setRequestId(41);
    fillBindings(manager, {{"1.3.6.1.2.1.1.5.0", "ignored"}, {"1.3.6.1.4.1.1963.20.10.5.6.0", ""}});
    manager.setObjType(1, ot_OctetString);
    manager.setAction(a_SendGetRequest);
    EXPECT_EQ(manager.RequestId(), 42);
    EXPECT_EQ(manager.ObjType(1), ot_Null);
    ASSERT_TRUE(agent_.waitForEvents(1));

    const Received& request = agent_.events[0];
    EXPECT_EQ(request.kind, "GetRequest");
    EXPECT_EQ(request.requestId, 41);
    EXPECT_EQ(request.community, "public");
    EXPECT_EQ(request.source, "127.0.0.1");
    EXPECT_EQ(request.sourcePort, manager.LocalPort());
    SNMP& agent = *agent_.control;
    EXPECT_EQ(agent.ObjCount(), 2);
    EXPECT_EQ(agent.ObjId(2), "1.3.6.1.4.1.1963.20.10.5.6.0");
    EXPECT_EQ(agent.Community(), SNMP::DefaultCommunity);

    // The agent answers with every type it can send.
    Testing::setEveryType(agent);
    agent.setRequestId(request.requestId);
    agent.setRemoteHost(request.source);
    agent.setRemotePort(request.sourcePort);
    agent.setAction(a_SendGetResponse);
    EXPECT_EQ(agent.RemotePort(), request.sourcePort);
    ASSERT_TRUE(manager_.waitForEvents(1));
    EXPECT_EQ(manager_.events[0].kind, "GetResponse");
    EXPECT_EQ(manager_.events[0].requestId, 41);
    EXPECT_EQ(manager_.events[0].sourcePort, agent.LocalPort());
    ASSERT_EQ(manager.ObjCount(), agent.ObjCount());
    for (int16_t i = 1; i <= manager.ObjCount(); ++i) {
        EXPECT_EQ(manager.ObjType(i), Testing::everyType[std::size_t(i - 1)].first);
        EXPECT_EQ(manager.ObjValue(i), Testing::everyType[std::size_t(i - 1)].second);
    }
    EXPECT_EQ(manager.Community(), "public");
    EXPECT_EQ(manager.RequestId(), 42);
    EXPECT_EQ(manager.ObjValueB(3), Variant());
    const std::string text = Testing::everyType[1].second;
    EXPECT_EQ(manager.ObjValueB(2), Variant(ByteArray(text.begin(), text.end())));
}

TEST_F(SNMPPair, RequestIdAndDefaultPort) {
    SNMP& manager = *manager_.control;
    manager.setRequestId(-1);
    manager.setAction(a_SendGetNextRequest);
    EXPECT_EQ(manager.RequestId(), 0);
    manager.setAction(a_SendSetRequest);
    manager.setAction(a_SendTrap);
    manager.setAction(a_Reset);
    EXPECT_EQ(manager.RequestId(), 1);
    // A request that cannot be built still uses up its id.
    manager.setObjCount(1);
    manager.setObjId(1, "7.1");
    EXPECT_EQ(errorNumberOf([&] { manager.setAction(a_SendGetRequest); }), 20446);
    EXPECT_EQ(manager.RequestId(), 2);
    manager.setObjCount(0);

    // RemotePort 0 is 161 for this send only; 161 goes to KESTRUP_SNMP_PORT.
    ::setenv("KESTRUP_SNMP_PORT", std::to_string(agent_.control->LocalPort()).c_str(), 1);
    manager.setRemotePort(0);
    manager.setAction(a_SendGetRequest);
    ::unsetenv("KESTRUP_SNMP_PORT");
    EXPECT_EQ(manager.RemotePort(), 0);
    ASSERT_TRUE(agent_.waitForEvents(4));
    EXPECT_EQ(agent_.events[0].kind, "GetNextRequest");
    EXPECT_EQ(agent_.events[1].kind, "SetRequest");
    EXPECT_EQ(agent_.events[2].kind, "Trap");
    EXPECT_EQ(agent_.events[3].requestId, 2);
}

// A trap without a port goes to 162; only where this test may take that port
// (the test runner's namespace), since a system trap listener may hold it.
TEST_F(SNMPPair, TrapWithoutAPortGoesTo162) {
    Platform::Sockets::Testing::LoopbackSocket listener("127.0.0.1", 162);
    if (!listener.bound())
        GTEST_SKIP() << "port 162 cannot be taken here";
    manager_.control->setRemotePort(0);
    manager_.control->setAction(a_SendTrap);
    EXPECT_EQ(manager_.control->RemotePort(), 0);
    EXPECT_EQ(SnmpMessage::decode(listener.receive()).message.pduTag, Pdu_Trap);
}

TEST_F(SNMPPair, BadDatagramsRaiseErrorAndKeepTheSlotsRead) {
    SNMP& agent = *agent_.control;
    agent.setObjCount(3);
    agent.setObjValue(3, "kept");
    const int32_t port = agent.LocalPort();
    auto response = [](std::string list) {
        std::string pdu =
            BerWriter::element(0xA2, std::string("\x02\x01\x07\x02\x01\x00\x02\x01\x00", 9) + list);
        return BerWriter::sequence(std::string("\x02\x01\x00\x04\x01\x63", 6) + pdu);
    };
    const std::string good = BerWriter::sequence(std::string("\x06\x01\x2B\x02\x01\x05", 6));
    sendRaw(response(BerWriter::sequence(
                good + BerWriter::sequence(std::string("\x06\x01\x2B\x02\x05\x01\x02\x03\x04\x05", 10)))),
            port);
    ASSERT_TRUE(agent_.waitForEvents(1));
    EXPECT_EQ(agent_.events[0].kind, "Error");
    EXPECT_EQ(agent_.events[0].errorCode, 446);
    EXPECT_EQ(agent_.events[0].description, "SNMP: Error receiving packet.");
    EXPECT_EQ(agent.ObjCount(), 1);
    EXPECT_EQ(agent.ObjValue(1), "5");

    agent.setObjCount(3);
    sendRaw(std::string("\x30\x03\x02\x01\x01", 5), port);
    sendRaw(response(""), port);
    sendRaw("", port);
    sendRaw(std::string(2049, '\x30'), port);
    ASSERT_TRUE(agent_.waitForEvents(5));
    std::vector<int16_t> codes;
    for (std::size_t i = 1; i < agent_.events.size(); ++i)
        codes.push_back(agent_.events[i].errorCode);
    EXPECT_EQ(codes, (std::vector<int16_t>{305, 447, 447, 10040}));
    EXPECT_EQ(agent_.events[4].description, "Winsock error in recv()");
    EXPECT_EQ(agent.ObjCount(), 3);
    EXPECT_EQ(agent.ObjValue(3), "kept");
    EXPECT_TRUE(agent.Active());
}

TEST_F(SNMPPair, ReleasedByAHandlerOrDestroyedWithDatagramsWaiting) {
    SnmpMessage get;
    get.bindings.push_back({"1.3", ot_Null, ""});
    const std::string request = get.encode();
    // The handler lets go of the only reference while two more datagrams wait.
    int delivered = 0;
    auto connection = agent_.control->GetRequest.connect([&](int32_t, std::string, std::string, int32_t) {
        ++delivered;
        agent_.connections.clear();
        agent_.control.reset();
    });
    const int32_t port = agent_.control->LocalPort();
    for (int i = 0; i < 3; ++i)
        sendRaw(request, port);
    Platform::WaitUntil([&] { return delivered > 0; }, 3000);
    Platform::WaitForEvents(20);
    EXPECT_EQ(delivered, 1);

    // Destruction closes the socket without delivering what waits.
    int late = 0;
    auto other = New<SNMP>();
    other->setActive(true);
    auto counting = other->GetRequest.connect([&](int32_t, std::string, std::string, int32_t) { ++late; });
    sendRaw(request, other->LocalPort());
    Platform::SleepWithoutEvents(20);
    other.reset();
    Platform::WaitForEvents(20);
    EXPECT_EQ(late, 0);
}

TEST(SNMPControl, Errors) {
    auto control = New<SNMP>();
    SNMP& c = *control;
    c.setObjCount(64);
    EXPECT_EQ(errorNumberOf([&] { c.setObjCount(65); }), 20303);
    EXPECT_EQ(c.ObjCount(), 64);
    EXPECT_TRUE(isError(raisedError([&] { c.ObjId(0); }), 381, "SNMP", "Invalid array index."));
    EXPECT_TRUE(isError(raisedError([&] { c.setObjId(0, "1.3"); }), 20302, "SNMP",
                        "Invalid object index: must be in [1..ObjCount]."));
    EXPECT_TRUE(isError(raisedError([&] { c.setAction(6); }), 380, "SNMP", "Value is out of range."));
    EXPECT_EQ(c.SocketHandle(), -1);
    EXPECT_EQ(errorNumberOf([&] { c.setObjType(1, 256); }), 380);
    EXPECT_TRUE(isError(raisedError([&] { c.setObjValueB(1, Variant("text")); }), 380, "SNMP",
                        "Property accepts only one-dimensional byte arrays."));
    c.setObjValueB(1, Variant(ByteArray{0, 1, 2}));
    EXPECT_EQ(c.ObjValue(1), std::string("\0\1\2", 3));
    EXPECT_EQ(errorNumberOf([&] { c.setTrapGenericType(7); }), 380);
    EXPECT_TRUE(isError(raisedError([&] { c.setTrapAgentAddress("agent"); }), 20304, "SNMP",
                        "Value must be an IP address."));
    c.setTrapAgentAddress("127.2");
    EXPECT_EQ(c.TrapAgentAddress(), "127.0.0.2");
    for (auto readOnly : std::initializer_list<std::function<void()>>{
             [&] { c.setLocalHost("x"); }, [&] { c.setSocketHandle(1); }, [&] { c.setWinsockInfo("x"); },
             [&] { c.setWinsockStatus("x"); }, [&] { c.setWinsockMaxDatagramSize(1); },
             [&] { c.setWinsockMaxSockets(1); }})
        EXPECT_TRUE(isError(raisedError(readOnly), 383, "SNMP", "Property is read-only."));

    c.setActive(true);
    EXPECT_NE(c.SocketHandle(), -1);
    EXPECT_TRUE(
        isError(raisedError([&] { c.setActive(true); }), 20105, "SNMP", "UDPPort is already Active."));
    EXPECT_TRUE(isError(raisedError([&] { c.setLocalPort(1); }), 20107, "SNMP",
                        "You cannot change the LocalPort while the control is Active."));
    c.setRemoteHost("");
    c.setRemotePort(9);
    EXPECT_TRUE(isError(raisedError([&] { c.setAction(a_SendTrap); }), 25050, "SNMP",
                        "[10049] Can't assign requested address"));

    c.setAction(a_Reset);
    EXPECT_EQ(c.ObjCount(), 0);
    EXPECT_EQ(c.TrapAgentAddress(), "");
    c.setActive(false);
    c.setActive(false);
    EXPECT_EQ(c.SocketHandle(), -1);
}

TEST(SNMPControl, MissingSocketsLibrary) {
    auto control = New<SNMP>();
    SNMP& c = *control;
    EXPECT_TRUE(c.WinsockLoaded());
    EXPECT_EQ(c.WinsockStatus(), "Running");
    c.setWinsockLoaded(false);
    c.setWinsockPath("/nonexistent/WSOCK32.DLL");
    c.setWinsockLoaded(true);
    EXPECT_FALSE(c.WinsockLoaded());
    EXPECT_EQ(c.WinsockInfo(), "Could not load Winsock DLL.");
    EXPECT_EQ(c.WinsockStatus(), "Down");
    for (auto operation : std::initializer_list<std::function<void()>>{
             [&] { c.setActive(true); }, [&] { c.setAction(a_SendGetRequest); }})
        EXPECT_TRUE(isError(raisedError(operation), 25094, "SNMP",
                            "[10093] Winsock not loaded yet (WSANOTINITIALISED)"));
    // Any existing file stands for the library.
    c.setWinsockPath("/proc/self/exe");
    c.setWinsockLoaded(true);
    EXPECT_TRUE(c.WinsockLoaded());
    EXPECT_EQ(c.WinsockPath(), "/proc/self/exe");
    c.setWinsockLoaded(false);
    c.setWinsockPath("");
    EXPECT_EQ(c.WinsockPath(), "WSOCK32.DLL");
    c.setWinsockLoaded(true);
    EXPECT_TRUE(c.WinsockLoaded());
    c.setActive(true);
}

// Inside the test's own network namespace only: an address that the
// namespace can reach is added to lo, with a listener that must hear nothing.
TEST(SNMPControl, LoopbackGuardRefusesOtherDestinations) {
    struct if_nameindex* interfaces = if_nameindex();
    int count = 0;
    for (auto* i = interfaces; i && i->if_index != 0; ++i)
        ++count;
    if_freenameindex(interfaces);
    const char* guard = std::getenv("KESTRUP_LOOPBACK_ONLY");
    if (count != 1 || !guard || std::string(guard) != "1" ||
        std::system("ip addr add 192.0.2.1/32 dev lo 2>/dev/null") != 0)
        GTEST_SKIP() << "needs the test runner's network namespace";

    Platform::Sockets::Testing::LoopbackSocket listener("192.0.2.1");
    ASSERT_TRUE(listener.bound());
    auto control = New<SNMP>();
    control->setRemoteHost("192.0.2.1");
    control->setRemotePort(listener.port());
    EXPECT_TRUE(isError(raisedError([&] { control->setAction(a_SendGetRequest); }), 25052, "SNMP",
                        "[10051] Network is unreachable"));
    EXPECT_EQ(listener.receive(50), "");
    std::system("ip addr del 192.0.2.1/32 dev lo 2>/dev/null");
}

TEST(SNMPBroadcast, GoesToTheSeamAddressAndEveryServerAnswers) {
    // Two servers share one port, as print servers on a subnet share 161.
    Watched servers[2];
    servers[0].control->setShareLocalPort(true);
    servers[0].control->setActive(true);
    servers[1].control->setShareLocalPort(true);
    servers[1].control->setLocalPort(servers[0].control->LocalPort());
    servers[1].control->setActive(true);
    for (Watched& server : servers)
        server.connections.push_back(server.control->GetRequest.connect(
            [control = server.control.get()](int32_t id, std::string, std::string source, int32_t port) {
                control->setRequestId(id);
                control->setRemoteHost(source);
                control->setRemotePort(port);
                control->setAction(a_SendGetResponse);
            }));

    Watched manager;
    ::setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
    ::setenv("KESTRUP_SNMP_PORT", std::to_string(servers[0].control->LocalPort()).c_str(), 1);
    manager.control->setRemoteHost("255.255.255.255");
    EXPECT_EQ(manager.control->RemoteHost(), "255.255.255.255");
    manager.control->setRequestId(77);
    manager.control->setAction(a_SendGetRequest);
    ::unsetenv("KESTRUP_BROADCAST");
    ::unsetenv("KESTRUP_SNMP_PORT");
    ASSERT_TRUE(manager.waitForEvents(2));
    for (const Received& response : manager.events) {
        EXPECT_EQ(response.kind, "GetResponse");
        EXPECT_EQ(response.requestId, 77);
    }
}

} // namespace
} // namespace Trapline
