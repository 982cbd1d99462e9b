#include "automation/Error.h"

namespace Platform::Automation {

Error::Error(int32_t number, std::string source, std::string description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

std::string runtimeErrorText(int32_t number) {
    switch (number) {
    case RuntimeError::InvalidProcedureCall:
        return "Invalid procedure call or argument";
    case RuntimeError::Overflow:
        return "Overflow";
    case 7:
        return "Out of memory";
    case RuntimeError::SubscriptOutOfRange:
        return "Subscript out of range";
    case RuntimeError::DivisionByZero:
        return "Division by zero";
    case RuntimeError::TypeMismatch:
        return "Type mismatch";
    case RuntimeError::FileNotFound:
        return "File not found";
    case RuntimeError::BadRecordNumber:
        return "Bad record number";
    case RuntimeError::DeviceUnavailable:
        return "Device unavailable";
    case RuntimeError::ObjectNotSet:
        return "Object variable or With block variable not set";
    case RuntimeError::InvalidPattern:
        return "Invalid pattern string";
    case RuntimeError::InvalidUseOfNull:
        return "Invalid use of Null";
    case RuntimeError::ObjectRequired:
        return "Object required";
    case RuntimeError::ObjectDoesNotSupport:
        return "Object doesn't support this property or method";
    case RuntimeError::KeyAlreadyAssociated:
        return "This key is already associated with an element of this collection";
    default:
        return {};
    }
}

void raise(int32_t number, std::string source, std::string description) {
    if (description.empty())
        description = runtimeErrorText(number);
    throw Error(number, std::move(source), std::move(description));
}

void reraise(const Error& error, std::string_view ownSource) {
    std::string source = error.Source();
    source += '>';
    source += ownSource;
    throw Error(error.Number(), std::move(source), error.Description());
}

} // namespace Platform::Automation
