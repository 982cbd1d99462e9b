#pragma once
// A printer on a COM port.
#include <cstdint>

#include "Renova/IPrinter.h"
#include "automation/Object.h"

namespace Renova {

class SerialPrinter : public Automation::Object, public IPrinter {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E1B7C52-90A4-4D18-B6E3-5F2A8C0D71E9}",
                                                     "Renova.SerialPrinter",
                                                     "{A4F20D36-7B91-4C5E-8D03-1E6B9F2C47A8}"};

    int32_t ConnectionType() const override { return PCT_Serial; }
    // The COM port number.
    int32_t Port() const { return port_; }
    void setPort(int32_t value) { port_ = value; }

private:
    int32_t port_ = 0;
};

} // namespace Renova
