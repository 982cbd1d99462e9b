// The finder swept against the simulated print servers.
#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "ErrorNumber.h"
#include "FinderFixture.h"
#include "Tickard/modTimerEvent.h"
#include "Trapline/SNMP.h"
#include "Trapline/SnmpMessage.h"
#include "messages/MessagePump.h"

namespace Beaconet {
namespace {

using Automation::Variant;

const std::vector<std::string> TwoServers{
    "--server", "address=127.0.0.21,layout=A,name=Alpha,version=MCS 5.01,status=4,revtelnet=2,port=9100",
    "--server", "address=127.0.0.22,layout=B,name=Beta,version=MCS 6.10,status=3,port=9101"};

TEST_F(FinderTest, ADefaultBroadcastSweepReportsEachServerThenProgressThenTheList) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    sweep(2000);

    ASSERT_EQ(client->found.size(), 2u);
    auto alpha = std::find_if(client->found.begin(), client->found.end(),
                              [](const Recorder::Found& f) { return f.address == "127.0.0.21"; });
    auto beta = std::find_if(client->found.begin(), client->found.end(),
                             [](const Recorder::Found& f) { return f.address == "127.0.0.22"; });
    ASSERT_NE(alpha, client->found.end());
    ASSERT_NE(beta, client->found.end());
    EXPECT_EQ(alpha->port + "|" + alpha->version + "|" + alpha->model + "|" + alpha->name + "|" +
                  alpha->subnet,
              "9100|MCS 5.01|K1|Alpha|255.255.255.255");
    EXPECT_TRUE(alpha->reverseTelnet);
    EXPECT_EQ(alpha->status, SS_Idle);
    EXPECT_EQ(beta->port + "|" + beta->version + "|" + beta->model + "|" + beta->name + "|" + beta->subnet,
              "9101|MCS 6.10|N3|Beta|255.255.255.255");
    EXPECT_FALSE(beta->reverseTelnet);
    EXPECT_EQ(beta->status, SS_Running);

    // The time-out counts from the last request, at 1.6 s, with ticks 300 ms apart.
    expectPacing({35, 50, 65, 80, 95}, 3800);
    EXPECT_EQ(client->foundCalls, 1);
    EXPECT_EQ(client->foundCount, 2);

