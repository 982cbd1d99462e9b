#include "sockets/DottedAddress.h"

#include <arpa/inet.h>

namespace Platform::Sockets {

std::optional<uint32_t> parseDottedAddress(const std::string& text) {
    in_addr address{};
    if (inet_aton(text.c_str(), &address) == 0)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::string dottedAddressText(uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24)
            text += '.';
        text += std::to_string((address >> shift) & 0xFF);
    }
    return text;
}

} // namespace Platform::Sockets
