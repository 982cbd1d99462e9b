#pragma once
// One misbehaviour that a test asks of the simulated printer, by name. Each
// fault acts on every reply (or transfer) while it is selected, or only on the
// first one and then the printer recovers ("once").
#include <QString>
#include <optional>

namespace PrinterSim {

struct Fault {
    enum Kind {
        DelayedReply,       // the reply leaves after `param` ms (default 1500)
        SplitReply,         // the reply leaves in two pieces, cut after byte `param`, 300 ms apart
        UnfinishedReply,    // the reply stops after byte `param` (default: half) and never ends
        NoReply,            // no byte of the reply leaves at all
        GarbageBeforeReply, // bytes that belong to no frame come first
        StraySoh,           // a lone SOH with a few bytes comes first
        XoffInReply,        // an XOFF stands inside the reply text
        DuplicateReply,     // the reply leaves twice
        StaleReply,         // the previous reply leaves again before this one
        DroppedLink,        // the link is closed after byte `param` of the reply (default: half)
        HelloNeedsBreak,    // nothing is answered until the break string has arrived
        PeerKilled,         // a ZModem or Kermit peer is killed in the middle of a transfer
        LineDropsBytes,     // the serial line loses every 50th byte the printer sends
        LineFlipsBits,      // the serial line flips a bit of every 50th byte the printer sends
        SlowReboot,         // REBOOT keeps the printer away for `param` ms (default 20000)
        StdioUnanswered,    // the channel probe (SOH "STDIO:" and the digit) is not answered
        ReadbackUnfinished, // the setup read-back's end marker (ETX "END" EOT) never leaves
        ReadbackLacksLine,  // the read-back lacks the line of serial key `param` (1-7, default 3)
        LineSetsBit7,       // the serial line sets bit 7 of every byte the printer sends
        FlakefFails,        // flakef stores nothing and fails with "Device full"
        SlowFlakef, // flakef takes `param` ms (default 3000): its reply's head leaves at once, the rest then
        ReadbackRepeatsLine, // the read-back ends with the line of serial key `param` (1-7, default 1) again,
                             // value 0
    };

    Kind kind = DelayedReply;
    bool once = false;
    int param = -1;

    // "delayed-reply", "split-reply@5", "no-reply:once", "delayed-reply@800:once".
    static std::optional<Fault> parse(const QString& text);
    // The name of a kind as parse reads it.
    static QString nameOf(Kind kind);
    // Every name, in the order of Kind.
    static QStringList names();
};

} // namespace PrinterSim
