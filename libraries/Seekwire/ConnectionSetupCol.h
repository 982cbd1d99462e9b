#pragma once
// Setups keyed by their Key, in the order they were added; a setup without a
// key gets one of its own ("Obj" and a number) as it is added.
#include <cstdint>

#include "Seekwire/IConnectionSetup.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Ref.h"
#include "automation/Variant.h"

namespace Seekwire {

class ConnectionSetupCol : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F45}",
                                                     "Seekwire.ConnectionSetupCol",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F46}"};

    ConnectionSetupCol() = default;
    ConnectionSetupCol(const ConnectionSetupCol&) = delete;
    ConnectionSetupCol& operator=(const ConnectionSetupCol&) = delete;

    // Never raises: a key that is held already leaves the collection as it was.
    Automation::Ref<IConnectionSetup> AddObject(const Automation::Ref<IConnectionSetup>& ConnectionSetupObj);
    // The removed setup; Nothing when there is none at that index or key.
    Automation::Ref<IConnectionSetup> Remove(const Automation::Variant& vntIndexKey);
    // By 1-based index or by key.
    Automation::Ref<IConnectionSetup> Item(const Automation::Variant& vntIndexKey) const;
    int32_t Count() const { return setups_.Count(); }
    void Clear() { setups_.Clear(); }
    // NewEnum
    auto begin() const { return setups_.begin(); }
    auto end() const { return setups_.end(); }

private:
    Automation::Collection<Automation::Ref<IConnectionSetup>> setups_;
};

} // namespace Seekwire
