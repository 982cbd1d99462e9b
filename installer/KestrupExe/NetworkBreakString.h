#pragma once
// The answer for a printer behind a print server: the break string alone.
#include <string>

#include "KestrupExe/IBreakString.h"

namespace Kestrup {

class NetworkBreakString : public IBreakString {
public:
    int32_t BreakStringType() const override { return BST_Network; }

    // A member cannot carry its class's name in C++.
    const std::string& getBreakString() const { return breakString_; }
    void setBreakString(std::string value) { breakString_ = std::move(value); }

private:
    std::string breakString_;
};

} // namespace Kestrup
