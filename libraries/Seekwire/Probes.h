#pragma once
// The Rubric texts with which the connection search asks a printer whether
// it answers, on which serial channel it listens, and how that channel is set.
#include <string>
#include <string_view>

namespace Seekwire::Probes {

// DC1, then IMMEDIATE ON and a PRINT of SOH "Hello" STX; withInputOff sends
// INPUT OFF before IMMEDIATE ON.
std::string hello(bool withInputOff);
// What a printer prints in answer to the hello probe.
inline constexpr std::string_view HelloAnswer = "\x01Hello\x02";

// Maps character 0 to the digit of the channel that receives it, prints
// SOH "STDIO:", that character and the end marker, and clears the mapping.
std::string stdio();
// SOH "STDIO:"; the channel digit follows it.
inline constexpr std::string_view StdioAnswer = "\x01STDIO:";

// SETUP WRITE of the channel's settings to the channel itself, then the end
// marker; uart is "uart" or "UART".
std::string readBack(std::string_view uart, std::string_view channelDigit);

// ETX "END" EOT, printed after the channel probe and after the read-back.
inline constexpr std::string_view EndMarker = "\x03"
                                              "END\x04";

} // namespace Seekwire::Probes
