#pragma once
// Probing COM ports without keeping them: COMn is the device that the seams
// map it to (KESTRUP_COM_DIR/COMn, else /dev/ttyS(n-1)).
#include <cstdint>
#include <string>

namespace Platform::Serial {

// The device that stands for COMn.
std::string comPortDevice(int32_t portNumber);
// True when COMn exists and nobody holds it; it is closed again at once.
bool comPortAvailable(int32_t portNumber);
// The modem status of COMn (ModemStatus_* bits of SerialDevice.h), read by
// opening it afresh; 0 when it cannot be opened or has no modem lines.
uint32_t comPortModemStatus(int32_t portNumber);

} // namespace Platform::Serial
