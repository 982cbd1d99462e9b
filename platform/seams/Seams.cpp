#include "seams/Seams.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <netdb.h>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform::Seams {

namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

uint16_t portVariable(const char* name, uint16_t fallback) {
    auto value = variable(name);
    if (!value)
        return fallback;
    char* end = nullptr;
    long port = std::strtol(value->c_str(), &end, 10);
    if (*end != '\0' || port < 1 || port > 65535)
        return fallback;
    return static_cast<uint16_t>(port);
}

} // namespace

std::optional<std::string> comDirectory() {
    return variable("KESTRUP_COM_DIR");
}

std::string comDevicePath(int32_t portNumber) {
    if (auto dir = comDirectory())
        return *dir + "/COM" + std::to_string(portNumber);
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string broadcastAddress() {
    return variable("KESTRUP_BROADCAST").value_or("255.255.255.255");
}

uint16_t snmpPort() {
    return portVariable("KESTRUP_SNMP_PORT", 161);
}

uint16_t httpPort() {
    return portVariable("KESTRUP_HTTP_PORT", 80);
}

bool loopbackOnly() {
    return variable("KESTRUP_LOOPBACK_ONLY").value_or("") == "1";
}

bool destinationAllowed(const sockaddr* address) {
    if (!loopbackOnly())
        return true;
    if (!address)
        return false;
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const in6_addr& in6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&in6))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&in6) && in6.s6_addr[12] == 127;
    }
    return false;
}

std::optional<std::string> guardedDestination(const std::string& host) {
    if (!loopbackOnly())
        return host;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::optional<std::string> result;
    char text[INET6_ADDRSTRLEN] = {};
    // The first address is the one a socket would use: judge that one.
    if (destinationAllowed(found->ai_addr) &&
        getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0)
        result = text;
    freeaddrinfo(found);
    return result;
}

std::string programFolder() {
    if (auto home = variable("KESTRUP_HOME"))
        return *home;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        auto folder = exe.parent_path().string();
        if (::access(folder.c_str(), W_OK) == 0)
            return folder;
    }
    std::string data =
        variable("XDG_DATA_HOME").value_or(variable("HOME").value_or("/tmp") + "/.local/share");
    auto folder = std::filesystem::path(data) / "Kestrup";
    std::filesystem::create_directories(folder, ec);
    return folder.string();
}

} // namespace Platform::Seams
