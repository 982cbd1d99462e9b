#pragma once
// IPv4 addresses as the finder and its network list read and write them.
#include <cstdint>
#include <string>
#include <string_view>

namespace Beaconet {

// The four parts of a dotted address as one Long, the first part the most
// significant byte (so 128.x.y.z and above are negative). A missing part or
// one that is not a number raises 13, a number outside 0 to 255 raises 6.
int32_t ConvertIPToLong(std::string_view sIPAddress);
// The inverse: four decimal parts without leading zeros.
std::string ConvertLongToIP(int32_t lngIP);

// A network address as the list keeps it: cut or padded to four parts, an
// empty part or "*" standing for 255, every other part decimal digits without
// a leading zero worth at most 255. Anything else raises 30000
// "IP address is not valid" (source "CHBsnmp:IsValidIP").
std::string NormaliseNetworkAddress(std::string_view text);

} // namespace Beaconet
