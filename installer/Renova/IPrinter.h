#pragma once
// The printer an installation job is for: on a serial port or on the network.
#include <cstdint>

namespace Renova {

enum enumPrinterConnectionType : int32_t { PCT_Serial = 1, PCT_Network = 2 };

class IPrinter {
public:
    virtual ~IPrinter() = default;

    // 1 for a serial target, 2 for a network target.
    virtual int32_t ConnectionType() const = 0;
};

} // namespace Renova
