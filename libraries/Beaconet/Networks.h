#pragma once
// The network addresses a sweep sends to, normalised on the way in. Each is
// kept under "IP" and the text it was added with, and under "Index" and its
// request index, which a sweep's requests carry.
#include <cstdint>
#include <string>

#include "Beaconet/Network.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Beaconet {

class Networks : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E07}",
                                                     "Beaconet.Networks",
                                                     "{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E08}"};

    Networks();

    // Raises 30000 for an address that cannot be normalised and 457 for a
    // text added already; either way nothing is added.
    Automation::Ref<Network> Add(const std::string& IPAddress);
    // By 1-based position, or by key in its "IP" form.
    Automation::Ref<Network> Item(const Automation::Variant& vntIndexKey) const;
    // The network added as the text of this number's address; Nothing when none.
    Automation::Ref<Network> GetNetworkByLong(int32_t lIP) const;
    int32_t Count() const { return byAddress_.Count(); }
    // Removes the network added with this text or, failing that, the first
    // one whose normalised address it is; a text held by none is ignored.
    void Remove(const Automation::Variant& vntIndexKey);
    std::string ConvertLongToIP(int32_t lngIP) const;

    // The network whose requests carry this request index; Nothing when none.
    Automation::Ref<Network> ByRequestIndex(int32_t requestIndex) const;

    // NewEnum: the networks in the order they were added.
    auto begin() const { return byAddress_.begin(); }
    auto end() const { return byAddress_.end(); }

private:
    Automation::Collection<Automation::Ref<Network>> byAddress_;
    Automation::Collection<Automation::Ref<Network>> byIndex_;
    // Request indexes never come back, so a removal cannot make two alike.
    int32_t lastRequestIndex_ = 0;
};

} // namespace Beaconet
