#pragma once
// A tagged value with the subtypes of the automation Variant.
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "automation/Object.h"

namespace Platform::Automation {

// The subtype numbers that VarType reports.
enum class VarType : int16_t {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Date = 7,
    String = 8,
    Object = 9,
    Error = 10, // an omitted optional argument (Missing)
    Boolean = 11,
    Byte = 17,
    ByteArray = 8192 + 17,
};

struct EmptyValue {
    bool operator==(const EmptyValue&) const = default;
};
struct NullValue {
    bool operator==(const NullValue&) const = default;
};
struct MissingValue {
    bool operator==(const MissingValue&) const = default;
};
// A date as the automation layer keeps it: days since 30 December 1899.
struct DateValue {
    double days = 0;
    bool operator==(const DateValue&) const = default;
};
using ByteArray = std::vector<uint8_t>;

class Variant {
public:
    Variant() = default;
    Variant(EmptyValue) {}
    Variant(NullValue v) : v_(v) {}
    Variant(MissingValue v) : v_(v) {}
    Variant(bool v) : v_(v) {}
    Variant(uint8_t v) : v_(v) {}
    Variant(int16_t v) : v_(v) {}
    Variant(int32_t v) : v_(v) {}
    Variant(float v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(DateValue v) : v_(v) {}
    Variant(std::string v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(std::string(v)) {}
    Variant(std::string_view v) : v_(std::string(v)) {}
    Variant(ByteArray v) : v_(std::move(v)) {}
    Variant(Ref<Object> v) : v_(std::move(v)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(const Ref<T>& v) : v_(Ref<Object>(v)) {}
    // A pointer would otherwise quietly become a Boolean: objects enter a
    // Variant only as Ref, texts as strings.
    template <class T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char>) Variant(T*)
    = delete;
    Variant(std::nullptr_t) = delete;

    static Variant missing() { return Variant(MissingValue{}); }
    static Variant null() { return Variant(NullValue{}); }

    VarType varType() const;
    // The run-time's TypeName: "Empty", "Long", "String", ...
    std::string typeName() const;

    bool isEmpty() const { return std::holds_alternative<EmptyValue>(v_); }
    bool isNull() const { return std::holds_alternative<NullValue>(v_); }
    bool isMissing() const { return std::holds_alternative<MissingValue>(v_); }
    bool isObject() const { return std::holds_alternative<Ref<Object>>(v_); }
    bool isString() const { return std::holds_alternative<std::string>(v_); }
    bool isNumber() const; // Byte, Integer, Long, Single, Double

    // Conversions as CBool, CByte, CInt, CLng, CDbl, CStr did: error 13 where
    // the value has no such form, error 6 where it does not fit.
    bool toBool() const;
    uint8_t toByte() const;
    int16_t toInteger() const;
    int32_t toLong() const;
    double toDouble() const;
    std::string toString() const;
    Ref<Object> toObject() const;
    ByteArray toByteArray() const;

    template <class T> const T* get() const { return std::get_if<T>(&v_); }

    // Exact equality of subtype and value (objects by identity).
    bool operator==(const Variant& other) const;

private:
    std::variant<EmptyValue, NullValue, MissingValue, bool, uint8_t, int16_t, int32_t, float, double,
                 DateValue, std::string, Ref<Object>, ByteArray>
        v_;
};

} // namespace Platform::Automation
