#pragma once
// The number of the automation error that a call raises; 0 when it raises none.
#include "automation/Error.h"

template <class F> int32_t errorNumberOf(F&& call) {
    try {
        call();
    } catch (const Automation::Error& error) {
        return error.Number();
    }
    return 0;
}
