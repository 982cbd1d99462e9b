// The simulated print servers, checked with net-snmp's own tools as the
// independent client, and with raw datagrams for what those cannot send or see.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "HubletSimProcess.h"

namespace {

using HubletSim::HubletSimProcess;

const std::string Description = "1.3.6.1.2.1.2.2.1.2.1";
const std::string PortA = "1.3.6.1.4.1.1963.20.5.2.3.2.601.0";
const std::string NameB = "1.3.6.1.4.1.1963.20.10.5.10.0";
const std::string ReverseTelnet = "1.3.6.1.4.1.1963.20.5.2.3.2.18.0";
const std::string Status = "1.3.6.1.4.1.1963.20.10.5.6.0";
const std::string StdIOSetting = "1.3.6.1.4.1.1963.20.15.15.11.3.0";

// A get request for the description, community "public", request-id 7.
const std::string
    DescriptionRequest("\x30\x26\x02\x01\x00\x04\x06public\xA0\x19\x02\x01\x07\x02\x01\x00\x02\x01\x00"
                       "\x30\x0E\x30\x0C\x06\x08\x2B\x06\x01\x02\x01\x02\x02\x01\x05\x00",
                       40);

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(("MIBS= SNMP_PERSISTENT_DIR=/tmp/hublet-sim-test-" + std::to_string(getpid()) + " " +
                        command + " 2>&1")
                           .c_str(),
                       "r");
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

struct Datagram {
    std::string from;
    std::string bytes;
};

// Sends one datagram to address:port and gathers what comes back within waitMs.
std::vector<Datagram> exchange(const std::string& address, uint16_t port, const std::string& datagram,
                               int waitMs = 300) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::vector<Datagram> received;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[8192];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        received.push_back({std::string(text) + ":" + std::to_string(ntohs(from.sin_port)),
                            std::string(buffer, size_t(std::max<ssize_t>(n, 0)))});
    }
    close(fd);
    return received;
}

class HubletSimTest : public testing::Test {
protected:
    HubletSimProcess sim{
        HUBLET_SIM_PROGRAM,
        {"--port", "0", "--servers", "3", "--first", "127.0.0.30", "--server",
         "address=127.0.0.40,layout=B,description=hublet k1x ethernet,name=Kay,status=4,stdio=100"}};

    std::string get(const std::string& address, const std::string& oids,
                    const std::string& community = "public") {
        return run("snmpget -v1 -On -t 0.4 -r 0 -c " + community + " " + address + ":" +
                   std::to_string(sim.port()) + " " + oids);
    }
};

TEST_F(HubletSimTest, EachLayoutAnswersItsObjectsAndRefusesTheOthers) {
    std::string a = get("127.0.0.31", Description + " " + PortA + " " + ReverseTelnet + " " + Status);
    EXPECT_NE(a.find("= STRING: \"Hublet K1 Ethernet\""), std::string::npos) << a;
    EXPECT_NE(a.find(PortA + " = INTEGER: 9100"), std::string::npos) << a;
    EXPECT_NE(a.find(ReverseTelnet + " = INTEGER: 1"), std::string::npos) << a;

    std::string b = get("127.0.0.40", Description + " " + NameB + " " + Status);
    EXPECT_NE(b.find("\"hublet k1x ethernet\""), std::string::npos) << b;
    EXPECT_NE(b.find("STRING: \"Kay\""), std::string::npos) << b;
    EXPECT_NE(b.find(Status + " = INTEGER: 4"), std::string::npos) << b;

    // The standard-channel setting: the server's own where one is given.
    EXPECT_NE(get("127.0.0.40", StdIOSetting).find("STRING: \"100\""), std::string::npos);
    EXPECT_NE(get("127.0.0.31", StdIOSetting).find("STRING: \"9600,N,8,1\""), std::string::npos);

    std::string refused = get("127.0.0.40", ReverseTelnet);
    EXPECT_NE(refused.find("noSuchName"), std::string::npos) << refused;

    std::string walk = run("snmpwalk -v1 -On -t 0.4 -r 0 -c public 127.0.0.30:" + std::to_string(sim.port()) +
                           " 1.3.6.1.4.1.1963.20");
    EXPECT_NE(walk.find("STRING: \"MCS 4.12\""), std::string::npos) << walk;
    EXPECT_NE(walk.find("STRING: \"HUB2\""), std::string::npos) << walk;
}

