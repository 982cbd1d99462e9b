#pragma once
// One address of the list of networks to sweep, with the request index that
// marks the requests sent to it.
#include <cstdint>
#include <string>

#include "automation/Object.h"

namespace Beaconet {

class Networks;

class Network : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E05}",
                                                     "Beaconet.Network",
                                                     "{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E06}"};

    const std::string& IPAddress() const { return ipAddress_; }
    void setIPAddress(const std::string& value) { ipAddress_ = value; }
    // The address as ConvertIPToLong reads it.
    int32_t GetIPAsLong() const;

    int32_t RequestIndex() const { return requestIndex_; }

private:
    friend class Networks;
    std::string ipAddress_;
    int32_t requestIndex_ = 0;
};

} // namespace Beaconet
