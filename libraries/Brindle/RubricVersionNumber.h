#pragma once
// The interpreter's version as a number, for the decisions that depend on it.
// Versions are compared as numbers, so 10.00 and later order above 8.00 and
// the versions below 6.14 stay below, whatever their texts sort like.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "Brindle/ConfigurationEnums.h"

namespace Brindle {

class RubricVersionNumber {
public:
    // Which dialect of commands a version understands: none of the printer
    // commands below 6.14, OPEN and FILES forms up to 7.00, the printer's
    // shell (RUN "df", RUN "cat", RUN "ll") from 7.00 on.
    enum class Dialect { None, Basic, Shell };

    constexpr RubricVersionNumber() = default;
    constexpr explicit RubricVersionNumber(int32_t hundredths) : hundredths_(hundredths) {}
    // Reads a version text such as "Rubric 8.10 Beta 3" or "V7.50a".
    static RubricVersionNumber FromText(std::string_view versionText);

    // The normalised "#.#0" form: "8.10", "7.50", "10.00".
    std::string Text() const;
    int32_t Hundredths() const { return hundredths_; }

    auto operator<=>(const RubricVersionNumber&) const = default;

    Dialect CommandDialect() const;
    // Whether a change of the legacy mode in a reply counts as a printer change.
    bool TracksLegacyMode() const;
    // Whether the network link needs a pause between the two packages of a frame.
    bool NeedsNetworkPackageDelay() const;
    // The print server card that a printer of this version with Ethernet carries.
    enumHardwareOptions NetworkCardOption() const;
    // Whether the interpreter can report its debugger (SYSVAR(36), LIST,B).
    bool ReportsDebugger() const;

private:
    int32_t hundredths_ = 0;
};

} // namespace Brindle
