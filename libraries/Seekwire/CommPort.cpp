#include "Seekwire/CommPort.h"

#include "serial/ComPorts.h"
#include "serial/SerialDevice.h"

namespace Seekwire {

bool CommPort::IsClearToSend() const {
    return (Platform::Serial::comPortModemStatus(number_) & Platform::Serial::ModemStatus_CTS) != 0;
}

bool CommPort::IsDataSetReady() const {
    return (Platform::Serial::comPortModemStatus(number_) & Platform::Serial::ModemStatus_DSR) != 0;
}

} // namespace Seekwire
