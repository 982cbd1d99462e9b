#pragma once
// The enumerations of the serial line and its file transfers, shared by the
// control and by everything that drives it, under the names its callers use.
#include <cstdint>

namespace Platform::Serial {

// Handshaking values.
enum enumHandshakeOptions : int32_t {
    HandShake_None = 0,
    HandShake_Software = 1,
    HandShake_Hardware = 2,
    HandShake_Both = 3,
};

// XferProtocol values.
enum enumSerialFTProtocols : int32_t {
    SerialFTProtocol_KERMIT = 6,
    SerialFTProtocol_ZModem = 5,
};

// XferStatus values.
enum enumSerialFTStatus : int32_t {
    SerialFTStatus_Failure = -1,
    SerialFTStatus_Success = 0,
    SerialFTStatus_WaitForFile = 1,
    SerialFTStatus_Prepare = 2,
    SerialFTStatus_Starting = 3,
    SerialFTStatus_Transferring = 4,
    SerialFTStatus_FileAbort = 5,
    SerialFTStatus_TransferAbort = 6,
    SerialFTStatus_EndOfFile = 7,
};

} // namespace Platform::Serial
