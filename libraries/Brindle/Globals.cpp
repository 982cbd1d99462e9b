#include "Brindle/Globals.h"

#include <algorithm>

#include "errors/ErrorTextProvider.h"

namespace Brindle {

void Globals::CheckRubricValue(std::string_view value, const std::string& source) {
    bool unsafe = std::any_of(value.begin(), value.end(),
                              [](char c) { return c == '"' || static_cast<uint8_t>(c) < 32; });
    if (unsafe)
        Platform::ErrorTextProvider::RaiseLibraryError(101, source);
}

std::string Globals::EscapeBlanks(std::string_view path) {
    std::string escaped;
    for (char c : path) {
        if (c == ' ')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace Brindle
