#include "Tickard/TimerEvent.h"

#include "messages/GuardedEntry.h"

namespace Tickard {

TimerEvent::TimerEvent(OrphanTicks orphanTicks) : orphanTicks_(orphanTicks) {}

TimerEvent::~TimerEvent() {
    modTimerEvent::StopTimer(orphanTicks_, timerId_);
}

bool TimerEvent::Enabled() const {
    return modTimerEvent::TimerRunning(timerId_);
}

void TimerEvent::setEnabled(bool value) {
    if (!value)
        modTimerEvent::StopTimer(orphanTicks_, timerId_);
    else if (!modTimerEvent::TimerRunning(timerId_))
        timerId_ = modTimerEvent::StartTimer(orphanTicks_, this, interval_, timerId_);
}

void TimerEvent::setInterval(int32_t value) {
    if (value < 1) {
        interval_ = 0;
        modTimerEvent::StopTimer(orphanTicks_, timerId_);
        return;
    }
    if (modTimerEvent::TimerRunning(timerId_)) {
        modTimerEvent::StopTimer(orphanTicks_, timerId_);
        timerId_ = modTimerEvent::StartTimer(orphanTicks_, this, value, timerId_);
    }
    interval_ = value;
}

void TimerEvent::TimerCallBack(int32_t tickId) {
    if (tickId != timerId_)
        return;
    // A handler's error does not stop the timer, nor the other timers of this tick.
    Platform::fromEventLoop("Tickard.TimerEvent", [&] { Timer.raise(); });
}

} // namespace Tickard
