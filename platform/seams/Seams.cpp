#include "seams/Seams.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
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

bool destinationAllowed(uint32_t ipv4HostOrder) {
    return !loopbackOnly() || (ipv4HostOrder >> 24) == 127;
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
