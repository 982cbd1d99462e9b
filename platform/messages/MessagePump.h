#pragma once
// The thread's message pump, on Qt's event loop.
#include <cstdint>

namespace Platform {

// One pass over the pending events (timers, sockets, serial lines, windows).
void DoEvents();

// Blocks in the event loop until an event has been handled or `ms` has
// passed, whichever is first; never spins. A value of 0 or less is one pass.
void WaitForEvents(int32_t ms);

// Sleeps the thread for `ms` without handling any event.
void SleepWithoutEvents(int32_t ms);

} // namespace Platform
