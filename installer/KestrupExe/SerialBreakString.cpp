#include "KestrupExe/SerialBreakString.h"

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Kestrup {

std::string SerialBreakString::Connectstring() const {
    return std::to_string(baudrate_) + "," + std::to_string(parity_) + "," + std::to_string(databits_) + "," +
           std::to_string(stopbits_);
}

void SerialBreakString::setConnectstring(std::string_view value) {
    auto parts = Automation::split(value, ',');
    if (parts.size() < 4)
        Automation::raise(9999, "Kestrup", "ConnectString not valid");
    int32_t numbers[4];
    for (size_t i = 0; i < 4; ++i)
        numbers[i] = Automation::toLong(Automation::textToDouble(parts[i]));
    baudrate_ = numbers[0];
    parity_ = numbers[1];
    databits_ = numbers[2];
    stopbits_ = numbers[3];
}

} // namespace Kestrup
