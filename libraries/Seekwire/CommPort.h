#pragma once
// One COM port of the PC as CommPorts lists it: its number, whether the
// caller's own serial wrapper holds it, and its CTS and DSR lines.
#include <cstdint>
#include <string>

#include "automation/Object.h"

namespace Seekwire {

class CommPort : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F31}",
                                                     "Seekwire.CommPort",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F32}"};

    int32_t Number() const { return number_; }
    bool UsedByMe() const { return usedByMe_; }
    // "com3:" for port 3.
    std::string Name() const { return "com" + std::to_string(number_) + ":"; }
    // The lines are read by opening the port afresh, so a port that someone
    // holds reads as both off.
    bool IsClearToSend() const;
    bool IsDataSetReady() const;

    // Set only by CommPorts.
    void SetNumber(int32_t value) { number_ = value; }
    void SetUsedByMe(bool value) { usedByMe_ = value; }

private:
    int32_t number_ = 0;
    bool usedByMe_ = false;
};

} // namespace Seekwire
