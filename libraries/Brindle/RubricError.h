#pragma once
// One error that the printer's interpreter reported in a command's output.
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/Object.h"

namespace Brindle {

class RubricError : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{8F5D1C2A-3B47-4E9A-9C61-2D7E0B4A6F18}",
                                                     "Brindle.RubricError",
                                                     "{0E6B3A94-71C5-4D28-A3F0-95B2C8E417D6}"};

    int32_t Number() const { return number_; }
    const std::string& Description() const { return description_; }
    int32_t Line() const { return line_; }

    void Clear();

    // Fills the fields from one line such as "Error 1022 in line 20: Invalid
    // font"; a line that is no error message raises 101 and changes nothing.
    void SetRBErrorMsg(std::string_view ErrorLine);

private:
    int32_t number_ = 0;
    std::string description_;
    int32_t line_ = 0;
};

} // namespace Brindle
