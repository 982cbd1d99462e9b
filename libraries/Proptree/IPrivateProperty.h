#pragma once
// The setters through which the list fills a Property; only the library holds
// a Property under this interface.
#include <cstdint>
#include <string>

#include "automation/Collection.h"
#include "automation/Object.h"

namespace Proptree {

enum EnumPropertyCategory : int32_t {
    MISC_PROPERTYCATEGORY = 0,
};

class IPrivateProperty {
public:
    static constexpr Automation::ClassInfo classInfo{"{AFC250D2-C79D-4B6A-9BAD-2D5532C54D17}",
                                                     "Proptree.IPrivateProperty",
                                                     "{B9577AEE-6E75-4A15-87B7-0F86AB2AD02A}"};

    virtual ~IPrivateProperty() = default;

    virtual void setFriendlyName(const std::string& value) = 0;
    virtual void setHelpString(const std::string& value) = 0;
    virtual void setTypeName(const std::string& value) = 0;
    virtual void setReadOnly(bool value) = 0;
    virtual void setNonBrowsable(bool value) = 0;
    virtual void setCustomAttributeString(const std::string& value) = 0;
    virtual void setEnumeratedOptions(Automation::Ref<Automation::Collection<std::string>> value) = 0;
    virtual void setCategory(EnumPropertyCategory value) = 0;
};

} // namespace Proptree
