#pragma once
#include <string>

#include "Scrivel/BreakString.h"
#include "Scrivel/EntryList.h"

namespace Scrivel {

class BreakStrings : public EntryList<BreakString> {
public:
    static constexpr Automation::ClassInfo classInfo{"{E2A84C61-7D39-4B05-8F1E-C3B6D9025A74}",
                                                     "Scrivel.BreakStrings",
                                                     "{61D0F3B8-4A27-4E9C-B5D3-0F8E2A71C946}"};

    // A new entry whose Key field is Key, under the collection key sKey.
    Automation::Ref<BreakString> Add(std::string Key, std::string_view sKey = {}) {
        auto entry = Automation::New<BreakString>();
        entry->setKey(std::move(Key));
        return append(entry, sKey);
    }
};

} // namespace Scrivel
