#pragma once
// The sockets library as the process sees it. The original loaded Windows
// Sockets 1.1 from a configurable path; here the system's sockets are always
// there, so a load succeeds for the library's usual name "WSOCK32.DLL" (in
// any case) or for a path to an existing file, and fails as a missing
// library did otherwise. Loads are counted; the start-up data lives while
// one is held.
#include <cstdint>
#include <string>

namespace Platform::Sockets {

class SocketsLibrary {
public:
    static constexpr const char* DefaultPath = "WSOCK32.DLL";
    static constexpr std::size_t MaxPathLength = 200;

    // The path to load from; an empty one gives the default.
    static std::string path();
    static void setPath(const std::string& value);
    // The file that was loaded, or the path while nothing is.
    static std::string moduleFileName();

    // Takes one load; false (with the reason in description()) when the
    // library cannot be loaded.
    static bool load();
    // Gives back one load; the last one clears the start-up data.
    static void unload();

    // The start-up data: a description (or the reason a load failed), the
    // status ("Down" while not loaded), the most sockets and the largest datagram.
    static std::string description();
    static std::string status();
    static int32_t maxSockets();
    static int32_t maxDatagram();
};

} // namespace Platform::Sockets
