#pragma once
// The one place that reads the environment variables with which tests and the
// demo redirect the system's fixed destinations (broadcast address, SNMP and
// HTTP ports, COM devices, program folder) onto the loopback range.
#include <cstdint>
#include <optional>
#include <string>

struct sockaddr;

namespace Platform::Seams {

// The device that stands for COMn (1-based): KESTRUP_COM_DIR/COMn when that
// variable is set, else /dev/ttyS(n-1).
std::string comDevicePath(int32_t portNumber);
// The folder of KESTRUP_COM_DIR, when set.
std::optional<std::string> comDirectory();

// The address that replaces the limited broadcast 255.255.255.255.
std::string broadcastAddress();
// The destination ports that replace 161 and 80.
uint16_t snmpPort();
uint16_t httpPort();

// True when every destination outside loopback must be refused.
bool loopbackOnly();

// The loopback guard, used by every socket before a byte is sent: a resolved
// destination may be sent to unless loopbackOnly() holds and it is outside
// 127.0.0.0/8, ::1 and ::ffff:127.0.0.0/104.
bool destinationAllowed(const sockaddr* address);
// Resolves a host name or address text and judges what it resolves to.
// Returns the numeric address to connect to, or nothing when the guard
// refuses it (a name that does not resolve is refused too). Without the guard
// the host comes back as given, for the socket to resolve.
std::optional<std::string> guardedDestination(const std::string& host);

// The program folder: KESTRUP_HOME, else the executable's folder, else (when
// that is not writable) the per-user data folder.
std::string programFolder();

} // namespace Platform::Seams
