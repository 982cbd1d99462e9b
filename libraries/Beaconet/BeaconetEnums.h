#pragma once
// The enumerations that the finder's clients use.
#include <cstdint>

namespace Beaconet {

enum enumSysStatus : int32_t {
    SS_Unknown = 1,
    SS_Other = 2,
    SS_Running = 3,
    SS_Idle = 4,
    SS_Warning = 5,
    SS_Testing = 6,
    SS_Down = 7,
    SS_Setup = 8,
};

enum enumRevTelnet : int32_t {
    RT_off = 1,
    RT_ON = 2,
};

enum enumObjID : int32_t {
    OI_bcpRubCommStdIn = 1,
    OI_bcpInterPVersion = 2,
    OI_bcpRubModes = 3,
    OI_bcpRubCommStdIOSetting = 4,
    OI_bcpSysStatus = 5,
};

} // namespace Beaconet
