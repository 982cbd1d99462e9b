#pragma once
// The one place that reads the environment variables with which tests and the
// demo redirect the system's fixed destinations (broadcast address, SNMP and
// HTTP ports, COM devices, program folder) onto the loopback range.
#include <cstdint>
#include <optional>
#include <string>

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

// True when every destination outside 127.0.0.0/8 must be refused.
bool loopbackOnly();
// True when an IPv4 address in host byte order may be sent to.
bool destinationAllowed(uint32_t ipv4HostOrder);

// The program folder: KESTRUP_HOME, else the executable's folder, else (when
// that is not writable) the per-user data folder.
std::string programFolder();

} // namespace Platform::Seams
