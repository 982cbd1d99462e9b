#pragma once
// The thread's message pump, on Qt's event loop.
#include <cstdint>
#include <functional>

namespace Platform {

// One pass over the pending events (timers, sockets, serial lines, windows).
void DoEvents();

// A pass for a loop that moves data between its passes: what is posted runs
// at once, and the event sources are polled when `pollEveryUs` microseconds
// have passed since this thread last polled them here, since a full pass
// costs more than a block of data. Never blocks.
void DoEventsWhileMoving(int32_t pollEveryUs);

// Blocks in the event loop until an event has been handled or `ms` has
// passed, whichever is first; never spins. A value of 0 or less is one pass.
void WaitForEvents(int32_t ms);

// Pumps until `condition` holds or `limitMs` has passed, for conditions that
// no event announces (a kernel queue running dry, a peer's close): the
// condition is looked at after each pass, and each pass blocks at most 10 ms.
// Returns whether the condition held.
bool WaitUntil(const std::function<bool()>& condition, int32_t limitMs);

// Sleeps the thread for `ms` without handling any event.
void SleepWithoutEvents(int32_t ms);

} // namespace Platform
