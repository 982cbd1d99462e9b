#pragma once
// What the picker lists.
#include <cstdint>

namespace Pickett {

enum enumInstallationType : int32_t {
    IT_Firmware_only = 1,
    IT_Package = 2,
};

} // namespace Pickett
