#pragma once
// Loads every package document of a folder.
#include <string>
#include <vector>

#include "Scrivel/KSDocs.h"
#include "automation/Error.h"
#include "automation/Object.h"

namespace Scrivel {

class DocFinder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{D01A7E52-B846-4C39-9F1D-63E8A5C02B97}",
                                                     "Scrivel.DocFinder",
                                                     "{93C5F1B6-0E27-4A84-B6D9-7A4F2E1C58D0}"};

    // The documents of the ".rbi" files (extension in any case) of the
    // folder sPath, not of its subfolders, in the order of their names. A
    // folder that cannot be read raises; a document that cannot be read
    // (damaged, cut short, or holding no package) is left out and its error
    // kept in Unreadable(), so that one bad file hides none of the others.
    Automation::Ref<KSDocs> GetKSDocs(const std::string& sPath);

    // The errors of the documents the last GetKSDocs left out, in the order
    // of their names; each description names its file.
    const std::vector<Automation::Error>& Unreadable() const { return unreadable_; }

private:
    std::vector<Automation::Error> unreadable_;
};

} // namespace Scrivel
