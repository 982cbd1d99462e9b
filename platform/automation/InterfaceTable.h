#pragma once
// Type information of automation objects: one static member table per
// interface, in declaration order, with one entry per accessor of a property
// as a type library lists them. Property reflection walks these tables, and
// late-bound reads and writes go through them by name.
//
// A class declares its table once and hands it out from interfaceTable():
//
//     const InterfaceTable* Port::interfaceTable(std::string_view name) const {
//         static const InterfaceTable table = InterfaceBuilder<Port>("_Port")
//             .property("Baudrate", &Port::Baudrate, &Port::setBaudrate, {.help = "<HelpStr>bps</HelpStr>"})
//             .property("Busy", &Port::Busy)
//             .method("Send")
//             .build();
//         return selectInterface(name, &table);
//     }
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/Error.h"
#include "automation/Object.h"
#include "automation/Ref.h"
#include "automation/Variant.h"

namespace Platform::Automation {

// Invoke kinds as type information numbers them; they combine as flags.
namespace InvokeKind {
inline constexpr int32_t Method = 1;
inline constexpr int32_t PropertyGet = 2;
inline constexpr int32_t PropertyLet = 4;
inline constexpr int32_t PropertySet = 8; // assignment of an object reference
} // namespace InvokeKind

enum class TypeKind {
    Builtin,     // Long, String, Boolean, Double, Variant, ...
    Enumeration, // a Long with named constants
    Object,      // a dispatch interface such as Font
    Alias,       // another name for a type, such as OLE_COLOR for Long
    Record,      // a user-defined structure
};

struct EnumConstant {
    std::string name;
    Variant value;
};

struct TypeInfo {
    TypeKind kind = TypeKind::Builtin;
    std::string name;                    // "Long", "enumPortTypes", "Font", "OLE_COLOR", ...
    std::vector<EnumConstant> constants; // of an enumeration, in declaration order
    std::string aliasOf;                 // the type an alias stands for

    static TypeInfo builtin(std::string name);
    static TypeInfo enumeration(std::string name, std::vector<EnumConstant> constants);
    static TypeInfo object(std::string interfaceName);
    static TypeInfo alias(std::string name, std::string aliasOf);
    static TypeInfo record(std::string name);
};

struct MemberInfo {
    std::string name;
    int32_t invokeKind = InvokeKind::Method;
    TypeInfo type;
    std::string helpString;
    bool nonBrowsable = false;
    std::function<Variant(Object&)> getter;              // on a PropertyGet entry
    std::function<void(Object&, const Variant&)> setter; // on a PropertyLet or PropertySet entry
};

struct InterfaceTable {
    std::string name; // as type information names it: "_Port", "_IPrinterProperties"
    std::vector<MemberInfo> members;

