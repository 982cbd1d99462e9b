#include "Fault.h"

#include <QStringList>

namespace PrinterSim {

QStringList Fault::names() {
    return {"delayed-reply",        "split-reply",
            "unfinished-reply",     "no-reply",
            "garbage-before-reply", "stray-soh",
            "xoff-in-reply",        "duplicate-reply",
            "stale-reply",          "dropped-link",
            "hello-needs-break",    "peer-killed",
            "line-drops-bytes",     "line-flips-bits",
            "slow-reboot",          "stdio-unanswered",
            "readback-unfinished",  "readback-lacks-line",
            "line-sets-bit7",       "flakef-fails",
            "slow-flakef",          "readback-repeats-line"};
}

QString Fault::nameOf(Kind kind) {
    return names().at(kind);
}

std::optional<Fault> Fault::parse(const QString& text) {
    Fault fault;
    QString rest = text.trimmed();
    if (rest.endsWith(QStringLiteral(":once"))) {
        fault.once = true;
        rest.chop(5);
    }
    const qsizetype at = rest.indexOf('@');
    if (at >= 0) {
        bool ok = false;
        fault.param = rest.mid(at + 1).toInt(&ok);
        if (!ok || fault.param < 0)
            return std::nullopt;
        rest.truncate(at);
    }
    const qsizetype index = names().indexOf(rest);
    if (index < 0)
        return std::nullopt;
    fault.kind = static_cast<Kind>(index);
    return fault;
}

} // namespace PrinterSim
