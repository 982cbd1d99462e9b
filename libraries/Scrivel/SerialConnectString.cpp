#include "Scrivel/SerialConnectString.h"

#include <vector>

#include "Scrivel/Enums.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "automation/Variant.h"

namespace Scrivel {

std::string SerialConnectString::Connectstring() const {
    return std::to_string(baudRate_) + "," + std::to_string(parity_) + "," + std::to_string(dataBits_) + "," +
           std::to_string(stopBits_);
}

void SerialConnectString::setConnectstring(std::string_view value) {
    std::vector<std::string_view> fields = Automation::split(value, ',');
    if (fields.size() < 4)
        Automation::raise(ScrivelError, "Scrivel", "ConnectString not valid");
    int32_t* targets[] = {&baudRate_, &parity_, &dataBits_, &stopBits_};
    for (size_t i = 0; i < 4; ++i)
        *targets[i] = Automation::Variant(fields[i]).toLong();
}

} // namespace Scrivel
