#include "serial/ComPorts.h"

#include "seams/Seams.h"
#include "serial/SerialDevice.h"

namespace Platform::Serial {

std::string comPortDevice(int32_t portNumber) {
    return Seams::comDevicePath(portNumber);
}

bool comPortAvailable(int32_t portNumber) {
    if (portNumber < 1)
        return false;
    SerialDevice device;
    return device.open(comPortDevice(portNumber)) == 0;
}

uint32_t comPortModemStatus(int32_t portNumber) {
    if (portNumber < 1)
        return 0;
    SerialDevice device;
    if (device.open(comPortDevice(portNumber)) != 0)
        return 0;
    return device.modemStatus().value_or(0);
}

} // namespace Platform::Serial
