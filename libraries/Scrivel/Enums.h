#pragma once
// The meanings of a package's requirement values, as the package document stores them.
#include <cstdint>

namespace Scrivel {

enum enumInterfaceCards : int32_t {
    Hublet = 1,
    Industrial = 2,
    Dual_RS232 = 4,
    Parallel = 16,
    MSDOS_CARD = 32
};
enum enumPrinterModels : int32_t {
    PM_Trell = 1,
    PM_Ganwy = 2,
    PM_Ravo = 4,
    PM_Sileq = 8,
    PM_Kelbo = 16,
    PM_Dunmar = 32,
    PM_Hosk = 64,
    PM_Vindle = 128,
    PM_Quorl = 256,
    PM_Zephan = 512
};
enum enumDistribution : int32_t { Flash_only = 1, KSPackage = 2 };
enum enumTPHResolutions : int32_t { TPH_203dpi = 1, TPH_305dpi = 2, TPH_203dpi_AND_305dpi = 3 };
enum enumFormatOptions : int32_t { FO_None = 0, FO_flash = 1, FO_Card = 2 };

// The library's own error number for a package document it cannot take.
inline constexpr int32_t ScrivelError = 9999;

} // namespace Scrivel
