#include "Proptree/Properties.h"

#include <string>

#include "automation/Runtime.h"

namespace Proptree {

namespace InvokeKind = Automation::InvokeKind;
using Automation::Ref;
using Automation::TypeKind;

namespace {

// The library has no string table of its own, so every error reads the same.
[[noreturn]] void raiseLibraryError(int32_t number, std::string source) {
    Automation::raise(Automation::ObjectErrorBase + Properties::ErrorOffset + number, std::move(source),
                      "An unknown error has occurred!");
}

// The text between the first opening tag and the first closing tag after it,
// tags found without regard to case; empty unless both are there.
std::string tagged(const std::string& help, std::string_view open, std::string_view close) {
    using Automation::CompareMethod;
    int32_t start = Automation::inStr(1, help, open, CompareMethod::Text);
    if (start == 0)
        return {};
    start += static_cast<int32_t>(open.size());
    int32_t stop = Automation::inStr(start, help, close, CompareMethod::Text);
    if (stop == 0)
        return {};
    return Automation::mid(help, start, stop - start);
}

const Automation::InterfaceTable* findInterface(const Automation::Object& object,
                                                std::string_view interfaceName) {
    try {
        if (const Automation::InterfaceTable* table = object.interfaceTable({}))
            return table;
    } catch (const std::exception&) {
        // An object that cannot describe its default interface may still name others.
    }
    return object.interfaceTable("_" + std::string(interfaceName));
}

} // namespace

void Properties::Refresh(const Ref<Automation::Object>& AnyObj, std::string_view InterfaceName) {
    try {
        const Automation::InterfaceTable* table = findInterface(*AnyObj, InterfaceName);
        if (!table)
            return;
        for (const Automation::MemberInfo& member : table->members) {
            if (member.name == "Properties")
                continue;
            if (member.invokeKind != InvokeKind::PropertyGet &&
                member.invokeKind != InvokeKind::PropertyLet && member.invokeKind != InvokeKind::PropertySet)
                continue;
            add(AnyObj, *table, member);
        }
    } catch (const std::exception&) {
        raiseLibraryError(ErrorEnumerate, "Properties:Enumerate method");
    }
}

void Properties::add(const Ref<Automation::Object>& host, const Automation::InterfaceTable& table,
                     const Automation::MemberInfo& member) {
    // The get and the let of one property are two members: the item made for
    // the first keeps its description and gains the other's accessor. The
    // accessors combine as flags, so listing the same object again changes nothing.
    if (items_.Exists(member.name)) {
        Property& existing = *items_.Item(member.name);
        existing.setInvokeKinds(existing.InvokeKinds() | member.invokeKind);
        return;
    }

    auto property = Automation::New<Property>();
    property->setHost(host, table);
    property->setName(member.name);
    property->setInvokeKinds(member.invokeKind);

    IPrivateProperty& filler = *property;
    if (!member.helpString.empty()) {
        filler.setFriendlyName(tagged(member.helpString, "<FriendlyName>", "</FriendlyName>"));
        filler.setCustomAttributeString(tagged(member.helpString, "<CustomAttrStr>", "</CustomAttrStr>"));
        filler.setHelpString(tagged(member.helpString, "<HelpStr>", "</HelpStr>"));
    }
    filler.setNonBrowsable(member.nonBrowsable);

    switch (member.type.kind) {
    case TypeKind::Builtin:
    case TypeKind::Object:
    case TypeKind::Alias:
        filler.setTypeName(member.type.name);
        break;
    case TypeKind::Enumeration: {
        filler.setTypeName("Long");
        auto options = property->EnumeratedOptions();
        for (const Automation::EnumConstant& constant : member.type.constants)
            if (constant.value.varType() == Automation::VarType::Long)
                options->Add(constant.name + "=" + constant.value.toString());
        break;
    }
    case TypeKind::Record:
        return; // a structure has no value to reflect
    }
    items_.Add(property, member.name);
}

Ref<Property> Properties::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return items_.Item(*vntIndexKey.get<std::string>());
    return items_.Item(vntIndexKey.toLong());
}

void Properties::ParentTerminate() {
    for (const Ref<Property>& item : items_)
        item->clearHost();
    auto keep = self<Properties>();
    ParentTerminated.raise();
}

void Properties::ParentChanged() {
    auto keep = self<Properties>();
    ParentChangedEvent.raise();
}

} // namespace Proptree
