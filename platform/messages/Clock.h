#pragma once
// The millisecond clock behind the stopwatch: 64 bits, monotonic, so it does
// not wrap while the machine runs.
#include <cstdint>

namespace Platform {

// Milliseconds since an arbitrary fixed moment (the system start).
int64_t MillisecondClock();

// The smallest and largest period in ms that thread timers support; false
// when they cannot be told.
struct TimerDeviceCaps {
    uint32_t periodMin = 0;
    uint32_t periodMax = 0;
};
bool GetTimerDeviceCaps(TimerDeviceCaps& caps);

// Tests move the clock forward to reach long uptimes.
void AdvanceClockForTesting(int64_t ms);

} // namespace Platform
