#pragma once
// A printer reached over TCP through its print server.
#include <cstdint>
#include <string>

#include "Renova/IPrinter.h"
#include "automation/Object.h"

namespace Renova {

class NetworkPrinter : public Automation::Object, public IPrinter {
public:
    static constexpr Automation::ClassInfo classInfo{"{C72E4A19-5D03-4B86-9F1A-2B8E6D0C35F7}",
                                                     "Renova.NetworkPrinter",
                                                     "{5B9D1F84-E2C6-4A07-B3D5-7C0A4E8F1926}"};

    int32_t ConnectionType() const override { return PCT_Network; }
    // Dotted address.
    const std::string& IPAddress() const { return ipAddress_; }
    void setIPAddress(std::string value) { ipAddress_ = std::move(value); }
    // TCP port of the printer's command channel.
    int32_t IPPort() const { return ipPort_; }
    void setIPPort(int32_t value) { ipPort_ = value; }

private:
    std::string ipAddress_;
    int32_t ipPort_ = 0;
};

} // namespace Renova
