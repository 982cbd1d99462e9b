#include "automation/InterfaceTable.h"

#include "automation/Runtime.h"

namespace Platform::Automation {

TypeInfo TypeInfo::builtin(std::string name) {
    return {TypeKind::Builtin, std::move(name), {}, {}};
}

TypeInfo TypeInfo::enumeration(std::string name, std::vector<EnumConstant> constants) {
    return {TypeKind::Enumeration, std::move(name), std::move(constants), {}};
}

TypeInfo TypeInfo::object(std::string interfaceName) {
    return {TypeKind::Object, std::move(interfaceName), {}, {}};
}

TypeInfo TypeInfo::alias(std::string name, std::string aliasOf) {
    return {TypeKind::Alias, std::move(name), {}, std::move(aliasOf)};
}

TypeInfo TypeInfo::record(std::string name) {
    return {TypeKind::Record, std::move(name), {}, {}};
}

const MemberInfo* InterfaceTable::find(std::string_view memberName, int32_t invokeKind) const {
    for (const MemberInfo& member : members)
        if (member.invokeKind == invokeKind && equalsText(member.name, memberName))
            return &member;
    return nullptr;
}

const InterfaceTable* selectInterface(std::string_view interfaceName, const InterfaceTable* defaultTable,
                                      std::initializer_list<const InterfaceTable*> others) {
    if (interfaceName.empty())
        return defaultTable;
    if (defaultTable && defaultTable->name == interfaceName)
        return defaultTable;
    for (const InterfaceTable* table : others)
        if (table && table->name == interfaceName)
            return table;
    return nullptr;
}

namespace {

const InterfaceTable& defaultInterface(const Object& object) {
    const InterfaceTable* table = object.interfaceTable({});
    if (!table)
        raise(RuntimeError::ObjectDoesNotSupport, {});
    return *table;
}

} // namespace

Variant getProperty(Object& object, std::string_view name) {
    return getProperty(object, defaultInterface(object), name);
}

Variant getProperty(Object& object, const InterfaceTable& table, std::string_view name) {
    const MemberInfo* member = table.find(name, InvokeKind::PropertyGet);
    if (!member || !member->getter)
        raise(RuntimeError::ObjectDoesNotSupport, {});
    return member->getter(object);
}

void putProperty(Object& object, std::string_view name, const Variant& value, int32_t invokeKind) {
    putProperty(object, defaultInterface(object), name, value, invokeKind);
}

void putProperty(Object& object, const InterfaceTable& table, std::string_view name, const Variant& value,
                 int32_t invokeKind) {
    const MemberInfo* member = table.find(name, invokeKind);
    if (!member || !member->setter)
        raise(RuntimeError::ObjectDoesNotSupport, {});
    member->setter(object, value);
}

} // namespace Platform::Automation
