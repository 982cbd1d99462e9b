#include "SnmpdPeer.h"

#include <arpa/inet.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace Beaconet {

namespace {

sockaddr_in addressOf(const std::string& address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    return a;
}

// 0 when the port could be bound, else the errno.
int tryBind(const std::string& address, uint16_t port, uint16_t* bound = nullptr) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = addressOf(address, port);
    int result = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : errno;
    if (bound) {
        socklen_t length = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        *bound = ntohs(a.sin_port);
    }
    close(fd);
    return result;
}

} // namespace

uint16_t SnmpdPeer::freePort(const std::string& first, const std::string& second) {
    for (;;) {
        uint16_t port = 0;
        tryBind(first, 0, &port);
        if (tryBind(second, port) == 0)
            return port;
    }
}

SnmpdPeer::SnmpdPeer(const std::string& address, uint16_t port, const std::vector<Object>& objects) {
    char pattern[] = "/tmp/beaconet-snmpd-XXXXXX";
    folder_ = mkdtemp(pattern);
    {
        std::ofstream config(folder_ + "/snmpd.conf");
        config << "agentaddress udp:" << address << ":" << port << "\n"
               << "rocommunity public\nrwcommunity private\n";
        for (const Object& o : objects)
            config << "override " << (o.writable ? "-rw " : "") << o.oid << " " << o.type << " " << o.value
                   << "\n";
    }
    setenv("MIBS", "", 1);
    setenv("SNMP_PERSISTENT_DIR", (folder_ + "/persist").c_str(), 1);
    const std::string config = folder_ + "/snmpd.conf", log = folder_ + "/snmpd.log";
    const char* argv[] = {"snmpd", "-f", "-C", "-c", config.c_str(), "-Lf", log.c_str(), nullptr};
    if (posix_spawnp(&pid_, "snmpd", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("snmpd cannot be started");
    // Ready once it has announced itself, which it does after binding; a
    // loaded machine may take seconds to start it.
    for (int i = 0; i < 6000; ++i) {
        std::ifstream written(log);
        std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
        if (text.find("NET-SNMP version") != std::string::npos)
            return;
        usleep(10000);
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("snmpd did not start on " + address + ":" + std::to_string(port));
}

SnmpdPeer::~SnmpdPeer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string SnmpdPeer::run(const std::string& commandLine) const {
    std::string output;
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

} // namespace Beaconet
