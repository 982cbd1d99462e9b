#pragma once
// The thread's registry of running TimerEvent objects and the callback that
// every tick of their thread timers goes through. The registry does not own
// its objects; it exists while at least one timer runs.
#include <cstdint>

namespace Tickard {

class TimerEvent;

// What a tick does that finds no registry on its thread.
enum class OrphanTicks {
    Kill,   // stop that timer at its first tick
    Ignore, // leave it ticking
};

class modTimerEvent {
public:
    // Starts a timer for the object when id is 0 and the period positive;
    // returns the id the object holds from now on (0 when refused).
    static int32_t StartTimer(OrphanTicks rule, TimerEvent* object, int32_t periodMs, int32_t id);
    // Stops the timer and sets id to 0; a timer that cannot be killed stays.
    static void StopTimer(OrphanTicks rule, int32_t& id);
    static bool TimerRunning(int32_t id) { return id != 0; }
    // A tick of the thread timer tickId (message 275; others are ignored).
    static void TimerProc(OrphanTicks rule, uint32_t message, int32_t tickId);
    // True while the thread's registry exists.
    static bool Exists(OrphanTicks rule);
};

} // namespace Tickard
