#pragma once
// The print servers found by a sweep, keyed by their address.
#include <cstdint>
#include <string>

#include "Beaconet/HBPrinter.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Beaconet {

class HBPrinters : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E03}",
                                                     "Beaconet.HBPrinters",
                                                     "{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E04}"};

    HBPrinters();

    // Holds objPrinter under its IPAddress, in place of an entry held there.
    Automation::Ref<HBPrinter> AddPrinterObject(const Automation::Ref<HBPrinter>& objPrinter);
    // The entry held under Key, or a new one added there; either way its Key
    // and IPAddress are set.
    Automation::Ref<HBPrinter> Add(const std::string& Key, const std::string& IPAddress);
    // By 1-based position (a number) or by key (a text); raises 9 or 5 for one not held.
    Automation::Ref<HBPrinter> Item(const Automation::Variant& vntIndexKey) const;
    int32_t Count() const { return entries_.Count(); }
    void Remove(const Automation::Variant& vntIndexKey);
    bool IsExistingKey(const std::string& KeyName) const { return entries_.Exists(KeyName); }

    // NewEnum: the entries in the order they were added.
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    Automation::Collection<Automation::Ref<HBPrinter>> entries_;
};

} // namespace Beaconet