    // One description request to the first network of a new finder, then one of each layout.
    std::vector<std::string> requests;
    for (const std::string& line : sim->lines(200))
        requests.push_back(line.substr(0, line.find(" community=")));
    EXPECT_EQ(requests,
              (std::vector<std::string>{"received broadcast get id=1", "received broadcast get id=1",
                                        "received broadcast get id=1"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FinderTest, TimeOutZeroEndsAtTheFirstWaitingTickWithoutProgress) {
    startSim(TwoServers);
    finder->Networks()->Add("127.255.255.255");
    sweep(0);
    EXPECT_EQ(client->foundCount, 2);
    expectPacing({}, 2300);
}

// What one misbehaving server (127.0.0.22) does to a sweep of three.
struct Misbehaviour {
    const char* fault;
    int newPrinters;
    int32_t found;
};

void PrintTo(const Misbehaviour& m, std::ostream* out) {
    *out << m.fault;
}

class FinderMisbehaviourTest : public FinderTest, public testing::WithParamInterface<Misbehaviour> {};

TEST_P(FinderMisbehaviourTest, OnlyAcceptedAnswersFillEntries) {
    startSim({"--server", "address=127.0.0.21,layout=A", "--server", "address=127.0.0.22,layout=A",
              "--server", "address=127.0.0.23,layout=B,description=Hublet K1X Ethernet"});
    ASSERT_EQ(sim->command(std::string("fault ") + GetParam().fault), "ok");
    finder->Networks()->Add("");
    sweep(0);
    EXPECT_EQ(int(client->found.size()), GetParam().newPrinters);
    EXPECT_EQ(client->foundCount, GetParam().found);
    // What the list counts, the client heard of.
    for (const Recorder::Found& f : client->found)
        EXPECT_TRUE(client->foundList->IsExistingKey(f.address));
}

INSTANTIATE_TEST_SUITE_P(
    Recognition, FinderMisbehaviourTest,
    testing::Values(
        // Each server answers both layouts: the 7 bindings of the k1x and
        // the 6 of the k1 servers fill nothing.
        Misbehaviour{"lenient", 3, 3}, Misbehaviour{"other-community 127.0.0.22", 2, 2},
        Misbehaviour{"request-id-zero 127.0.0.22", 2, 2}, Misbehaviour{"silent 127.0.0.22", 2, 2},
        Misbehaviour{"not-a-number 127.0.0.22", 2, 2}, Misbehaviour{"malformed 127.0.0.22", 2, 2},
        Misbehaviour{"empty 127.0.0.22", 2, 2}, Misbehaviour{"oversize 127.0.0.22", 2, 2},
        Misbehaviour{"missing-binding 127.0.0.22", 2, 2}, Misbehaviour{"late=350", 3, 3},
        // A server that answers again is reported again, and counted once.
        Misbehaviour{"repeat 127.0.0.22", 4, 3}),
    [](const testing::TestParamInfo<Misbehaviour>& info) {
        std::string name = info.param.fault;
        name = name.substr(0, name.find(' '));
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(uint8_t(c)); }, '_');
        return name;
    });

TEST_F(FinderTest, TheAnswersOfTwoHundredServersAllFitBetweenTwoPumps) {
    startSim({"--servers", "200", "--first", "127.0.2.1"});
    finder->Networks()->Add("");
    sweep(0);
    EXPECT_EQ(client->found.size(), 200u);
    EXPECT_EQ(client->foundCount, 200);
}

TEST_F(FinderTest, NoNetworkStopsARunningSweepAndSendsNothing) {
    startSim(TwoServers);
    auto first = Automation::New<Recorder>();
    finder->Networks()->Add("");
    finder->GetPrinters(0, first);
    finder->Networks()->Remove(Variant(""));
    EXPECT_TRUE(isError(raisedError([&] { finder->GetPrinters(0, client); }), 9999, "kvrHBFind:GetPrinters",
                        "No networks defined"));
    Platform::WaitUntil([] { return false; }, 2800);
    EXPECT_EQ(first->foundCalls + client->foundCalls, 0);
    EXPECT_TRUE(sim->lines(0).empty());
}

TEST_F(FinderTest, ABatchErrorShowsOneBoxAndEndsTheSweep) {
    // The guard refuses the address before a byte leaves, however the test is run.
    setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    startSim(TwoServers);
    // A real box pumps while it is shown: the sweep's timer is stopped before it.
    bool tickingUnderTheBox = false;
    Platform::setModalBoxHook([&](const Platform::ModalBoxRequest& box) {
        boxes.push_back(box.title + "|" + box.text);
        tickingUnderTheBox = Tickard::modTimerEvent::Exists(Tickard::OrphanTicks::Ignore);
        return Platform::MsgBoxResult::OK;
    });
    finder->Networks()->Add("10.1.2.255");
    sweep(0, 2500);
    EXPECT_FALSE(tickingUnderTheBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Error in  Beaconet|Error 25052 ", 0), 0u) << boxes[0];
    EXPECT_EQ(client->foundCalls, 0);
}

TEST_F(FinderTest, TearDownOrReleaseInTheMiddleOfASweepEndsItQuietly) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    client->onNewPrinter = [&] { finder->TearDown(); };
    sweep(0, 3000);
    EXPECT_EQ(client->found.size(), 1u);
    EXPECT_EQ(client->foundCalls, 0);

    auto other = Automation::New<HBFind>();
    other->setCommunity("public");
    other->Networks()->Add("");
    auto second = Automation::New<Recorder>();
    second->onNewPrinter = [&] { other.reset(); };
    other->GetPrinters(0, second);
    Platform::WaitUntil([] { return false; }, 3000);
    EXPECT_EQ(second->found.size(), 1u);
    EXPECT_EQ(second->foundCalls, 0);
}

TEST_F(FinderTest, TheFinderDoesNotKeepItsClientAlive) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    finder->GetPrinters(0, client);
    Automation::WeakRef<Recorder> held(client);
    client.reset();
    EXPECT_TRUE(held.isNothing());
    Platform::WaitUntil([] { return false; }, 2600); // the sweep ends with no one to tell
}

TEST_F(FinderTest, ClientErrorsEndOnlyTheirOwnReport) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    client->onNewPrinter = [] { Automation::raise(5, "client"); };
    client->onProgress = [] { Automation::raise(5, "client"); };
    client->onPrinterFound = [] { Automation::raise(5, "client"); };
    sweep(2000);
    EXPECT_EQ(client->found.size(), 2u);
    EXPECT_GE(client->progress.size(), 2u);
    Platform::WaitUntil([] { return false; }, 800);
    EXPECT_EQ(client->foundCalls, 1); // the timer stopped all the same
    EXPECT_EQ(client->foundCount, 2);
}

TEST_F(FinderTest, GetValueReadsWithTheFindersCommunityAndTakesOnlyItsOwnAnswer) {
    startSim(TwoServers);
    expectValues("127.0.0.21", "4");

    // A late answer to one call is not taken for the next.
    ASSERT_EQ(sim->command("fault late=300 once"), "ok");
    EXPECT_EQ(finder->GetValue("127.0.0.21", OI_bcpRubModes, 100), Variant(""));
    EXPECT_EQ(finder->GetValue("127.0.0.21", OI_bcpRubCommStdIn, 3000), Variant("TCP"));

    ASSERT_EQ(sim->command("fault silent"), "ok");
    expectSilence("127.0.0.21");

    // The control's error comes through as the control raised it; the guard
    // refuses the address before a byte leaves, however the test is run.
    setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    auto control = Automation::New<Trapline::SNMP>();
    control->setRemoteHost("10.0.0.1");
    control->setObjCount(1);
    control->setObjId(1, "1.3.6.1.4.1.1963.20.10.5.6.0");
    auto expected = raisedError([&] { control->setAction(Trapline::a_SendGetRequest); });
    EXPECT_TRUE(isError(raisedError([&] { finder->GetValue("10.0.0.1", OI_bcpSysStatus, 100); }),
                        expected.Number(), expected.Source(), expected.Description()));
}