    // The entry of that name (without regard to case) and invoke kind; null if none.
    const MemberInfo* find(std::string_view memberName, int32_t invokeKind) const;
};

// For Object::interfaceTable: the default table for an empty name, otherwise
// the table of exactly that name among the default and the others; null if none.
const InterfaceTable* selectInterface(std::string_view interfaceName, const InterfaceTable* defaultTable,
                                      std::initializer_list<const InterfaceTable*> others = {});

// Late-bound property access as the dispatch layer did it: an object or
// interface without a readable (writable) member of that name raises 438.
// Without a table the object's default interface is used.
Variant getProperty(Object& object, std::string_view name);
Variant getProperty(Object& object, const InterfaceTable& table, std::string_view name);
void putProperty(Object& object, std::string_view name, const Variant& value,
                 int32_t invokeKind = InvokeKind::PropertyLet);
void putProperty(Object& object, const InterfaceTable& table, std::string_view name, const Variant& value,
                 int32_t invokeKind = InvokeKind::PropertyLet);

// What a declaration may add to a member.
// (Every field has an initializer so that designated initializers may leave any out.)
struct MemberOptions {
    std::string help{};
    bool nonBrowsable = false;
    // Needed where the C++ type does not tell it: enumerations, aliases, objects.
    std::optional<TypeInfo> type{};
    // The write accessors of a property; 0 means set for an object, let otherwise.
    int32_t writeKinds = 0;
};

namespace detail {

template <class T> struct RefTarget { static constexpr bool isRef = false; };
template <class U> struct RefTarget<Ref<U>> {
    static constexpr bool isRef = true;
    using type = U;
};
template <class T> inline constexpr bool isRef = RefTarget<T>::isRef;

template <class V> std::optional<TypeInfo> typeOf() {
    if constexpr (std::is_same_v<V, bool>)
        return TypeInfo::builtin("Boolean");
    else if constexpr (std::is_same_v<V, uint8_t>)
        return TypeInfo::builtin("Byte");
    else if constexpr (std::is_same_v<V, int16_t>)
        return TypeInfo::builtin("Integer");
    else if constexpr (std::is_same_v<V, int32_t>)
        return TypeInfo::builtin("Long");
    else if constexpr (std::is_same_v<V, float>)
        return TypeInfo::builtin("Single");
    else if constexpr (std::is_same_v<V, double>)
        return TypeInfo::builtin("Double");
    else if constexpr (std::is_same_v<V, DateValue>)
        return TypeInfo::builtin("Date");
    else if constexpr (std::is_same_v<V, std::string>)
        return TypeInfo::builtin("String");
    else if constexpr (std::is_same_v<V, Variant>)
        return TypeInfo::builtin("Variant");
    else
        return std::nullopt;
}

template <class V> Variant toVariant(V value) {
    if constexpr (std::is_enum_v<V>)
        return Variant(static_cast<int32_t>(value));
    else if constexpr (isRef<V>)
        return Variant(Ref<Object>(std::dynamic_pointer_cast<Object>(value.shared())));
    else
        return Variant(std::move(value));
}

template <class V> V fromVariant(const Variant& value) {
    if constexpr (std::is_same_v<V, Variant>)
        return value;
    else if constexpr (std::is_same_v<V, bool>)
        return value.toBool();
    else if constexpr (std::is_same_v<V, uint8_t>)
        return value.toByte();
    else if constexpr (std::is_same_v<V, int16_t>)
        return value.toInteger();
    else if constexpr (std::is_same_v<V, int32_t> || std::is_enum_v<V>)
        return static_cast<V>(value.toLong());
    else if constexpr (std::is_same_v<V, double>)
        return value.toDouble();
    else if constexpr (std::is_same_v<V, std::string>)
        return value.toString();
    else if constexpr (isRef<V>) {
        Ref<Object> object = value.toObject();
        if (object.isNothing())
            return V();
        V typed = object.template as<typename RefTarget<V>::type>();
        if (typed.isNothing())
            raise(RuntimeError::TypeMismatch, {});
        return typed;
    } else
        static_assert(sizeof(V) == 0, "no Variant conversion for this type");
}

template <class> struct SetterArgument;
template <class C, class A> struct SetterArgument<void (C::*)(A)> { using type = std::remove_cvref_t<A>; };

// The interface's class behind the Object the caller hands in.
template <class T> T& host(Object& object) {
    auto* typed = dynamic_cast<T*>(&object);
    if (!typed)
        raise(RuntimeError::ObjectDoesNotSupport, {});
    return *typed;
}

} // namespace detail

// Declares an interface of class T member by member, in declaration order.
template <class T> class InterfaceBuilder {
public:
    explicit InterfaceBuilder(std::string interfaceName) { table_.name = std::move(interfaceName); }

    // A read-only property: getter is a member function (or a callable) of T.
    template <class Getter>
    InterfaceBuilder& property(std::string name, Getter getter, MemberOptions options = {}) {
        using V = std::remove_cvref_t<std::invoke_result_t<Getter, T&>>;
        addGetter<V>(name, std::move(getter), options);
        return *this;
    }

    // A property with a get and its write accessors: setter is a member function of T.
    template <class Getter, class Setter>
    InterfaceBuilder& property(std::string name, Getter getter, Setter setter, MemberOptions options = {}) {
        using V = std::remove_cvref_t<std::invoke_result_t<Getter, T&>>;
        using A = typename detail::SetterArgument<Setter>::type;
        addGetter<V>(name, std::move(getter), options);
        int32_t kinds = options.writeKinds != 0
                            ? options.writeKinds
                            : (detail::isRef<A> ? InvokeKind::PropertySet : InvokeKind::PropertyLet);
        for (int32_t kind : {InvokeKind::PropertyLet, InvokeKind::PropertySet})
            if (kinds & kind) {
                MemberInfo& member = add(name, kind, typeFor<V>(name, options), options);
                member.setter = [setter](Object& object, const Variant& value) {
                    (detail::host<T>(object).*setter)(detail::fromVariant<A>(value));
                };
            }
        return *this;
    }

    // A method: listed in the interface, never read or written as a property.
    InterfaceBuilder& method(std::string name) {
        add(std::move(name), InvokeKind::Method, {}, {});
        return *this;
    }

    InterfaceTable build() { return std::move(table_); }

private:
    template <class V> static TypeInfo typeFor(const std::string& name, const MemberOptions& options) {
        if (options.type)
            return *options.type;
        if (auto deduced = detail::typeOf<V>())
            return *deduced;
        throw std::logic_error("interface member " + name + " needs its type named");
    }

    template <class V, class Getter>
    void addGetter(const std::string& name, Getter getter, const MemberOptions& options) {
        MemberInfo& member = add(name, InvokeKind::PropertyGet, typeFor<V>(name, options), options);
        member.getter = [getter = std::move(getter)](Object& object) {
            return detail::toVariant<V>(std::invoke(getter, detail::host<T>(object)));
        };
    }

    MemberInfo& add(std::string name, int32_t kind, TypeInfo type, const MemberOptions& options) {
        MemberInfo member;
        member.name = std::move(name);
        member.invokeKind = kind;
        member.type = std::move(type);
        member.helpString = options.help;
        member.nonBrowsable = options.nonBrowsable;
        table_.members.push_back(std::move(member));
        return table_.members.back();
    }

    InterfaceTable table_;
};

} // namespace Platform::Automation
