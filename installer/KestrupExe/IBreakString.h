#pragma once
// A break-string question of the installation engine, filled in by the
// break-string dialog: serial (with the line settings) or network.
#include <cstdint>

#include "automation/Object.h"

namespace Kestrup {

enum enumBreakStringType : int32_t { BST_Serial = 1, BST_Network = 2 };

class IBreakString : public Automation::Object {
public:
    virtual int32_t BreakStringType() const { return 0; }
};

} // namespace Kestrup
