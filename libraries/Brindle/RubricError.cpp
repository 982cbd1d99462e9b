#include "Brindle/RubricError.h"

#include <vector>

#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

constexpr const char* source = "PrinterErr:SetRBErrorMsg Method";

std::vector<std::string_view> splitAt(std::string_view text, char delimiter) {
    std::vector<std::string_view> pieces;
    for (size_t at; (at = text.find(delimiter)) != std::string_view::npos; text.remove_prefix(at + 1))
        pieces.push_back(text.substr(0, at));
    pieces.push_back(text);
    return pieces;
}

std::string_view stripControls(std::string_view line) {
    while (!line.empty() && static_cast<uint8_t>(line.front()) < 32)
        line.remove_prefix(1);
    while (!line.empty() && static_cast<uint8_t>(line.back()) < 32)
        line.remove_suffix(1);
    return line;
}

// The leading number of a word, rounded as the run-time did; a number too
// large for a Long is no error number.
int32_t leadingWhole(std::string_view word) {
    try {
        return Automation::toLong(Automation::val(word));
    } catch (const Automation::Error&) {
        Platform::ErrorTextProvider::RaiseLibraryError(101, source);
    }
}

} // namespace

void RubricError::Clear() {
    number_ = 0;
    line_ = 0;
    description_.clear();
}

void RubricError::SetRBErrorMsg(std::string_view ErrorLine) {
    std::string_view line = stripControls(ErrorLine);
    if (line.find(':') == std::string_view::npos || !Automation::equalsText(line.substr(0, 5), "Error"))
        Platform::ErrorTextProvider::RaiseLibraryError(101, source);
    auto pieces = splitAt(line, ':');
    auto words = splitAt(pieces[0], ' ');
    if (words.size() < 2)
        Platform::ErrorTextProvider::RaiseLibraryError(101, source);
    int32_t number = leadingWhole(words[1]);
    int32_t lineNumber = words.size() == 5 ? leadingWhole(words[4]) : 0;
    number_ = number;
    line_ = lineNumber;
    description_ = Automation::trim(pieces[1]);
}

} // namespace Brindle
