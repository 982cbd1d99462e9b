#pragma once
// The client of a finder: it hears of each print server as it answers, of
// the whole list at the end of a sweep, of the sweep's progress, of traps and
// of reverse-telnet changes. The class itself does nothing; clients override
// what they need.
#include <cstdint>
#include <string>

#include "automation/Ref.h"

namespace Beaconet {

class HBPrinter;
class HBPrinters;

class INotify {
public:
    virtual ~INotify() = default;

    virtual void PrinterFound(int32_t NumberOfPrinters, const Automation::Ref<HBPrinters>& oHBPrinters);
    // Declared for the clients' sake; the finder never calls it.
    virtual void PrinterSelected(const std::string& IPAddress, const std::string& IPPort);
    virtual void NewPrinter(const Automation::Ref<HBPrinter>& oPrinter);
    virtual void SNMPTrap(const std::string& Community, const std::string& Enterprise,
                          const std::string& AgentAddress, int16_t GenericType, int32_t SpecificType,
                          int64_t TimeStamp, const std::string& SourceAddress, int32_t SourcePort);
    virtual void Progress(int32_t lPercent);
    virtual void RevTelnetOptChanged(const std::string& IPAddress, int32_t Mode, bool Error);
};

} // namespace Beaconet
