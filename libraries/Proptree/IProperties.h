#pragma once
// Implemented by objects that hand out their own property list.
#include "Proptree/Properties.h"
#include "automation/Object.h"

namespace Proptree {

class IProperties {
public:
    static constexpr Automation::ClassInfo classInfo{"{32EE24B3-1562-4032-8EEF-E084D1FF5190}",
                                                     "Proptree.IProperties",
                                                     "{9DCE3B0A-3675-43D3-ACA0-53EB1E104B94}"};

    virtual ~IProperties() = default;

    virtual Automation::Ref<Proptree::Properties> Properties() = 0;
};

} // namespace Proptree
