#pragma once
// Simulated Hublet print servers: SNMP version 1 agents that answer a sweep
// sent to the loopback broadcast address, each from an address of its own
// (127.0.0.x) on the same port, and that play on demand what real agents
// would not: another community, request-id 0, wrong binding counts,
// malformed, empty and oversize datagrams, late and repeated answers,
// silence. One thread; it runs in a process of its own, since the finder
// waits without pumping.
#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AgentMessage.h"

namespace HubletSim {

// Layout A servers (the K1 family) answer with their reverse-telnet option;
// layout B servers answer other port and name identifiers.
enum class Layout { A, B };

struct HubletServer {
    std::string address; // 127.0.0.x
    Layout layout = Layout::A;
    std::string description;
    std::string name;
    std::string model;
    std::string version;
    int32_t status = 3;        // running
    int32_t reverseTelnet = 1; // 1 off, 2 on
    int32_t port = 9100;
    // The printer's standard-channel setting (object 4), a text.
    std::string stdio = "9600,N,8,1";
};

enum class Fault {
    OtherCommunity, // answers carry another community
    RequestIdZero,  // answers carry request-id 0
    ExtraBinding,   // one binding more than asked for
    MissingBinding, // one binding fewer
    Lenient,        // unknown identifiers answered with an empty text, no error
    NotANumber,     // the status answered as text
    Malformed,      // the answer cut in half
    Empty,          // a datagram of no bytes
    Oversize,       // an answer above 2048 bytes
    Late,           // answered after `argument` ms (default 600)
    Repeat,         // every answer sent twice
    Silent,         // no answer
};

struct FaultSetting {
    Fault fault;
    int32_t argument = 0;
    bool once = false;  // for the next request only, then recover
    std::string server; // empty: every server
};

class HubletAgents {
public:
    struct Options {
        uint16_t port = 0; // 0: the system picks one, shared by all servers
        std::string listenAddress = "127.255.255.255";
        std::string community = "public";
        std::string writeCommunity = "private";
        std::vector<HubletServer> servers;
        // Ends when the commands' input closes; otherwise it serves on
        // without commands (a script gives it /dev/null).
        bool quitOnEndOfInput = false;
    };

    explicit HubletAgents(Options options);
    ~HubletAgents();
    HubletAgents(const HubletAgents&) = delete;
    HubletAgents& operator=(const HubletAgents&) = delete;

    // Binds every socket; throws std::runtime_error naming what failed.
    void open();
    uint16_t port() const { return options_.port; }

    // Serves until "quit" on controlFd, something readable on stopFd (a
    // signal handler writes there), or the end of controlFd when
    // quitOnEndOfInput is set; writes what it receives and the answers to
    // commands on out.
    void run(int controlFd, std::FILE* out, int stopFd = -1);

    // A server of the layout with the usual values, numbered for its name.
    static HubletServer defaultServer(const std::string& address, Layout layout, int number);
    // "other-community", "late", ... as listed above.
    static std::optional<Fault> faultByName(std::string_view name);

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        int fd;
        sockaddr_in to;
        std::string datagram;
    };

    void receive(int fd, int serverIndex, std::FILE* out);
    void answer(size_t serverIndex, const AgentMessage& request, const sockaddr_in& from);
    std::optional<AgentMessage> response(HubletServer& server, const AgentMessage& request);
    bool faulty(Fault fault, const HubletServer& server, int32_t* argument = nullptr) const;
    bool command(const std::string& line, std::FILE* out);
    void sendDue();

    Options options_;
    int listenFd_ = -1;
    std::vector<int> serverFds_;
    std::vector<FaultSetting> faults_;
    std::vector<Pending> pending_;
};

} // namespace HubletSim
