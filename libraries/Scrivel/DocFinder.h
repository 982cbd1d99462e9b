#pragma once
// Loads every package document of a folder.
#include <string>

#include "Scrivel/KSDocs.h"
#include "automation/Object.h"

namespace Scrivel {

class DocFinder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{D01A7E52-B846-4C39-9F1D-63E8A5C02B97}",
                                                     "Scrivel.DocFinder",
                                                     "{93C5F1B6-0E27-4A84-B6D9-7A4F2E1C58D0}"};

    // The documents of the ".rbi" files (extension in any case) of the
    // folder sPath, not of its subfolders, in the order of their names. Any
    // error ends the whole call and reaches the caller, one of a document
    // with the document's file named after its description; a file that
    // holds no package document is such an error, as a damaged document.
    Automation::Ref<KSDocs> GetKSDocs(const std::string& sPath);
};

} // namespace Scrivel
