// hublet-sim: simulated Hublet print servers for tests and the demo.
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sstream>
#include <string>

#include "HubletAgents.h"

using HubletSim::HubletAgents;
using HubletSim::HubletServer;
using HubletSim::Layout;

namespace {

const char Usage[] =
    "usage: hublet-sim [--port P] [--listen ADDR] [--community C] [--write-community C]\n"
    "                  [--servers N [--layout A|B] [--first 127.0.0.10]]\n"
    "                  [--server address=127.0.0.7,layout=B,description=...,name=...,\n"
    "                            model=...,version=...,status=3,revtelnet=1,port=9100,stdio=TEXT]...\n"
    "                  [--quit-on-eof]\n"
    "       hublet-sim --help\n"
    "\n"
    "Plays Hublet print servers' SNMP v1 agents on loopback. The port defaults to\n"
    "KESTRUP_SNMP_PORT, else one the system picks. Prints \"ready PORT COUNT\" once every\n"
    "socket is bound, then one line per datagram received. Commands on standard input,\n"
    "one per line: fault NAME[=ARG] [once] [ADDRESS], clear, quit. It serves on when its\n"
    "standard input closes (--quit-on-eof: it ends then) and ends on SIGTERM or SIGINT.\n";

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

Layout layoutOf(const std::string& text) {
    if (text == "A" || text == "a")
        return Layout::A;
    if (text == "B" || text == "b")
        return Layout::B;
    throw std::runtime_error("layout must be A or B: " + text);
}

HubletServer serverOf(const std::string& spec, int number) {
    HubletServer server = HubletAgents::defaultServer({}, Layout::A, number);
    bool descriptionGiven = false;
    std::istringstream fields(spec);
    for (std::string field; std::getline(fields, field, ',');) {
        auto eq = field.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error("expected key=value: " + field);
        std::string key = field.substr(0, eq), value = field.substr(eq + 1);
        if (key == "address")
            server.address = value;
        else if (key == "layout") {
            HubletServer defaults = HubletAgents::defaultServer({}, layoutOf(value), number);
            server.layout = defaults.layout;
            if (!descriptionGiven)
                server.description = defaults.description;
            server.model = defaults.model;
        } else if (key == "description") {
            server.description = value;
            descriptionGiven = true;
        } else if (key == "name")
            server.name = value;
        else if (key == "model")
            server.model = value;
        else if (key == "version")
            server.version = value;
        else if (key == "status")
            server.status = std::stoi(value);
        else if (key == "revtelnet")
            server.reverseTelnet = std::stoi(value);
        else if (key == "port")
            server.port = std::stoi(value);
        else if (key == "stdio")
            server.stdio = value;
        else
            throw std::runtime_error("unknown key: " + key);
    }
    if (server.address.empty())
        throw std::runtime_error("a server needs an address: " + spec);
    return server;
}

std::string addressAfter(const std::string& first, int offset) {
    in_addr a{};
    if (inet_pton(AF_INET, first.c_str(), &a) != 1)
        throw std::runtime_error("not an IPv4 address: " + first);
    a.s_addr = htonl(ntohl(a.s_addr) + static_cast<uint32_t>(offset));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    try {
        HubletAgents::Options options;
        if (const char* port = std::getenv("KESTRUP_SNMP_PORT"))
            options.port = static_cast<uint16_t>(std::atoi(port));
        int count = 0;
        Layout layout = Layout::A;
        std::string first = "127.0.0.10";
        for (int i = 1; i < argc; ++i) {
            std::string option = argv[i];
            if (option == "--help" || option == "-h") {
                std::fputs(Usage, stdout);
                return 0;
            }
            if (option == "--quit-on-eof") {
                options.quitOnEndOfInput = true;
                continue;
            }
            if (i + 1 >= argc)
                throw std::runtime_error("missing value after " + option);
            std::string value = argv[++i];
            if (option == "--port")
                options.port = static_cast<uint16_t>(std::stoi(value));
            else if (option == "--listen")
                options.listenAddress = value;
            else if (option == "--community")
                options.community = value;
            else if (option == "--write-community")
                options.writeCommunity = value;
            else if (option == "--servers")
                count = std::stoi(value);
            else if (option == "--layout")
                layout = layoutOf(value);
            else if (option == "--first")
                first = value;
            else if (option == "--server")
                options.servers.push_back(serverOf(value, static_cast<int>(options.servers.size()) + 1));
            else
                throw std::runtime_error("unknown option " + option);
        }
        for (int i = 0; i < count; ++i)
            options.servers.push_back(HubletAgents::defaultServer(
                addressAfter(first, i), layout, static_cast<int>(options.servers.size()) + 1));
        HubletAgents agents(std::move(options));
        agents.open();
        if (::pipe2(signalPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot create the signal pipe");
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        agents.run(STDIN_FILENO, stdout, signalPipe[0]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hublet-sim: %s\n", error.what());
        return 2;
    }
}
