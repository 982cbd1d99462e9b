#pragma once
// The PC's COM ports that can be opened now, in ascending order, keyed by
// their names ("com1:").
#include <cstdint>

#include "Seekwire/CommPort.h"
#include "Tethra/SerCommWrapper.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Ref.h"
#include "automation/Variant.h"

namespace Seekwire {

class CommPorts : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F33}",
                                                     "Seekwire.CommPorts",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F34}"};

    CommPorts() = default;
    CommPorts(const CommPorts&) = delete;
    CommPorts& operator=(const CommPorts&) = delete;

    // Lists FirstPort to LastPort: each port that opens now, and the port of
    // CommPortUsedByMe (which its holder keeps open) without trying it.
    void Enumerate(int32_t FirstPort, int32_t LastPort,
                   const Automation::Ref<Tethra::SerCommWrapper>& CommPortUsedByMe = nullptr);
    void Clear();
    // By 1-based index or by name.
    Automation::Ref<CommPort> Item(const Automation::Variant& vntIndexKey) const;
    int32_t Count() const { return ports_.Count(); }
    // NewEnum
    auto begin() const { return ports_.begin(); }
    auto end() const { return ports_.end(); }

private:
    void add(int32_t number, bool usedByMe);

    Automation::Collection<Automation::Ref<CommPort>> ports_;
};

} // namespace Seekwire
