#pragma once
// What the printer's configuration probes report.
#include <cstdint>

namespace Brindle {

// Flags, combined by addition.
enum enumHardwareOptions : int32_t {
    HardwareOption_None = 0,
    HardwareOption_DuelRS232 = 1,
    HardwareOption_RS485 = 2,
    HardwareOption_HubletK1 = 4,
    HardwareOption_HubletK1x = 8,
    HardwareOption_IndustrialIF = 16,
    HardwareOption_Centronics = 32,
    HardwareOption_HubletN3 = 64,
    HardwareOption_200DPI = 1024,
    HardwareOption_300DPI = 2048,
    HardwareOption_400DPI = 4096,
};

enum enumMemoryTypes : int32_t {
    MemoryType_Rom = 0,
    MemoryType_flash = 1,
    MemoryType_ram = 2,
    MemoryType_card1 = 3,
};

} // namespace Brindle
