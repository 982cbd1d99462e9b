#pragma once
// The firmware images a scan found, keyed by their paths. Paths of this file
// system differ by case alone, so keys compare exactly.
#include <cstdint>
#include <string>

#include "Scoutel/Firmware.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Scoutel {

class Firmwares : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{B3D95E71-0F28-4C64-9A1E-6C47F2D8A035}",
                                                     "Scoutel.Firmwares",
                                                     "{52C07A1E-9D34-4B8F-B6E5-1A8F3C2D7E90}"};

    Firmwares() : items_(Automation::CompareMethod::Binary) { items_.setErrorSource("Scoutel"); }

    // By 1-based position (a number) or by key (a text); raises 9 or 5 for one not held.
    Automation::Ref<Firmware> Item(const Automation::Variant& vntIndexKey) const;
    int32_t Count() const { return items_.Count(); }
    void Remove(const Automation::Variant& vntIndexKey);
    // NewEnum: in the order they were added.
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class FirmwareFinder;
    // A new Firmware under Key; 457 when the key is taken.
    Automation::Ref<Firmware> Add(const std::string& Key, const std::string& Path, const std::string& Name);

    Automation::Collection<Automation::Ref<Firmware>> items_;
};

} // namespace Scoutel
