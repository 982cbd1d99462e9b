#pragma once
// The attributes of an element, in the order they were added; positions only,
// no keys.
#include <cstdint>
#include <string_view>

#include "Markwell/AttributeObj.h"
#include "automation/Collection.h"

namespace Markwell {

class Attributes : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{869E9650-DFD3-4934-BBB7-AB8503B63D63}",
                                                     "Markwell.Attributes",
                                                     "{53EE9CD1-4585-4894-A6BE-510EEF244295}"};

    Attributes();

    // Appends an attribute; omitted, the value is the missing-argument marker.
    Automation::Ref<AttributeObj> Add(std::string_view Name = {},
                                      const Automation::Variant& Value = Automation::Variant::missing());
    Automation::Ref<AttributeObj> Item(int32_t index) const { return items_.Item(index); }
    int32_t Count() const { return items_.Count(); }
    void Remove(int32_t index) { items_.Remove(index); }
    void Clear() { items_.Clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    Automation::Collection<Automation::Ref<AttributeObj>> items_;
};

} // namespace Markwell
