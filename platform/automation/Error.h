#pragma once
// Errors are raised as exceptions that carry what an automation error carries:
// a number, a source text and a description.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace Platform::Automation {

// Numbers the run-time raised itself.
namespace RuntimeError {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t BadRecordNumber = 63;
inline constexpr int32_t DeviceUnavailable = 68;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidPattern = 93;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t ObjectDoesNotSupport = 438;
inline constexpr int32_t KeyAlreadyAssociated = 457;
} // namespace RuntimeError

// The base of errors that components define for themselves.
inline constexpr int32_t ObjectErrorBase = static_cast<int32_t>(0x80040000u);

class Error : public std::exception {
public:
    Error(int32_t number, std::string source, std::string description);

    int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// The run-time's own text for its numbers; empty for a number it does not know.
std::string runtimeErrorText(int32_t number);

// Raises number with source; an empty description takes the run-time's text.
[[noreturn]] void raise(int32_t number, std::string source, std::string description = {});

// Raises a caught error again with ">" and the own source appended to its source.
[[noreturn]] void reraise(const Error& error, std::string_view ownSource);

} // namespace Platform::Automation

namespace Automation = Platform::Automation;
