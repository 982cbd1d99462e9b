#include "messages/MessagePump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <thread>

namespace Platform {

void DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
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

void SleepWithoutEvents(int32_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace Platform
