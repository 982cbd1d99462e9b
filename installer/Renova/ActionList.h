#pragma once
// The steps an installation job announces, in the order they were added,
// each under the key "ID" and its identifier ("ID12").
#include <cstdint>
#include <string>
#include <string_view>

#include "Renova/ActionListItem.h"
#include "automation/Collection.h"
#include "automation/Object.h"

namespace Renova {

class ActionList : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{E5B31D74-2F08-4A6C-8E97-D14C6A0B3F52}",
                                                     "Renova.ActionList",
                                                     "{7A0E9C25-B641-4D38-9F2E-3C8B5D1A6E09}"};

    ActionList() { items_.setErrorSource("Renova"); }

    // An identifier added before raises 457 and adds nothing.
    Automation::Ref<ActionListItem> Add(int32_t ID);
    Automation::Ref<ActionListItem> Item(int32_t index) const { return items_.Item(index); }
    Automation::Ref<ActionListItem> Item(std::string_view key) const { return items_.Item(key); }
    int32_t Count() const { return items_.Count(); }
    void Remove(int32_t index) { items_.Remove(index); }
    void Remove(std::string_view key) { items_.Remove(key); }
    // NewEnum: the items in the order they were added.
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    static std::string KeyOf(int32_t ID) { return "ID" + std::to_string(ID); }

private:
    Automation::Collection<Automation::Ref<ActionListItem>> items_;
};

} // namespace Renova
