#include "Tethra/modGlobal.h"

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Tethra::modGlobal {

namespace {

constexpr std::string_view Letters = "NEOMS";

} // namespace

std::string ParityLetter(int32_t& Parity) {
    if (Parity == 0)
        Parity = 1;
    if (Parity < 1 || Parity > static_cast<int32_t>(Letters.size()))
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {},
                          "Subscript out of range: parity " + std::to_string(Parity) + " (1 to 5)");
    return std::string(1, Letters[static_cast<size_t>(Parity - 1)]);
}

int32_t ParityFromLetter(std::string_view Letter) {
    for (size_t i = 0; i < Letters.size(); ++i)
        if (Automation::equalsText(Letter, Letters.substr(i, 1)))
            return static_cast<int32_t>(i + 1);
    return 0;
}

} // namespace Tethra::modGlobal