TEST_F(HubletSimTest, ReverseTelnetIsSetOnlyWithTheWriteCommunity) {
    const std::string set = "snmpset -v1 -On -t 0.4 -r 0 -c %s 127.0.0.30:" + std::to_string(sim.port()) +
                            " " + ReverseTelnet + " i 2";
    std::string wrong = run(std::string(set).replace(set.find("%s"), 2, "public"));
    EXPECT_NE(wrong.find("Timeout"), std::string::npos) << wrong;
    std::string right = run(std::string(set).replace(set.find("%s"), 2, "private"));
    EXPECT_NE(right.find("INTEGER: 2"), std::string::npos) << right;
    EXPECT_NE(get("127.0.0.30", ReverseTelnet).find("INTEGER: 2"), std::string::npos);
    EXPECT_NE(get("127.0.0.30", Description, "other").find("Timeout"), std::string::npos);
}

TEST_F(HubletSimTest, ABroadcastIsAnsweredByEveryServerFromItsOwnAddress) {
    auto answers = exchange("127.255.255.255", sim.port(), DescriptionRequest);
    std::set<std::string> sources;
    for (const Datagram& d : answers)
        sources.insert(d.from);
    const std::string port = ":" + std::to_string(sim.port());
    EXPECT_EQ(sources, (std::set<std::string>{"127.0.0.30" + port, "127.0.0.31" + port, "127.0.0.32" + port,
                                              "127.0.0.40" + port}));
    auto lines = sim.lines(500);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(
        lines.back().rfind("received broadcast get id=7 community=public bindings=1 from 127.0.0.1:", 0), 0u)
        << lines.back();
}

TEST_F(HubletSimTest, FaultsPlayWhatRealAgentsWouldNotAndOnceRecovers) {
    struct Case {
        std::string fault;
        std::string oids;
        std::string expected; // in snmpget's output
    };
    const Case cases[] = {
        {"request-id-zero", Description, "Timeout"},
        {"silent", Description, "Timeout"},
        {"not-a-number", Status, Status + " = STRING: \"ready\""},
        {"extra-binding", Description, Status + " = INTEGER: 3"},
        {"lenient", Description + " " + NameB, NameB + " = \"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_EQ(sim.command("fault " + c.fault + " once 127.0.0.31"), "ok");
        std::string faulty = get("127.0.0.31", c.oids);
        EXPECT_NE(faulty.find(c.expected), std::string::npos) << faulty;
        std::string recovered = get("127.0.0.31", Description);
        EXPECT_NE(recovered.find("STRING: \"Hublet K1 Ethernet\""), std::string::npos) << recovered;
        EXPECT_EQ(recovered.find(Status), std::string::npos) << recovered;
    }
    EXPECT_EQ(sim.command("fault unheard-of"), "error unknown fault unheard-of");
}

TEST_F(HubletSimTest, DatagramFaultsShapeTheBytesAndTheTiming) {
    const std::string port = ":" + std::to_string(sim.port());
    auto one = [&](const std::string& fault, int waitMs = 300) {
        EXPECT_EQ(sim.command("fault " + fault + " once 127.0.0.32"), "ok");
        return exchange("127.0.0.32", sim.port(), DescriptionRequest, waitMs);
    };
    const auto normal = exchange("127.0.0.32", sim.port(), DescriptionRequest);
    ASSERT_EQ(normal.size(), 1u);

    auto empty = one("empty");
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].bytes.size(), 0u);
    auto malformed = one("malformed");
    ASSERT_EQ(malformed.size(), 1u);
    EXPECT_EQ(malformed[0].bytes, normal[0].bytes.substr(0, normal[0].bytes.size() / 2));
    auto oversize = one("oversize");
    ASSERT_EQ(oversize.size(), 1u);
    EXPECT_GT(oversize[0].bytes.size(), 3000u);
    auto repeated = one("repeat");
    ASSERT_EQ(repeated.size(), 2u);
    EXPECT_EQ(repeated[0].bytes, normal[0].bytes);
    EXPECT_EQ(repeated[1].bytes, normal[0].bytes);
    auto other = one("other-community");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_NE(other[0].bytes.find("public-other"), std::string::npos);

    EXPECT_TRUE(one("late=400", 300).empty());
    EXPECT_EQ(sim.command("fault late=400 once 127.0.0.32"), "ok");
    auto late = exchange("127.0.0.32", sim.port(), DescriptionRequest, 700);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].from, "127.0.0.32" + port);
}

