#pragma once
#include "Scrivel/EntryList.h"
#include "Scrivel/PDir.h"

namespace Scrivel {

class PDirs : public EntryList<PDir> {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{69D2B740-1E5C-4A83-8F97-C4A0E3B5D126}", "Scrivel.PDirs", "{2C80F6A1-9B37-4D5E-A06C-F71B8E2D4953}"};

    Automation::Ref<PDir> Add(std::string_view sKey = {}) { return append(Automation::New<PDir>(), sKey); }
};

} // namespace Scrivel
