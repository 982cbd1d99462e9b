#pragma once
// The placeholder port of port type 9: a class without members that offers no
// port interface.
#include "automation/Object.h"

namespace Tethra {

class DummyPort : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{0E8C2D47-5B1A-4F60-8D3E-2A9C71B4F5D0}",
                                                     "Tethra.DummyPort",
                                                     "{7C21E9A3-6D4B-4E8F-A05C-3B1D92F64E17}"};
};

} // namespace Tethra
