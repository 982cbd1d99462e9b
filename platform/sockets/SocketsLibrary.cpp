#include "sockets/SocketsLibrary.h"

#include <algorithm>
#include <filesystem>
#include <sys/resource.h>

#include "automation/Runtime.h"

namespace Platform::Sockets {

namespace {

struct LibraryState {
    std::string path = SocketsLibrary::DefaultPath;
    std::string moduleFileName;
    int32_t loads = 0;
    std::string description;
    std::string status = "Down";
    int32_t maxSockets = 0;
    int32_t maxDatagram = 0;
};

LibraryState& state() {
    static LibraryState instance;
    return instance;
}

// The largest UDP payload over IPv4.
constexpr int32_t LargestDatagram = 65507;

} // namespace

std::string SocketsLibrary::path() {
    return state().path;
}

void SocketsLibrary::setPath(const std::string& value) {
    state().path = value.empty() ? DefaultPath : value;
}

std::string SocketsLibrary::moduleFileName() {
    return state().loads > 0 ? state().moduleFileName : state().path;
}

bool SocketsLibrary::load() {
    LibraryState& s = state();
    std::string file;
    std::error_code ec;
    if (Automation::equalsText(s.path, DefaultPath))
        file = s.path;
    else if (std::filesystem::is_regular_file(s.path, ec))
        file = std::filesystem::absolute(s.path, ec).string();
    if (file.empty()) {
        s.description = "Could not load Winsock DLL.";
        return false;
    }
    if (s.loads++ == 0)
        s.moduleFileName = file;
    s.description = "Windows Sockets 1.1 on the system's sockets";
    s.status = "Running";
    rlimit files{};
    s.maxSockets = getrlimit(RLIMIT_NOFILE, &files) == 0
                       ? static_cast<int32_t>(std::min<rlim_t>(files.rlim_cur, 32767))
                       : 32767;
    s.maxDatagram = LargestDatagram;
    return true;
}

void SocketsLibrary::unload() {
    LibraryState& s = state();
    if (s.loads == 0)
        return;
    --s.loads;
    s.description.clear();
    s.status = "Down";
    s.maxSockets = 0;
    s.maxDatagram = 0;
}

std::string SocketsLibrary::description() {
    return state().description;
}

std::string SocketsLibrary::status() {
    return state().status;
}

int32_t SocketsLibrary::maxSockets() {
    return state().maxSockets;
}

int32_t SocketsLibrary::maxDatagram() {
    return state().maxDatagram;
}

} // namespace Platform::Sockets
