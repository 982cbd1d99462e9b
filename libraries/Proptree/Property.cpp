#include "Proptree/Property.h"

namespace Proptree {

namespace InvokeKind = Automation::InvokeKind;
using Automation::Variant;

Property::Property()
    : enumeratedOptions_(Automation::New<Automation::Collection<std::string>>()),
      collectionType_(Automation::New<Automation::Collection<Variant>>()) {}

Variant Property::Value() const {
    Automation::Ref<Automation::Object> host = HostObj();
    Automation::Object& target = *host; // 91 once the host has gone
    return Automation::getProperty(target, *table_, name_);
}

void Property::setValue(const Variant& value) {
    Automation::Ref<Automation::Object> host = HostObj();
    Automation::Object& target = *host;
    // Converted as the declared type expects it, so that text such as "9600"
    // from a settings file reaches a Long member as a number.
    if (typeName_ == "Long" || typeName_ == "OLE_COLOR")
        Automation::putProperty(target, *table_, name_, Variant(value.toLong()));
    else if (typeName_ == "String")
        Automation::putProperty(target, *table_, name_, Variant(value.toString()));
    else if (typeName_ == "Boolean")
        Automation::putProperty(target, *table_, name_, Variant(value.toBool()));
    else if (typeName_ == "Double")
        Automation::putProperty(target, *table_, name_, Variant(value.toDouble()));
    else if (typeName_ == "Font")
        Automation::putProperty(target, *table_, name_, value, InvokeKind::PropertySet);
    else
        Automation::putProperty(target, *table_, name_, value);
}

void Property::setCollectionType(Automation::Ref<Automation::Collection<Variant>> value) {
    collectionType_ = std::move(value);
}

void Property::setEnumeratedOptions(Automation::Ref<Automation::Collection<std::string>> value) {
    enumeratedOptions_ = std::move(value);
}

void Property::setHost(const Automation::Ref<Automation::Object>& host,
                       const Automation::InterfaceTable& table) {
    host_ = host;
    table_ = &table;
}

void Property::setInvokeKinds(int32_t kinds) {
    invokeKinds_ = kinds;
    setReadOnly((kinds & (InvokeKind::PropertyLet | InvokeKind::PropertySet)) == 0);
}

} // namespace Proptree
