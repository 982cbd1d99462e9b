#include "Failure.h"

namespace PrinterSim {

QByteArray Failure::describe(int number) {
    switch (number) {
    case Syntax:
        return "Syntax error";
    case UnbalancedParentheses:
        return "Unbalanced parentheses";
    case NotImplemented:
        return "Feature not implemented";
    case TypeMismatch:
        return "Type mismatch";
    case InvalidFont:
        return "Invalid font";
    case OutOfRange:
        return "Parameter out of range";
    case UndefinedLine:
        return "Undefined line number";
    case FileNotFound:
        return "File not found";
    case DeviceFull:
        return "Device full";
    case WriteProtected:
        return "File is write protected";
    case FileExists:
        return "File already exists";
    case AccessDenied:
        return "Access denied";
    case FieldOutOfLabel:
        return "Field out of label";
    default:
        return "Unknown error";
    }
}

const char* Failure::what() const noexcept {
    return "printer error";
}

} // namespace PrinterSim
