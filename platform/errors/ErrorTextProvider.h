#pragma once
// Descriptions of the libraries' numbered errors, and the raising of such an
// error with its number and source.
#include <cstdint>
#include <string>

#include "automation/Error.h"
#include "automation/Object.h"

namespace Platform {

class ErrorTextProvider {
public:
    static constexpr Automation::ClassInfo classInfo{"{225C4A10-3D31-419C-8CA0-4A8FE0611BF1}",
                                                     "ErrorTextProvider.ErrorTextProvider",
                                                     "{47B38E38-B290-4081-8AAC-91C1D84E026D}"};

    // The description of a library error number; every number has one.
    static std::string GetErrorText(int32_t number);

    // Raises the error with that number and source and its description.
    [[noreturn]] static void RaiseLibraryError(int32_t number, std::string source);
    // The same, with `detail` (what failed: a file, a value) after the description.
    [[noreturn]] static void RaiseLibraryError(int32_t number, std::string source, const std::string& detail);

    // Whether the number is a library error with a description of its own.
    static bool HasErrorText(int32_t number);

    // Raises a caught error again under source with its number and the
    // description of that number; a number without a library description
    // (the run-time's, a control's own) keeps the caught error's description.
    [[noreturn]] static void RaiseAgain(const Automation::Error& error, std::string source);
};

} // namespace Platform
