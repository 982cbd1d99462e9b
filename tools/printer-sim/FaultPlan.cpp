#include "FaultPlan.h"

namespace PrinterSim {

std::optional<Fault> FaultPlan::take(Fault::Kind kind) {
    for (qsizetype i = 0; i < faults_.size(); ++i) {
        if (faults_[i].kind != kind)
            continue;
        const Fault fault = faults_[i];
        if (fault.once)
            faults_.removeAt(i);
        return fault;
    }
    return std::nullopt;
}

bool FaultPlan::has(Fault::Kind kind) const {
    for (const Fault& fault : faults_)
        if (fault.kind == kind)
            return true;
    return false;
}

void FaultPlan::clear(Fault::Kind kind) {
    faults_.removeIf([kind](const Fault& f) { return f.kind == kind; });
}

} // namespace PrinterSim
