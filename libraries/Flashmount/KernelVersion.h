#pragma once
// Version values of kernels and printers as the firmware loader compares them.
#include <string>
#include <string_view>

namespace Flashmount {

// The kernel's version from its identifier, in the form "#.#0": the digits
// and points of the identifier, read as far as they make one number
// ("Rubric 8.10.2" gives "8.10", "RB 10.1" gives "10.10").
std::string KernelVersion(std::string_view identifier);

// The whole-number part of the number a version text begins with; 0 for
// a text that begins with none.
double WholeVersion(std::string_view version);

} // namespace Flashmount
