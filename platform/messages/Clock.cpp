#include "messages/Clock.h"

#include <atomic>
#include <ctime>

namespace Platform {

namespace {
std::atomic<int64_t> testOffset{0};
}

int64_t MillisecondClock() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000 + testOffset.load();
}

bool GetTimerDeviceCaps(TimerDeviceCaps& caps) {
    // Qt's precise timers run on whole milliseconds; the longest period is
    // the one the original timer device reported.
    caps.periodMin = 1;
    caps.periodMax = 1000000;
    return true;
}

void AdvanceClockForTesting(int64_t ms) {
    testOffset += ms;
}

} // namespace Platform
