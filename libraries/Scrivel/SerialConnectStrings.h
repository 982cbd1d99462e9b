#pragma once
#include <string>

#include "Scrivel/EntryList.h"
#include "Scrivel/SerialConnectString.h"

namespace Scrivel {

class SerialConnectStrings : public EntryList<SerialConnectString> {
public:
    static constexpr Automation::ClassInfo classInfo{"{C7F19A52-3E06-4D8B-A241-9B5E0D73F6C8}",
                                                     "Scrivel.SerialConnectStrings",
                                                     "{0B4E8D21-C975-4A3F-8E6B-D21F5A90C347}"};

    // A new entry whose Key field is Key, under the collection key sKey.
    Automation::Ref<SerialConnectString> Add(std::string Key, std::string_view sKey = {}) {
        auto entry = Automation::New<SerialConnectString>();
        entry->setKey(std::move(Key));
        return append(entry, sKey);
    }
};

} // namespace Scrivel
