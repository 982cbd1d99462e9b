#pragma once
// IPv4 addresses as dotted text. Text is read as inet_aton reads it (so
// "127.1" and "0x7f.0.0.1" are addresses too) and never handed to the resolver.
#include <cstdint>
#include <optional>
#include <string>

namespace Platform::Sockets {

// The address in host byte order; nothing when the text is no address.
std::optional<uint32_t> parseDottedAddress(const std::string& text);

// "a.b.c.d" of an address in host byte order.
std::string dottedAddressText(uint32_t address);

} // namespace Platform::Sockets
