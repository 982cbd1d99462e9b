#include "HubletAgents.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

namespace HubletSim {

namespace {

// The identifiers a Hublet answers (the enterprise's own lie under 1963).
const std::string Description = "1.3.6.1.2.1.2.2.1.2.1";
const std::string PortA = "1.3.6.1.4.1.1963.20.5.2.3.2.601.0";
const std::string PortB = "1.3.6.1.4.1.1963.20.10.30.10.5.1.3.0";
const std::string Version = "1.3.6.1.4.1.1963.20.10.5.3.0";
const std::string Model = "1.3.6.1.4.1.1963.20.10.5.4.0";
const std::string NameA = "1.3.6.1.4.1.1963.20.5.2.3.10.901.0";
const std::string NameB = "1.3.6.1.4.1.1963.20.10.5.10.0";
const std::string ReverseTelnet = "1.3.6.1.4.1.1963.20.5.2.3.2.18.0";
const std::string Status = "1.3.6.1.4.1.1963.20.10.5.6.0";
const std::string CommStdIn = "1.3.6.1.4.1.1963.20.15.15.11.1.0";
const std::string InterpreterVersion = "1.3.6.1.4.1.1963.20.15.10.1.2.0";
const std::string Modes = "1.3.6.1.4.1.1963.20.15.15.1.0";
const std::string CommStdIOSetting = "1.3.6.1.4.1.1963.20.15.15.11.3.0";

constexpr uint8_t Integer = 0x02;
constexpr uint8_t OctetString = 0x04;
constexpr int32_t NoSuchName = 2;

const std::map<std::string_view, Fault> FaultNames{{"other-community", Fault::OtherCommunity},
                                                   {"request-id-zero", Fault::RequestIdZero},
                                                   {"extra-binding", Fault::ExtraBinding},
                                                   {"missing-binding", Fault::MissingBinding},
                                                   {"lenient", Fault::Lenient},
                                                   {"not-a-number", Fault::NotANumber},
                                                   {"malformed", Fault::Malformed},
                                                   {"empty", Fault::Empty},
                                                   {"oversize", Fault::Oversize},
                                                   {"late", Fault::Late},
                                                   {"repeat", Fault::Repeat},
                                                   {"silent", Fault::Silent}};

sockaddr_in socketAddress(const std::string& address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + address);
    // Every answer stays on loopback.
    if ((ntohl(a.sin_addr.s_addr) >> 24) != 127)
        throw std::runtime_error("not a loopback address: " + address);
    return a;
}

int boundSocket(const std::string& address, uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in a = socketAddress(address, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        int error = errno;
        close(fd);
        throw std::runtime_error("bind " + address + ":" + std::to_string(port) + ": " +
                                 std::strerror(error));
    }
    return fd;
}

// Identifiers in the order of their numbers, for get-next.
std::vector<uint32_t> oidNumbers(const std::string& oid) {
    std::vector<uint32_t> numbers;
    std::istringstream parts(oid);
    for (std::string part; std::getline(parts, part, '.');)
        numbers.push_back(static_cast<uint32_t>(std::strtoul(part.c_str(), nullptr, 10)));
    return numbers;
}

std::string addressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

const char* pduName(uint8_t pdu) {
    switch (pdu) {
    case AgentMessage::GetRequest:
        return "get";
    case AgentMessage::GetNextRequest:
        return "getnext";
    case AgentMessage::SetRequest:
        return "set";
    default:
        return "response";
    }
}

} // namespace

HubletAgents::HubletAgents(Options options) : options_(std::move(options)) {}

HubletAgents::~HubletAgents() {
    if (listenFd_ >= 0)
        close(listenFd_);
    for (int fd : serverFds_)
        close(fd);
}

HubletServer HubletAgents::defaultServer(const std::string& address, Layout layout, int number) {
    HubletServer s;
    s.address = address;
    s.layout = layout;
    s.description = layout == Layout::A ? "Hublet K1 Ethernet" : "HUBLET N3 ETHERNET print server";
    s.model = layout == Layout::A ? "K1" : "N3";
    s.name = "HUB" + std::to_string(number);
    s.version = "MCS 4.12";
    return s;
}

std::optional<Fault> HubletAgents::faultByName(std::string_view name) {
    auto it = FaultNames.find(name);
    if (it == FaultNames.end())
        return std::nullopt;
    return it->second;
}

