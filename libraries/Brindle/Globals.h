#pragma once
// Helpers for putting a caller's values into Rubric text.
#include <string>
#include <string_view>

namespace Brindle {

class Globals {
public:
    // A name, path, setup key or value, user or password goes into Rubric
    // text only when it can neither end a quoted string (") nor split or fake
    // the command frame (CR, LF, the frame's control bytes): such a value is
    // refused with 101 and the member's source before anything is sent.
    static void CheckRubricValue(std::string_view value, const std::string& source);

    // Every blank written as a backslash and a blank, for the printer's shell.
    static std::string EscapeBlanks(std::string_view path);
};

} // namespace Brindle
