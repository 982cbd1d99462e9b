#pragma once
// A text that stops a running program on the printer.
#include <string>

#include "automation/Object.h"

namespace Scrivel {

class BreakString : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9C1E5A37-2B84-4D60-A3F9-7E0D6B4C8152}",
                                                     "Scrivel.BreakString",
                                                     "{3B7F0D92-E6A5-4C18-9D24-58A1C7E3F0B6}"};

    const std::string& Key() const { return key_; }
    void setKey(std::string value) { key_ = std::move(value); }
    // The entry's text; a member cannot carry its class's name in C++.
    const std::string& getBreakString() const { return breakString_; }
    void setBreakString(std::string value) { breakString_ = std::move(value); }

private:
    std::string key_;
    std::string breakString_;
};

} // namespace Scrivel
