#pragma once
// The parity letters of the serial settings text.
#include <cstdint>
#include <string>
#include <string_view>

namespace Tethra::modGlobal {

// N, E, O, M or S for 1 to 5; 0 is taken as 1 and stored back. Any other
// value raises 9 (subscript out of range).
std::string ParityLetter(int32_t& Parity);
// The inverse, without regard to case; 0 for any other text.
int32_t ParityFromLetter(std::string_view Letter);

} // namespace Tethra::modGlobal
