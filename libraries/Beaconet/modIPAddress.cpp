#include "Beaconet/modIPAddress.h"

#include <vector>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Beaconet {

namespace {

constexpr const char* Source = "Beaconet";

std::vector<std::string_view> splitAtDots(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        size_t dot = text.find('.');
        parts.push_back(text.substr(0, dot));
        if (dot == std::string_view::npos)
            return parts;
        text.remove_prefix(dot + 1);
    }
}

// Digits only, without a leading zero: socket libraries read "010" as octal 8
// and "08" as a host name, so such a part would not mean what it says.
bool plainDecimal(std::string_view part) {
    if (part.empty() || (part.size() > 1 && part[0] == '0'))
        return false;
    for (char c : part)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The value of a part of digits, stopping above 255 so that long parts cannot overflow.
int32_t partValue(std::string_view digits) {
    int32_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 255)
            return 256;
    }
    return value;
}

} // namespace

int32_t ConvertIPToLong(std::string_view sIPAddress) {
    auto parts = splitAtDots(sIPAddress);
    uint32_t address = 0;
    for (size_t i = 0; i < 4; ++i) {
        auto number = i < parts.size() ? Automation::parseNumber(parts[i]) : std::nullopt;
        if (!number)
            Automation::raise(Automation::RuntimeError::TypeMismatch, Source);
        int32_t part = Automation::toLong(*number);
        if (part < 0 || part > 255)
            Automation::raise(Automation::RuntimeError::Overflow, Source);
        address = (address << 8) | static_cast<uint32_t>(part);
    }
    return static_cast<int32_t>(address);
}

std::string ConvertLongToIP(int32_t lngIP) {
    auto address = static_cast<uint32_t>(lngIP);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty())
            text += '.';
        text += std::to_string((address >> shift) & 0xFF);
    }
    return text;
}

std::string NormaliseNetworkAddress(std::string_view text) {
    auto parts = splitAtDots(text);
    parts.resize(4);
    std::string address;
    for (std::string_view part : parts) {
        if (!address.empty())
            address += '.';
        if (part.empty() || part == "*") {
            address += "255";
            continue;
        }
        if (!plainDecimal(part) || partValue(part) > 255)
            Automation::raise(30000, "CHBsnmp:IsValidIP", "IP address is not valid");
        address += part;
    }
    return address;
}

} // namespace Beaconet