void HubletAgents::open() {
    listenFd_ = boundSocket(options_.listenAddress, options_.port);
    if (options_.port == 0) {
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
        options_.port = ntohs(bound.sin_port);
    }
    for (const HubletServer& server : options_.servers)
        serverFds_.push_back(boundSocket(server.address, options_.port));
}

bool HubletAgents::faulty(Fault fault, const HubletServer& server, int32_t* argument) const {
    for (const FaultSetting& f : faults_)
        if (f.fault == fault && (f.server.empty() || f.server == server.address)) {
            if (argument)
                *argument = f.argument;
            return true;
        }
    return false;
}

std::optional<AgentMessage> HubletAgents::response(HubletServer& server, const AgentMessage& request) {
    const bool isSet = request.pdu == AgentMessage::SetRequest;
    // An agent answers no other community, as a real one would not.
    if (request.community != (isSet ? options_.writeCommunity : options_.community))
        return std::nullopt;
    const bool layoutA = server.layout == Layout::A;
    auto text = [](const std::string& value) { return AgentBinding{{}, OctetString, value}; };
    auto number = [](int64_t value) {
        return AgentBinding{{}, Integer, AgentMessage::integerContent(value)};
    };
    std::map<std::string, AgentBinding> objects{
        {Description, text(server.description)},
        {layoutA ? PortA : PortB, number(server.port)},
        {Version, text(server.version)},
        {Model, text(server.model)},
        {layoutA ? NameA : NameB, text(server.name)},
        {Status, faulty(Fault::NotANumber, server) ? text("ready") : number(server.status)},
        {CommStdIn, text("TCP")},
        {InterpreterVersion, text("Rubric 10.2.1")},
        {Modes, text("Immediate")},
        {CommStdIOSetting, text(server.stdio)}};
    if (layoutA)
        objects[ReverseTelnet] = number(server.reverseTelnet);

    AgentMessage answer = request;
    answer.pdu = AgentMessage::GetResponse;
    for (size_t i = 0; i < answer.bindings.size(); ++i) {
        AgentBinding& b = answer.bindings[i];
        auto known = objects.find(b.oid);
        if (request.pdu == AgentMessage::GetNextRequest) {
            known = objects.end();
            const auto after = oidNumbers(b.oid);
            for (auto it = objects.begin(); it != objects.end(); ++it)
                if (oidNumbers(it->first) > after &&
                    (known == objects.end() || oidNumbers(it->first) < oidNumbers(known->first)))
                    known = it;
            if (known != objects.end())
                b.oid = known->first;
        }
        if (isSet && known != objects.end() && b.oid == ReverseTelnet && b.tag == Integer) {
            server.reverseTelnet = static_cast<int32_t>(AgentMessage::integerValue(b.content).value_or(0));
            continue;
        }
        if (!isSet && known != objects.end()) {
            b.tag = known->second.tag;
            b.content = known->second.content;
        } else if (!isSet && faulty(Fault::Lenient, server)) {
            b.tag = OctetString;
            b.content.clear();
        } else if (answer.errorStatus == 0) {
            // Version 1: the request's bindings come back as they were sent.
            answer.bindings = request.bindings;
            answer.errorStatus = NoSuchName;
            answer.errorIndex = static_cast<int32_t>(i + 1);
            break;
        }
    }
    if (faulty(Fault::OtherCommunity, server))
        answer.community += "-other";
    if (faulty(Fault::RequestIdZero, server))
        answer.requestId = 0;
    if (faulty(Fault::ExtraBinding, server))
        answer.bindings.push_back(AgentBinding{Status, Integer, AgentMessage::integerContent(server.status)});
    if (faulty(Fault::MissingBinding, server) && !answer.bindings.empty())
        answer.bindings.pop_back();
    if (faulty(Fault::Oversize, server))
        answer.bindings.push_back(AgentBinding{Description, OctetString, std::string(3000, 'x')});
    return answer;
}

void HubletAgents::answer(size_t serverIndex, const AgentMessage& request, const sockaddr_in& from) {
    HubletServer& server = options_.servers[serverIndex];
    if (faulty(Fault::Silent, server))
        return;
    auto reply = response(server, request);
    if (!reply)
        return;
    std::string datagram = reply->encode();
    if (faulty(Fault::Malformed, server))
        datagram.resize(datagram.size() / 2);
    if (faulty(Fault::Empty, server))
        datagram.clear();
    int32_t delay = 0;
    if (faulty(Fault::Late, server, &delay) && delay <= 0)
        delay = 600;
    const int copies = faulty(Fault::Repeat, server) ? 2 : 1;
    for (int i = 0; i < copies; ++i)
        pending_.push_back(Pending{std::chrono::steady_clock::now() + std::chrono::milliseconds(delay),
                                   serverFds_[serverIndex], from, datagram});
    sendDue();
}

