#pragma once
// The faults selected for one printer; "once" faults are spent by their first use.
#include <QList>
#include <optional>

#include "Fault.h"

namespace PrinterSim {

class FaultPlan {
public:
    FaultPlan() = default;
    FaultPlan(std::initializer_list<Fault> faults) : faults_(faults) {}

    void add(const Fault& fault) { faults_.append(fault); }
    // The selected fault of that kind, when there is one; a once fault is
    // removed as it is taken.
    std::optional<Fault> take(Fault::Kind kind);
    // Whether a fault of that kind is selected (without spending it).
    bool has(Fault::Kind kind) const;
    // Removes every fault of that kind.
    void clear(Fault::Kind kind);

private:
    QList<Fault> faults_;
};

} // namespace PrinterSim
