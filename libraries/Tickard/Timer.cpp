#include "Tickard/Timer.h"

#include <limits>

#include "messages/Clock.h"
#include "messages/MessagePump.h"

namespace Tickard {

Timer::Timer() {
    Platform::TimerDeviceCaps caps;
    if (Platform::GetTimerDeviceCaps(caps)) {
        minimumResolution_ = static_cast<int32_t>(caps.periodMin);
        maximumResolution_ = static_cast<int32_t>(caps.periodMax);
    }
    start_ = Platform::MillisecondClock();
}

int32_t Timer::Elapsed() const {
    // The clock has 64 bits, so only a measurement longer than a Long can
    // hold overflows, not one that spans some moment of the machine's uptime.
    int64_t elapsed = Platform::MillisecondClock() - start_;
    if (elapsed > std::numeric_limits<int32_t>::max())
        Automation::raise(Automation::RuntimeError::Overflow, "Tickard");
    return static_cast<int32_t>(elapsed);
}

void Timer::Reset() {
    start_ = Platform::MillisecondClock();
}

void Timer::Wait(const int32_t& lmSec, bool bDoevents) {
    Reset();
    for (;;) {
        int32_t elapsed = Elapsed();
        if (elapsed >= lmSec)
            return;
        if (bDoevents)
            Platform::WaitForEvents(lmSec - elapsed);
        else
            Platform::SleepWithoutEvents(lmSec - elapsed);
    }
}

} // namespace Tickard
