#pragma once
// What the interpreter needs of the link that carries it.
#include <QByteArray>
#include <functional>
#include <optional>

#include "Fault.h"

namespace PrinterSim {

// One file that a protocol program carries over the line (TRANSFER, sz).
struct Handover {
    enum Protocol { ZModem, Kermit };
    Protocol protocol = ZModem;
    // True: the printer sends `data` as `name`; false: it receives one file.
    bool send = false;
    QByteArray name;
    QByteArray data;
};

class Host {
public:
    // Whether the transfer succeeded and, when the printer received, the file.
    using HandoverDone = std::function<void(bool ok, const QByteArray& received)>;

    virtual ~Host() = default;
    // Bytes the printer sends to the host, in order.
    virtual void write(const QByteArray& bytes) = 0;
    // REBOOT: the link goes down; the host brings the printer back later.
    virtual void reboot() = 0;
    // Starts (ms > 0) or stops (0) the time-out of a program that reads raw
    // input; when it runs out the host calls Interpreter::inputTimedOut.
    virtual void armInputTimer(int ms) = 0;
    // Hands the line to a protocol program for one file; `done` is called
    // once the printer has the line back. False when the link cannot carry
    // such a transfer.
    virtual bool handOver(const Handover& handover, HandoverDone done) = 0;
    // The selected fault of that kind, if any; a once fault is spent.
    virtual std::optional<Fault> takeFault(Fault::Kind kind) = 0;
    // The reply being printed leaves its head (through STX) at once and the
    // rest `ms` later, as from a command that runs long.
    virtual void stallReply(int ms) = 0;
};

} // namespace PrinterSim
