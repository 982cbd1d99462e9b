#pragma once
// The kernel families a firmware scan admits, as bit flags that add up.
#include <cstdint>

namespace Scoutel {

enum enumFirmwareFilter : int32_t {
    FF_Rubric_8 = 1,
    FF_Rubric_7 = 2,
    FF_Rubric_10 = 4,
    FF_All_Rubric = 7,
    FF_Tessel_2 = 8,
    FF_All = 15
};

} // namespace Scoutel
