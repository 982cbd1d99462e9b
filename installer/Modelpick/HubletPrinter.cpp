#include "Modelpick/HubletPrinter.h"

#include <array>

#include "automation/Variant.h"

namespace Modelpick {

int32_t HubletPrinter::Port() const {
    return Automation::Variant(source_->IPPort()).toLong();
}

std::string HubletPrinter::StatusText() const {
    static constexpr std::array<const char*, 8> texts{"Unknown", "Other",   "Running", "Idle",
                                                      "Warning", "Testing", "Down",    "Setup"};
    const int32_t status = Status();
    return status >= 1 && status <= 8 ? texts[static_cast<size_t>(status - 1)] : "";
}

} // namespace Modelpick
