#include "Brindle/Globals.h"

#include <algorithm>

#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

// A byte that would end a quoted string or split or fake the command frame.
bool unsafeByte(char c) {
    return c == '"' || static_cast<uint8_t>(c) < 32;
}

// The value as a message shows it: control characters by their code.
std::string shown(std::string_view value) {
    std::string text;
    for (char c : value) {
        if (static_cast<uint8_t>(c) < 32)
            text += "<" + std::to_string(static_cast<int>(c)) + ">";
        else
            text += c;
    }
    return text;
}

} // namespace

void Globals::CheckRubricValue(std::string_view value, const std::string& source) {
    auto unsafe = std::find_if(value.begin(), value.end(), unsafeByte);
    if (unsafe == value.end())
        return;
    const std::string what =
        *unsafe == '"' ? std::string("a quotation mark")
                       : "a control character (code " + std::to_string(static_cast<int>(*unsafe)) + ")";
    Platform::ErrorTextProvider::RaiseLibraryError(101, source,
                                                   "The value \"" + shown(value) + "\" holds " + what +
                                                       ", which a printer command cannot carry.");
}

void Globals::CheckRubricPassword(std::string_view password, const std::string& source) {
    // Named, never shown.
    if (std::any_of(password.begin(), password.end(), unsafeByte))
        Platform::ErrorTextProvider::RaiseLibraryError(
            101, source,
            "The password holds a quotation mark or a control character, which a printer command cannot "
            "carry.");
    if (password.find(' ') != std::string_view::npos)
        Platform::ErrorTextProvider::RaiseLibraryError(
            101, source, "The password holds a blank, which would end it on the printer's command line.");
}

void Globals::raiseNoConnection(const std::string& source) {
    Platform::ErrorTextProvider::RaiseLibraryError(116, source);
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

std::vector<std::string> Globals::Split(std::string_view Text, std::string_view Delimiter, bool Collapse,
                                        bool TrimElements, int32_t Limit) {
    std::string text(Text);
    if (!Delimiter.empty() && Collapse) {
        const std::string doubled = std::string(Delimiter) + std::string(Delimiter);
        for (size_t at; (at = text.find(doubled)) != std::string::npos;)
            text.erase(at, Delimiter.size());
        if (text.starts_with(Delimiter))
            text.erase(0, Delimiter.size());
        if (text.ends_with(Delimiter) && !text.empty())
            text.erase(text.size() - Delimiter.size());
    }
    std::vector<std::string> pieces;
    if (text.empty() || Limit == 0)
        return pieces;
    size_t start = 0;
    while (!Delimiter.empty() && (Limit < 0 || static_cast<int32_t>(pieces.size()) < Limit - 1)) {
        size_t at = text.find(Delimiter, start);
        if (at == std::string::npos)
            break;
        pieces.push_back(text.substr(start, at - start));
        start = at + Delimiter.size();
    }
    pieces.push_back(text.substr(start));
    if (TrimElements)
        for (auto& piece : pieces)
            piece = Automation::trim(piece);
    return pieces;
}

std::string Globals::WithoutTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

} // namespace Brindle
