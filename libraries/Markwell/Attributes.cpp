#include "Markwell/Attributes.h"

namespace Markwell {

Attributes::Attributes() {
    items_.setErrorSource("Markwell");
}

Automation::Ref<AttributeObj> Attributes::Add(std::string_view Name, const Automation::Variant& Value) {
    auto attribute = Automation::New<AttributeObj>();
    attribute->setName(Name);
    attribute->setValue(Value);
    items_.Add(attribute);
    return attribute;
}

} // namespace Markwell