// As a script starts it in the background: standard input from /dev/null.
TEST(HubletSimProgram, KeepsRunningWithoutInputAndEndsOnSignals) {
    for (const char* signal : {"TERM", "INT"}) {
        SCOPED_TRACE(signal);
        // The clock ticks are counted over two idle seconds after the program has
        // answered, so a slow start on a busy machine does not count against it,
        // beside a spinning loop that gets what a spinning program would.
        const std::string result = run(
            "sh -c 'out=$(mktemp); \"" HUBLET_SIM_PROGRAM
            "\" --port 0 --servers 1 --first 127.0.0.50 </dev/null >$out & pid=$!; "
            "for i in $(seq 200); do [ -s $out ] && break; sleep 0.1; done; "
            "port=$(cut -d\" \" -f2 $out); rm -f $out; snmpget -v1 -On -t 2 -r 0 -c public "
            "127.0.0.50:$port " +
            Description +
            "; ticks() { set -- $(cut -d\" \" -f14,15 /proc/$1/stat); echo $(($1 + $2)); }; "
            "sh -c \"while :; do :; done\" & spin=$!; before=$(ticks $pid); spun=$(ticks $spin); sleep 2; "
            "echo idle=$(($(ticks $pid) - before)) spin=$(($(ticks $spin) - spun)); kill $spin; kill -" +
            signal +
            " $pid; for i in $(seq 100); do kill -0 $pid 2>/dev/null && sleep 0.1; done; kill -KILL $pid "
            "2>/dev/null; wait $pid; echo status=$?'");
        EXPECT_NE(result.find("STRING: \"Hublet K1 Ethernet\""), std::string::npos) << result;
        // Waiting, not spinning on the closed input: far less than the loop beside it.
        const size_t idle = result.find("idle="), spin = result.find(" spin=");
        ASSERT_NE(spin, std::string::npos) << result;
        EXPECT_LT(4 * std::stoi(result.substr(idle + 5)), std::stoi(result.substr(spin + 6))) << result;
        EXPECT_NE(result.find("status=0\n"), std::string::npos) << result;
    }
}

TEST(HubletSimProgram, EndsWithItsInputWhenAsked) {
    const std::string result = run("timeout 5 \"" HUBLET_SIM_PROGRAM
                                   "\" --quit-on-eof --port 0 --servers 1 --first 127.0.0.51 </dev/null; "
                                   "echo status=$?");
    EXPECT_EQ(result.rfind("ready ", 0), 0u) << result;
    EXPECT_NE(result.find("\nstatus=0\n"), std::string::npos) << result;
}

TEST(HubletSimProgram, HelpPrintsTheUsage) {
    const std::string result = run("\"" HUBLET_SIM_PROGRAM "\" --help; echo status=$?");
    EXPECT_EQ(result.rfind("usage: hublet-sim [--port P]", 0), 0u) << result;
    EXPECT_NE(result.find("\nstatus=0\n"), std::string::npos) << result;
}

} // namespace
