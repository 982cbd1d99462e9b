#pragma once
// What the interpreter needs of the link that carries it.
#include <QByteArray>

namespace PrinterSim {

class Host {
public:
    virtual ~Host() = default;
    // Bytes the printer sends to the host, in order.
    virtual void write(const QByteArray& bytes) = 0;
    // REBOOT: the link goes down; the host brings the printer back later.
    virtual void reboot() = 0;
    // Starts (ms > 0) or stops (0) the time-out of a program that reads raw
    // input; when it runs out the host calls Interpreter::inputTimedOut.
    virtual void armInputTimer(int ms) = 0;
};

} // namespace PrinterSim
