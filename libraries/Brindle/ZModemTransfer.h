#pragma once
// A file over a serial connection by ZModem: 8 data bits needed; an abort
// writes ten CAN and ten BS characters.
#include "Brindle/SerialTransfer.h"
#include "automation/Variant.h"

namespace Brindle {

class ZModemTransfer : public SerialTransfer {
public:
    static constexpr Automation::ClassInfo classInfo{"{4A7C9E12-6B3D-4F85-A2C1-8D0E3F5B7A69}",
                                                     "Brindle.ZModemTransfer",
                                                     "{5B8DAF23-7C4E-4096-B3D2-9E1F406C8B7A}"};
    ZModemTransfer();
    Automation::Variant ClassDebugID() const { return Automation::Variant(instanceId_); }

private:
    int32_t instanceId_;
};

} // namespace Brindle
