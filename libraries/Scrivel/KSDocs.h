#pragma once
// The package documents of a folder, as the document finder loads them.
#include "Scrivel/EntryList.h"
#include "Scrivel/KSDoc.h"

namespace Scrivel {

class KSDocs : public EntryList<KSDoc> {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{E5B09C34-72D1-4F68-A3E0-B94C1D7F2A85}", "Scrivel.KSDocs", "{48F2A6D0-C913-4B7E-8D52-16E9B3F0A7C4}"};

private:
    friend class DocFinder;
};

} // namespace Scrivel
