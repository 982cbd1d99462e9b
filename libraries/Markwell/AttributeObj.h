#pragma once
// One attribute of an element: a name and a value.
#include <string>
#include <string_view>

#include "automation/Object.h"
#include "automation/Variant.h"

namespace Markwell {

class AttributeObj : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{EC832B89-05D0-44D1-B0ED-B1798F88467E}",
                                                     "Markwell.AttributeObj",
                                                     "{A7855E89-F429-4247-93B5-43605A38193E}"};

    const std::string& Name() const { return name_; }
    void setName(std::string_view name) { name_ = name; }
    const Automation::Variant& Value() const { return value_; }
    void setValue(const Automation::Variant& value) { value_ = value; }

private:
    std::string name_;
    Automation::Variant value_;
};

} // namespace Markwell
