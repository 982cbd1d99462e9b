#include "Flashmount/KernelVersion.h"

#include <algorithm>
#include <cmath>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Flashmount {

std::string KernelVersion(std::string_view identifier) {
    std::string kept;
    std::copy_if(identifier.begin(), identifier.end(), std::back_inserter(kept),
                 [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    std::string version = Automation::format(Automation::val(kept), "#.#0");
    // A locale with a decimal comma must still give a point.
    std::replace(version.begin(), version.end(), ',', '.');
    return version;
}

double WholeVersion(std::string_view version) {
    return std::floor(Automation::val(version));
}

} // namespace Flashmount
