// The finder against Debian's snmpd playing single print servers.
#include <algorithm>
#include <memory>

#include "FinderFixture.h"
#include "SnmpdPeer.h"

namespace Beaconet {
namespace {

using Automation::Variant;

const std::string Description = "1.3.6.1.2.1.2.2.1.2.1";
const std::string ReverseTelnet = "1.3.6.1.4.1.1963.20.5.2.3.2.18.0";

std::vector<SnmpdPeer::Object> layoutA() {
    return {{Description, "octet_str", "\"Hublet K1 Ethernet\""},
            {"1.3.6.1.4.1.1963.20.5.2.3.2.601.0", "integer", "9100"},
            {"1.3.6.1.4.1.1963.20.10.5.3.0", "octet_str", "\"MCS 5.01\""},
            {"1.3.6.1.4.1.1963.20.10.5.4.0", "octet_str", "\"K1\""},
            {"1.3.6.1.4.1.1963.20.5.2.3.10.901.0", "octet_str", "\"Alpha\""},
            {ReverseTelnet, "integer", "1", true},
            {"1.3.6.1.4.1.1963.20.10.5.6.0", "integer", "4"},
            {"1.3.6.1.4.1.1963.20.15.15.11.1.0", "octet_str", "\"TCP\""},
            {"1.3.6.1.4.1.1963.20.15.10.1.2.0", "octet_str", "\"Rubric 10.2.1\""},
            {"1.3.6.1.4.1.1963.20.15.15.1.0", "octet_str", "\"Immediate\""},
            {"1.3.6.1.4.1.1963.20.15.15.11.3.0", "octet_str", "\"9600,N,8,1\""}};
}

std::vector<SnmpdPeer::Object> layoutB() {
    return {{Description, "octet_str", "\"HUBLET N3 ETHERNET print server\""},
            {"1.3.6.1.4.1.1963.20.10.30.10.5.1.3.0", "integer", "9101"},
            {"1.3.6.1.4.1.1963.20.10.5.3.0", "octet_str", "\"MCS 6.10\""},
            {"1.3.6.1.4.1.1963.20.10.5.4.0", "octet_str", "\"N3\""},
            {"1.3.6.1.4.1.1963.20.10.5.10.0", "octet_str", "\"Beta\""},
            {"1.3.6.1.4.1.1963.20.10.5.6.0", "integer", "3"}};
}

class FinderPeerTest : public FinderTest {
protected:
    void SetUp() override {
        FinderTest::SetUp();
        const uint16_t port = SnmpdPeer::freePort("127.0.0.5", "127.0.0.6");
        setenv("KESTRUP_SNMP_PORT", std::to_string(port).c_str(), 1);
        portText = std::to_string(port);
        a = std::make_unique<SnmpdPeer>("127.0.0.5", port, layoutA());
        b = std::make_unique<SnmpdPeer>("127.0.0.6", port, layoutB());
    }

    std::string portText;
    std::unique_ptr<SnmpdPeer> a, b;
};

TEST_F(FinderPeerTest, TwoNetworksAreSweptInTurnAndEveryFieldIsFilled) {
    finder->Networks()->Add("127.0.0.5");
    finder->Networks()->Add("127.0.0.6");
    sweep(1000);

    ASSERT_EQ(client->found.size(), 2u);
    std::vector<std::string> rows;
    for (const Recorder::Found& f : client->found)
        rows.push_back(f.address + "|" + f.port + "|" + f.version + "|" + f.model + "|" + f.name + "|" +
                       f.subnet + "|" + std::to_string(f.reverseTelnet) + "|" + std::to_string(f.status));
    EXPECT_EQ(rows, (std::vector<std::string>{"127.0.0.5|9100|MCS 5.01|K1|Alpha|127.0.0.5|0|4",
                                              "127.0.0.6|9101|MCS 6.10|N3|Beta|127.0.0.6|0|3"}));
    // About 2 s per network, then the time-out from the last request at 3.6 s.
    expectPacing({70}, 4600);
    EXPECT_EQ(client->foundCalls, 1);
    EXPECT_EQ(client->foundCount, 2);
}

TEST_F(FinderPeerTest, GetValueReadsTheFiveValuesAndASilentAddressTimesOut) {
    expectValues("127.0.0.5", "4");
    expectSilence("127.0.0.9");
}

TEST_F(FinderPeerTest, ReverseTelnetIsSwitchedWithTheWriteCommunity) {
    finder->Networks()->Add("127.0.0.6");
    sweep(0);
    finder->ChangeReverseTelnet("127.0.0.5", RT_ON, "private");
    Platform::WaitUntil([&] { return !client->revTelnet.empty(); }, 3000);
    EXPECT_EQ(client->revTelnet, (std::vector<std::string>{"127.0.0.5 2"}));
    std::string read =
        a->run("snmpget -v1 -On -t 1 -r 0 -c public 127.0.0.5:" + portText + " " + ReverseTelnet);
    EXPECT_NE(read.find("INTEGER: 2"), std::string::npos) << read;
}

TEST_F(FinderPeerTest, TrapsReachTheClientOnlyWhenAsked) {
    finder->Networks()->Add("127.0.0.6");
    sweep(0);
    const std::string trap = "snmptrap -v1 -c public 127.0.0.1:" + std::to_string(finder->LocalPort()) +
                             " 1.3.6.1.4.1.1963 127.0.0.6 6 17 1234";
    a->run(trap);
    Platform::WaitUntil([] { return false; }, 300);
    EXPECT_TRUE(client->traps.empty());
    finder->setRaiseTrapEvent(true);
    a->run(trap);
    Platform::WaitUntil([&] { return !client->traps.empty(); }, 2000);
    EXPECT_EQ(client->traps, (std::vector<std::string>{"public 1.3.6.1.4.1.1963 127.0.0.6 6 17"}));
}

} // namespace
} // namespace Beaconet
