#include "Scoutel/Firmwares.h"

namespace Scoutel {

Automation::Ref<Firmware> Firmwares::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return items_.Item(vntIndexKey.toString());
    return items_.Item(vntIndexKey.toLong());
}

void Firmwares::Remove(const Automation::Variant& vntIndexKey) {
    if (vntIndexKey.isString())
        items_.Remove(vntIndexKey.toString());
    else
        items_.Remove(vntIndexKey.toLong());
}

Automation::Ref<Firmware> Firmwares::Add(const std::string& Key, const std::string& Path,
                                         const std::string& Name) {
    auto firmware = Automation::New<Firmware>(Firmware::Token{}, Key, Path, Name);
    items_.Add(firmware, Key);
    return firmware;
}

} // namespace Scoutel
