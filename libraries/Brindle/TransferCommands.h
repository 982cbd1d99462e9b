#pragma once
// The command lines that start the printer's side of a file transfer, and
// the version gates that choose the transfer. Every name is checked before
// it goes into Rubric text (101 with the caller's source).
#include <cstdint>
#include <string>
#include <string_view>

#include "Brindle/RubricVersionNumber.h"

namespace Brindle {

class TransferCommands {
public:
    // ZModem starts the printer's sz; Kermit its TRANSFER K, with the name unescaped.
    static std::string SerialDownload(bool zmodem, std::string_view source, const std::string& errorSource);
    static std::string SerialUpload(bool zmodem, std::string_view destination,
                                    const std::string& errorSource);
    // cat -B between the printed begin and end markers; the name unescaped.
    static std::string NetDownload(std::string_view source, const std::string& errorSource);
    // cat -S<seconds> -<length> ><destination>; seconds are the time-out
    // rounded half to even.
    static std::string NetUpload(int32_t cancelCatTimeoutMs, int64_t length, std::string_view destination,
                                 const std::string& errorSource);

    // The raw transfer needs cat's markers and -S, which 6.14 up to 7.32 lack.
    static bool NetworkTransferRefused(RubricVersionNumber version);
    // ZModem from 7.00 on at 8 data bits; Kermit otherwise.
    static bool UsesZModem(RubricVersionNumber version, int32_t dataBits);
    // Before 8.00 the printer needs a command after a serial upload to take
    // its command line back.
    static bool NeedsHelloAfterSerialUpload(RubricVersionNumber version);
};

} // namespace Brindle
