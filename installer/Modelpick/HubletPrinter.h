#pragma once
// A read-only view of one found print server: every property reads the
// finder's entry at the time of the call.
#include <cstdint>
#include <string>

#include "Beaconet/HBPrinter.h"
#include "automation/Object.h"

namespace Modelpick {

class HubletPrinter : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{AEDFF2A3-D97A-4B8A-B6B1-3DAB65C8B13E}",
                                                     "Modelpick.HubletPrinter",
                                                     "{38065CFA-452F-4E2D-9140-7815A06A758A}"};

    const std::string& IPAddress() const { return source_->IPAddress(); }
    // 32 bits, so that a print server above port 32767 can be listed; a
    // port text that is no number raises 13.
    int32_t Port() const;
    const std::string& Name() const { return source_->PrinterName(); }
    // enumSysStatus
    int32_t Status() const { return source_->SysStatus(); }
    const std::string& Model() const { return source_->Model(); }
    bool ReverseTelnetOption() const { return source_->RevTelnetOptionEnabled(); }
    const std::string& MCSVersion() const { return source_->MCSVersion(); }
    const std::string& HostNetwork() const { return source_->BelongToSubnet(); }

    // Inside the library.
    const Automation::Ref<Beaconet::HBPrinter>& Source() const { return source_; }
    void setSource(const Automation::Ref<Beaconet::HBPrinter>& source) { source_ = source; }
    // "Unknown" ... "Setup" for statuses 1 to 8, else empty.
    std::string StatusText() const;

private:
    Automation::Ref<Beaconet::HBPrinter> source_;
};

} // namespace Modelpick
