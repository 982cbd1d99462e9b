#pragma once
// The form that the package document's lists share: ordered, 1-based, items
// with or without a collection key (compared without regard to case).
#include <cstdint>
#include <string_view>

#include "automation/Collection.h"
#include "automation/Object.h"

namespace Scrivel {

template <class Entry> class EntryList : public Automation::Object {
public:
    EntryList() { items_.setErrorSource("Scrivel"); }

    Automation::Ref<Entry> Item(int32_t index) const { return items_.Item(index); }
    Automation::Ref<Entry> Item(std::string_view key) const { return items_.Item(key); }
    int32_t Count() const { return items_.Count(); }
    void Remove(int32_t index) { items_.Remove(index); }
    void Remove(std::string_view key) { items_.Remove(key); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    // Appends under sKey, or without a key when it is empty.
    Automation::Ref<Entry> append(Automation::Ref<Entry> entry, std::string_view sKey) {
        items_.Add(entry, sKey);
        return entry;
    }

private:
    Automation::Collection<Automation::Ref<Entry>> items_;
};

} // namespace Scrivel
