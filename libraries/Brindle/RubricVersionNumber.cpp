#include "Brindle/RubricVersionNumber.h"

#include <cmath>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Brindle {

namespace {
constexpr RubricVersionNumber v614{614}, v700{700}, v762{762}, v800{800}, v1000{1000};
}

RubricVersionNumber RubricVersionNumber::FromText(std::string_view versionText) {
    std::string s(versionText);
    // Pre-release words are cut off first, so that "Beta 3" adds no digit.
    if (Automation::like(s, "Rubric*#.#*Alpha*"))
        s = s.substr(0, s.find("Alpha"));
    else if (Automation::like(s, "Rubric*#.#*Beta*"))
        s = s.substr(0, s.find("Beta"));
    std::string kept;
    for (char c : s)
        if ((c >= '0' && c <= '9') || c == '.')
            kept += c;
    double value = Automation::val(kept);
    // Two decimals, as the text form shows them; absurd values read as unknown.
    if (!(value >= 0 && value < 1e6))
        return {};
    return RubricVersionNumber(static_cast<int32_t>(std::llround(value * 100)));
}

std::string RubricVersionNumber::Text() const {
    return Automation::format(hundredths_ / 100.0, "#.#0");
}

RubricVersionNumber::Dialect RubricVersionNumber::CommandDialect() const {
    if (*this >= v700)
        return Dialect::Shell;
    if (*this >= v614)
        return Dialect::Basic;
    return Dialect::None;
}

bool RubricVersionNumber::TracksLegacyMode() const {
    return *this >= v800;
}

bool RubricVersionNumber::NeedsNetworkPackageDelay() const {
    return *this >= v700 && *this < v800;
}

enumHardwareOptions RubricVersionNumber::NetworkCardOption() const {
    if (*this >= v1000)
        return HardwareOption_HubletN3;
    if (*this >= v800)
        return HardwareOption_HubletK1x;
    if (*this >= v700)
        return HardwareOption_HubletK1;
    return HardwareOption_None;
}

bool RubricVersionNumber::ReportsDebugger() const {
    return *this >= v762;
}

} // namespace Brindle
