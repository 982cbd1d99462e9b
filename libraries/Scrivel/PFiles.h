#pragma once
#include "Scrivel/EntryList.h"
#include "Scrivel/PFile.h"

namespace Scrivel {

class PFiles : public EntryList<PFile> {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{1F9C4E86-A253-4B07-9E6D-7C82F0B1A5D3}", "Scrivel.PFiles", "{B6E31A07-5D94-4C2F-8A71-0E9D4C6F2B85}"};

    Automation::Ref<PFile> Add(std::string_view sKey = {}) { return append(Automation::New<PFile>(), sKey); }
};

} // namespace Scrivel
