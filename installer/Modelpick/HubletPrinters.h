#pragma once
// The printers a host reads from the selection control, in list order.
#include <cstdint>

#include "Modelpick/HubletPrinter.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Modelpick {

class ctlVantorSelect;

class HubletPrinters : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{5302843B-B79E-4041-B90A-C7B7F72D4C63}",
                                                     "Modelpick.HubletPrinters",
                                                     "{538F0862-FE9C-4767-B4C9-D943B140B9FC}"};

    // By 1-based position or by key.
    Automation::Ref<HubletPrinter> Item(const Automation::Variant& vntIndexKey) const {
        if (vntIndexKey.isString())
            return items_.Item(*vntIndexKey.get<std::string>());
        return items_.Item(vntIndexKey.toLong());
    }
    int32_t Count() const { return items_.Count(); }
    void Remove(const Automation::Variant& vntIndexKey) {
        if (vntIndexKey.isString())
            items_.Remove(*vntIndexKey.get<std::string>());
        else
            items_.Remove(vntIndexKey.toLong());
    }
    // NewEnum
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class ctlVantorSelect;
    void Add(const Automation::Ref<HubletPrinter>& printer) { items_.Add(printer); }

    Automation::Collection<Automation::Ref<HubletPrinter>> items_;
};

} // namespace Modelpick
