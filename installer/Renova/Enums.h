#pragma once
// The kinds of installation job and the steps that a job announces and reports.
#include <cstdint>

namespace Renova {

enum enumInstalltionType : int32_t { IT_Firmware = 1, IT_Package = 2 };

enum enumActionID : int32_t {
    AI_Loading_Rbi = 1,
    AI_Loading_Uff = 2,
    AI_Connecting = 3,
    AI_VersionCheck = 4,
    AI_ReqCheck = 5,
    AI_SettingUser = 6,
    AI_Formatting = 7,
    AI_CreatingDirectories = 8,
    AI_CopyingFiles = 9,
    AI_UpdatingFirmware = 10,
    AI_Rebooting = 11,
    AI_Loading_Firmware_File = 12,
    AI_Finished = 99
};

} // namespace Renova
