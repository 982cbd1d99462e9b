#pragma once
// One value of every type the control sends, for the tests that answer with them.
#include <array>
#include <utility>

#include "Trapline/SNMP.h"

namespace Trapline::Testing {

inline constexpr std::array<std::pair<TObjType, const char*>, 10> everyType = {{
    {ot_Integer, "-5"},
    {ot_OctetString, "Hublet"},
    {ot_Null, ""},
    {ot_ObjectId, "1.3.6.1.4.1.1963"},
    {ot_IPAddress, "127.0.0.9"},
    {ot_Counter32, "4294967295"},
    {ot_Gauge32, "7"},
    {ot_TimeTicks, "3000000000"},
    {ot_Counter64, "18446744073709551615"},
    {ot_UnsignedInteger32, "1"},
}};

// Fills the control's bindings with those values, keeping their names.
inline void setEveryType(SNMP& control) {
    control.setObjCount(static_cast<int16_t>(everyType.size()));
    for (int16_t i = 1; i <= control.ObjCount(); ++i) {
        control.setObjType(i, everyType[std::size_t(i - 1)].first);
        control.setObjValue(i, everyType[std::size_t(i - 1)].second);
    }
}

} // namespace Trapline::Testing
