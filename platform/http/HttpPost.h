#pragma once
// One HTTP POST and its answer's status, for the print server's break
// endpoint. It goes straight to the host (never through a proxy), follows
// no redirect, sends to the port that Seams::httpPort() names and only
// where the loopback guard allows, and gives up after its time-out.
// It never raises: a failure only shows in the result.
#include <cstdint>
#include <string>

namespace Platform {

inline constexpr int32_t HttpPostTimeoutMs = 2000;

// Posts `body`, as given, as a form body to http://host:port/path and waits,
// pumping events, for the answer or the time-out. Returns the answer's
// status code, or 0 when none came (refused by the guard, no server, no
// answer in time).
int32_t HttpPost(const std::string& host, const std::string& path, const std::string& body,
                 int32_t timeoutMs = HttpPostTimeoutMs);

} // namespace Platform
