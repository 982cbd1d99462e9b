#pragma once
// The columns the printer list can show, as a bit set.
#include <cstdint>

namespace Modelpick {

enum enumShowItems : int32_t {
    SI_Name = 1,
    SI_IP = 2,
    SI_Port = 4,
    SI_SysStatus = 8,
    SI_Model = 16,
    SI_Firmware = 32,
    SI_HostNet = 64,
    SI_RevTelnet = 128,
};

} // namespace Modelpick
