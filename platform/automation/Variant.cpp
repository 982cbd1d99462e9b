#include "automation/Variant.h"

#include <cmath>
#include <iterator>

#include "automation/Runtime.h"

namespace Platform::Automation {

namespace {

std::string twoDigits(long n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// CStr of a date in the English short date and long time forms. The date is
// left out on day 0 (30 December 1899) and the time at midnight.
std::string dateText(double days) {
    // The run-time's dates run from 1 January 100 to 31 December 9999.
    if (!(days > -657435.0 && days < 2958466.0))
        raise(RuntimeError::Overflow, {});
    double day = std::trunc(days);
    long seconds = std::lround(std::fabs(days - day) * 86400.0);
    if (seconds == 86400) {
        seconds = 0;
        day += days < 0 ? -1 : 1;
    }
    std::string text;
    if (day != 0)
        text = shortDate(day);
    if (seconds != 0 || day == 0) {
        long hour = seconds / 3600;
        if (!text.empty())
            text += ' ';
        text += std::to_string(hour % 12 == 0 ? 12 : hour % 12) + ":" + twoDigits(seconds / 60 % 60) + ":" +
                twoDigits(seconds % 60) + (hour < 12 ? " AM" : " PM");
    }
    return text;
}

} // namespace

VarType Variant::varType() const {
    // In the order of the alternatives of v_.
    static constexpr VarType kTypes[] = {
        VarType::Empty,   VarType::Null,   VarType::Error,    VarType::Boolean, VarType::Byte,
        VarType::Integer, VarType::Long,   VarType::Single,   VarType::Double,  VarType::Date,
        VarType::String,  VarType::Object, VarType::ByteArray};
    static_assert(std::size(kTypes) == std::variant_size_v<decltype(v_)>);
    return kTypes[v_.index()];
}

std::string Variant::typeName() const {
    switch (varType()) {
    case VarType::Empty:
        return "Empty";
    case VarType::Null:
        return "Null";
    case VarType::Integer:
        return "Integer";
    case VarType::Long:
        return "Long";
    case VarType::Single:
        return "Single";
    case VarType::Double:
        return "Double";
    case VarType::Date:
        return "Date";
    case VarType::String:
        return "String";
    case VarType::Object:
        return std::get<Ref<Object>>(v_).isNothing() ? "Nothing" : "Object";
    case VarType::Error:
        return "Error";
    case VarType::Boolean:
        return "Boolean";
    case VarType::Byte:
        return "Byte";
    case VarType::ByteArray:
        return "Byte()";
    }
    return {};
}

bool Variant::isNumber() const {
    switch (varType()) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
        return true;
    default:
        return false;
    }
}

// The value as the numeric conversions read it: Empty is 0, True is -1, a
// text must be a number, and Null, an omitted argument, an object or a byte
// array have no numeric form.
double Variant::toDouble() const {
    switch (varType()) {
    case VarType::Empty:
        return 0;
    case VarType::Null:
        raise(RuntimeError::InvalidUseOfNull, {});
    case VarType::Boolean:
        return std::get<bool>(v_) ? -1 : 0;
    case VarType::Byte:
        return std::get<uint8_t>(v_);
    case VarType::Integer:
        return std::get<int16_t>(v_);
    case VarType::Long:
        return std::get<int32_t>(v_);
    case VarType::Single:
        return std::get<float>(v_);
    case VarType::Double:
        return std::get<double>(v_);
    case VarType::Date:
        return std::get<DateValue>(v_).days;
    case VarType::String:
        return textToDouble(std::get<std::string>(v_));
    default:
        raise(RuntimeError::TypeMismatch, {});
    }
}

bool Variant::toBool() const {
    if (auto text = get<std::string>()) {
        if (equalsText(*text, "True"))
            return true;
        if (equalsText(*text, "False"))
            return false;
    }
    return toDouble() != 0;
}

uint8_t Variant::toByte() const {
    return Automation::toByte(toDouble());
}
int16_t Variant::toInteger() const {
    return Automation::toInteger(toDouble());
}
int32_t Variant::toLong() const {
    return Automation::toLong(toDouble());
}

std::string Variant::toString() const {
    switch (varType()) {
    case VarType::Empty:
        return {};
    case VarType::Null:
        raise(RuntimeError::InvalidUseOfNull, {});
    // An omitted argument holds the error value of "parameter not found",
    // which the run-time wrote as its own error 448.
    case VarType::Error:
        return "Error 448";
    case VarType::Boolean:
        return std::get<bool>(v_) ? "True" : "False";
    case VarType::Byte:
        return std::to_string(std::get<uint8_t>(v_));
    case VarType::Integer:
        return std::to_string(std::get<int16_t>(v_));
    case VarType::Long:
        return std::to_string(std::get<int32_t>(v_));
    case VarType::Single:
        return singleToText(std::get<float>(v_));
    case VarType::Double:
        return numberToText(std::get<double>(v_));
    case VarType::Date:
        return dateText(std::get<DateValue>(v_).days);
    case VarType::String:
        return std::get<std::string>(v_);
    // Texts hold one byte per character, so the bytes are the text.
    case VarType::ByteArray: {
        auto& bytes = std::get<ByteArray>(v_);
        return std::string(bytes.begin(), bytes.end());
    }
    case VarType::Object:
        break;
    }
    raise(RuntimeError::TypeMismatch, {});
}

Ref<Object> Variant::toObject() const {
    if (auto object = get<Ref<Object>>())
        return *object;
    raise(RuntimeError::ObjectRequired, {});
}

ByteArray Variant::toByteArray() const {
    if (auto bytes = get<ByteArray>())
        return *bytes;
    if (auto text = get<std::string>())
        return ByteArray(text->begin(), text->end());
    raise(isNull() ? RuntimeError::InvalidUseOfNull : RuntimeError::TypeMismatch, {});
}

bool Variant::operator==(const Variant& other) const {
    return v_ == other.v_;
}

} // namespace Platform::Automation