void HubletAgents::sendDue() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        sendto(it->fd, it->datagram.data(), it->datagram.size(), 0,
               reinterpret_cast<const sockaddr*>(&it->to), sizeof it->to);
        it = pending_.erase(it);
    }
}

void HubletAgents::receive(int fd, int serverIndex, std::FILE* out) {
    for (;;) {
        char buffer[65536];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0)
            return;
        const std::string target =
            serverIndex < 0 ? "broadcast" : options_.servers[size_t(serverIndex)].address;
        auto request = AgentMessage::decode(std::string_view(buffer, size_t(n)));
        if (!request) {
            std::fprintf(out, "received %s unreadable from %s\n", target.c_str(), addressText(from).c_str());
            continue;
        }
        std::fprintf(out, "received %s %s id=%d community=%s bindings=%zu from %s\n", target.c_str(),
                     pduName(request->pdu), request->requestId, request->community.c_str(),
                     request->bindings.size(), addressText(from).c_str());
        if (request->pdu == AgentMessage::GetResponse)
            continue;
        if (serverIndex < 0) {
            for (size_t i = 0; i < options_.servers.size(); ++i)
                answer(i, *request, from);
        } else {
            answer(size_t(serverIndex), *request, from);
        }
        std::erase_if(faults_, [](const FaultSetting& f) { return f.once; });
    }
}

bool HubletAgents::command(const std::string& line, std::FILE* out) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "quit")
        return false;
    if (verb == "clear") {
        faults_.clear();
        std::fprintf(out, "ok\n");
    } else if (verb == "fault") {
        std::string name;
        words >> name;
        FaultSetting setting{Fault::Silent, 0, false, {}};
        if (auto eq = name.find('='); eq != std::string::npos) {
            setting.argument = std::atoi(name.c_str() + eq + 1);
            name.resize(eq);
        }
        auto fault = faultByName(name);
        if (!fault) {
            std::fprintf(out, "error unknown fault %s\n", name.c_str());
            return true;
        }
        setting.fault = *fault;
        for (std::string word; words >> word;) {
            if (word == "once")
                setting.once = true;
            else
                setting.server = word;
        }
        faults_.push_back(setting);
        std::fprintf(out, "ok\n");
    } else if (!verb.empty()) {
        std::fprintf(out, "error unknown command %s\n", verb.c_str());
    }
    return true;
}

void HubletAgents::run(int controlFd, std::FILE* out, int stopFd) {
    std::fprintf(out, "ready %u %zu\n", options_.port, options_.servers.size());
    std::fflush(out);
    std::string commands;
    for (;;) {
        // A negative descriptor is left out by poll: the stop pipe when there
        // is none, the commands once they have ended.
        std::vector<pollfd> fds{{stopFd, POLLIN, 0}, {controlFd, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (int fd : serverFds_)
            fds.push_back({fd, POLLIN, 0});
        int timeout = -1;
        const auto now = std::chrono::steady_clock::now();
        for (const Pending& p : pending_) {
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(p.due - now).count() + 1;
            if (timeout < 0 || wait < timeout)
                timeout = static_cast<int>(std::max<int64_t>(wait, 0));
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        sendDue();
        for (size_t i = 2; i < fds.size(); ++i)
            if (fds[i].revents & POLLIN)
                receive(fds[i].fd, static_cast<int>(i) - 3, out);
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[1024];
            ssize_t n = read(controlFd, buffer, sizeof buffer);
            if (n <= 0 && !(n < 0 && errno == EINTR)) {
                if (options_.quitOnEndOfInput)
                    return;
                controlFd = -1; // no more commands, but the servers serve on
            }
            commands.append(buffer, size_t(std::max<ssize_t>(n, 0)));
            for (size_t end; (end = commands.find('\n')) != std::string::npos;) {
                std::string line = commands.substr(0, end);
                commands.erase(0, end + 1);
                if (!command(line, out))
                    return;
            }
        }
        std::fflush(out);
    }
}

} // namespace HubletSim
