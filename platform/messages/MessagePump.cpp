#include "messages/MessagePump.h"

#include "messages/Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace Platform {

void DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void DoEventsWhileMoving(int32_t pollEveryUs) {
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point lastPoll;
    const Clock::time_point now = Clock::now();
    if (now - lastPoll >= std::chrono::microseconds(pollEveryUs)) {
        lastPoll = now;
        DoEvents();
    } else {
        QCoreApplication::sendPostedEvents();
    }
}

void WaitForEvents(int32_t ms) {
    if (ms <= 0) {
        DoEvents();
        return;
    }
    // The single-shot timer guarantees that the blocking pass returns by `ms`.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool WaitUntil(const std::function<bool()>& condition, int32_t limitMs) {
    constexpr int64_t SliceMs = 10;
    const int64_t end = MillisecondClock() + std::max(limitMs, 0);
    while (!condition()) {
        int64_t left = end - MillisecondClock();
        if (left <= 0)
            return false;
        WaitForEvents(static_cast<int32_t>(std::min(left, SliceMs)));
    }
    return true;
}

void SleepWithoutEvents(int32_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace Platform
