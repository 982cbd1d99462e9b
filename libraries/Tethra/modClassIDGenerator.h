#pragma once
// Numbers the instances of each class for diagnostics: the first of a class
// gets 1, the next 2, and numbers are never given back.
#include <cstdint>
#include <string_view>

namespace Tethra::modClassIDGenerator {

int32_t NextInstanceID(std::string_view ClassName);

} // namespace Tethra::modClassIDGenerator
