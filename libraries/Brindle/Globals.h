#pragma once
// Helpers for putting a caller's values into Rubric text and for the
// Printer's operations.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Error.h"

namespace Brindle {

class Globals {
public:
    // A name, path, setup key or value, user or password goes into Rubric
    // text only when it can neither end a quoted string (") nor split or fake
    // the command frame (CR, LF, the frame's control bytes): such a value is
    // refused with 101 and the member's source before anything is sent; the
    // description shows the value and what is wrong with it.
    static void CheckRubricValue(std::string_view value, const std::string& source);
    // The same for a password, which also may not hold a blank (the printer's
    // shell would split its arguments there); the description never shows it.
    static void CheckRubricPassword(std::string_view password, const std::string& source);

    // Every blank written as a backslash and a blank, for the printer's shell.
    static std::string EscapeBlanks(std::string_view path);

    // Splits at every Delimiter (into at most Limit pieces, -1 for all); ""
    // gives no piece. Collapse first makes every run of delimiters one and
    // drops one at the very start and end; TrimElements trims the blanks of
    // every piece.
    static std::vector<std::string> Split(std::string_view Text, std::string_view Delimiter,
                                          bool Collapse = false, bool TrimElements = false,
                                          int32_t Limit = -1);

    // Runs a Printer operation that checks its connection itself: 116
    // without one, before anything is sent; every error of the body raised
    // again with the operation's source appended.
    template <class F> static auto Operation(bool connected, const std::string& source, F&& body) {
        if (!connected)
            raiseNoConnection(source);
        try {
            return body();
        } catch (const Automation::Error& error) {
            Automation::reraise(error, source);
        }
    }

    // The text without the CR and LF characters at its end.
    static std::string WithoutTrailingLineBreaks(std::string text);

private:
    [[noreturn]] static void raiseNoConnection(const std::string& source);
};

} // namespace Brindle
