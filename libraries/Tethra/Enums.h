#pragma once
// The enumerations the library exports. The serial line's handshake and the
// serial transfer protocols and states are the control's own, shared here.
#include <cstdint>

#include "serial/SerialEnums.h"

namespace Tethra {

// Scoped, because the placeholder port class is also called DummyPort.
enum class enumPortTypes : int32_t {
    NoPort = 0,
    SerialPort = 1,
    NetWorkPort = 2,
    USBPort = 3,
    DummyPort = 9,
};

enum enumCommPorts : int32_t {
    com1 = 1,
    com2,
    com3,
    com4,
    com5,
    com6,
    com7,
    com8,
    com9,
    com10,
    com11,
    com12,
    com13,
    com14,
    com15,
    com16,
};

enum enumBaudRates : int32_t {
    Baud_2400 = 2400,
    Baud_4800 = 4800,
    Baud_9600 = 9600,
    Baud_19200 = 19200,
    Baud_38400 = 38400,
    Baud_57600 = 57600,
    Baud_115200 = 115200,
};

enum enumParities : int32_t {
    Parity_None = 1,
    Parity_Even = 2,
    Parity_Odd = 3,
    Parity_Mark = 4,
    Parity_Space = 5,
};

enum enumDataBits : int32_t {
    Data_7 = 7,
    Data_8 = 8,
};

enum enumStopBits : int32_t {
    Stop_1 = 1,
    Stop_2 = 2,
};

using Platform::Serial::enumHandshakeOptions;
using enum Platform::Serial::enumHandshakeOptions;

enum enumLineBreakTypes : int32_t {
    LineBreakNone = 0,
    LineBreakCR = 1,
    LineBreakLF = 2,
    LineBreakCRLF = 3,
};

enum enumPortStatus : int32_t {
    PortIsOpen = 1,
    PortIsClosed = 0,
};

enum enumFileTransferProtocols : int32_t {
    FileTransferProtocol_KERMIT = 6,
    FileTransferProtocol_ZModem = 5,
    FileTransferProtocol_RawTCP = 100,
    FileTransferProtocol_FTP = 101,
};

enum enumFileTransferStatus : int32_t {
    FileTransfer_Failure = -1,
    FileTransfer_Success = 0,
    FileTransfer_WaitForFile = 1,
    FileTransfer_Prepare = 2,
    FileTransfer_Starting = 3,
    FileTransfer_Transferring = 4,
    FileTransfer_FileAbort = 5,
    FileTransfer_TransferAbort = 6,
    FileTransfer_EndOfFile = 7,
};

enum enumStdioOptions : int32_t {
    Stdio_CONSOLE = 0,
    Stdio_UART1 = 1,
    Stdio_UART2 = 2,
    Stdio_UART3 = 3,
    Stdio_CENTRONICS = 4,
    Stdio_NET1 = 5,
    Stdio_USB1 = 6,
};

using Platform::Serial::enumSerialFTProtocols;
using enum Platform::Serial::enumSerialFTProtocols;
using Platform::Serial::enumSerialFTStatus;
using enum Platform::Serial::enumSerialFTStatus;

} // namespace Tethra