class AnsweringFinderTest : public FinderTest {
protected:
    // Sends the finder a response with one binding from `address`, as a server there would answer.
    bool answerFrom(const char* address, const std::string& community, int32_t requestId,
                    const Trapline::VarBind& binding) {
        Trapline::SnmpMessage message;
        message.community = community;
        message.pduTag = Trapline::Pdu_GetResponse;
        message.requestId = requestId;
        message.bindings = {binding};
        const std::string datagram = message.encode();
        const int other = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        inet_pton(AF_INET, address, &from.sin_addr);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<uint16_t>(finder->LocalPort()));
        const bool sent =
            ::bind(other, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
            ::sendto(other, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                     sizeof to) == static_cast<ssize_t>(datagram.size());
        ::close(other);
        return sent;
    }
};

TEST_F(AnsweringFinderTest, GetValueTakesTheAnswerOnlyFromTheAddressAsked) {
    startSim(TwoServers);
    finder->setActive(true);
    // Another server's answer, right in every other respect, is waiting when the
    // asked one answers late.
    ASSERT_TRUE(answerFrom("127.0.0.22", "public", HBFind::ValueRequestId,
                           {"1.3.6.1.4.1.1963.20.15.15.11.1.0", 4, "OTHER"}));
    ASSERT_EQ(sim->command("fault late=300 once"), "ok");
    EXPECT_EQ(finder->GetValue("127.0.0.21", OI_bcpRubCommStdIn, 10000), Variant("TCP"));
}

TEST_F(FinderTest, AReverseTelnetChangeTakesOnlyItsOwnAnswer) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    // A change that no one answers must not eat the sweep's answers.
    ASSERT_EQ(sim->command("fault silent once"), "ok");
    finder->ChangeReverseTelnet("127.0.0.21", RT_ON, "private");
    sweep(0);
    EXPECT_EQ(client->found.size(), 2u);
    EXPECT_TRUE(client->revTelnet.empty());

    finder->ChangeReverseTelnet("127.0.0.21", RT_off, "private");
    Platform::WaitUntil([&] { return !client->revTelnet.empty(); }, 2000);
    EXPECT_EQ(client->revTelnet, (std::vector<std::string>{"127.0.0.21 1"}));
    finder->ChangeReverseTelnet("127.0.0.22", RT_ON, "private"); // layout B has none
    Platform::WaitUntil([&] { return client->revTelnet.size() > 1; }, 2000);
    EXPECT_EQ(client->revTelnet.back(), "127.0.0.22 2 error");
}

TEST_F(AnsweringFinderTest, AReverseTelnetChangeThatCannotBeSentAwaitsNoAnswer) {
    startSim(TwoServers);
    finder->Networks()->Add("");
    sweep(0);
    // The finder's port is held by another socket: the change cannot be sent.
    finder->setActive(false);
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t length = sizeof any;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&any), length), 0);
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&any), &length);
    finder->setLocalPort(ntohs(any.sin_port));
    EXPECT_NE(errorNumberOf([&] { finder->ChangeReverseTelnet("127.0.0.21", RT_ON, "private"); }), 0);
    ::close(holder);
    finder->setActive(true);

    // So an answer to it from that server is nobody's; it is read before the value's answer.
    ASSERT_TRUE(answerFrom("127.0.0.21", "private", HBFind::ReverseTelnetRequestId,
                           {"1.3.6.1.4.1.1963.20.5.2.3.2.18.0", 2, "2"}));
    EXPECT_EQ(finder->GetValue("127.0.0.21", OI_bcpRubCommStdIn, 10000), Variant("TCP"));
    EXPECT_TRUE(client->revTelnet.empty());
}

TEST_F(FinderTest, LocalPortRebindsAnActiveControlAndReadsHighPorts) {
    finder->setActive(true);
    EXPECT_GT(finder->LocalPort(), 0);
    for (int32_t port : {40123, 20123}) {
        finder->setLocalPort(port);
        EXPECT_TRUE(finder->Active());
        EXPECT_EQ(finder->LocalPort(), port);
    }
    finder->setActive(false);
    finder->setLocalPort(0);
    EXPECT_FALSE(finder->Active());
}

} // namespace
} // namespace Beaconet
