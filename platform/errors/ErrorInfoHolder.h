#pragma once
// Keeps a caught error across clean-up so that it can be raised again unchanged.
#include <cstdint>
#include <exception>
#include <string>

#include "automation/Error.h"
#include "automation/Object.h"

namespace Platform {

class ErrorInfoHolder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{6C74B3CF-D6B8-413C-9B51-647BA0EEDD2B}",
                                                     "ErrorInfoHolder.ErrorInfoHolder", ""};

    // Takes the error being handled; a foreign exception is kept as the
    // run-time's error 5 with its message, so the capture never fails.
    void Capture(const std::exception_ptr& error = std::current_exception());
    void Capture(const Automation::Error& error);

    int32_t Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

    // Raises the captured error again, as it was captured.
    [[noreturn]] void Raise() const;

private:
    int32_t number_ = 0;
    std::string source_;
    std::string description_;
};

} // namespace Platform
