#include "Beaconet/INotify.h"

namespace Beaconet {

void INotify::PrinterFound(int32_t, const Automation::Ref<HBPrinters>&) {}
void INotify::PrinterSelected(const std::string&, const std::string&) {}
void INotify::NewPrinter(const Automation::Ref<HBPrinter>&) {}
void INotify::SNMPTrap(const std::string&, const std::string&, const std::string&, int16_t, int32_t, int64_t,
                       const std::string&, int32_t) {}
void INotify::Progress(int32_t) {}
void INotify::RevTelnetOptChanged(const std::string&, int32_t, bool) {}

} // namespace Beaconet
