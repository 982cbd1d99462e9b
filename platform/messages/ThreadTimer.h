#pragma once
// Periodic timers without a window: each tick calls the callback with the
// timer message (275) and the timer's id, from the thread's event loop.
#include <cstdint>
#include <functional>

namespace Platform {

inline constexpr uint32_t WM_TIMER = 275;

using ThreadTimerCallback = std::function<void(uint32_t message, int32_t timerId)>;

// Starts a periodic timer; returns its id, or 0 when the platform refuses it.
int32_t SetThreadTimer(int32_t periodMs, ThreadTimerCallback callback);

// Stops a timer; false when no timer of that id runs on this thread.
bool KillThreadTimer(int32_t timerId);

} // namespace Platform
