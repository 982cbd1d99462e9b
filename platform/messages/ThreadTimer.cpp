#include "messages/ThreadTimer.h"

#include "messages/GuardedEntry.h"

#include <QObject>
#include <QTimerEvent>
#include <memory>
#include <unordered_map>

namespace Platform {

namespace {

class ThreadTimerHost : public QObject {
public:
    int32_t add(int32_t periodMs, ThreadTimerCallback callback) {
        int id = startTimer(periodMs, Qt::PreciseTimer);
        if (id != 0)
            callbacks_[id] = std::make_shared<ThreadTimerCallback>(std::move(callback));
        return id;
    }

    bool remove(int32_t id) {
        auto it = callbacks_.find(id);
        if (it == callbacks_.end())
            return false;
        callbacks_.erase(it);
        killTimer(id);
        return true;
    }

protected:
    void timerEvent(QTimerEvent* event) override {
        auto it = callbacks_.find(event->timerId());
        if (it == callbacks_.end())
            return;
        // The callback may kill its own timer while it runs.
        auto callback = it->second;
        fromEventLoop("a timer tick", [&] { (*callback)(WM_TIMER, event->timerId()); });
    }

private:
    std::unordered_map<int, std::shared_ptr<ThreadTimerCallback>> callbacks_;
};

ThreadTimerHost& host() {
    thread_local ThreadTimerHost instance;
    return instance;
}

} // namespace

int32_t SetThreadTimer(int32_t periodMs, ThreadTimerCallback callback) {
    if (periodMs < 1)
        return 0;
    return host().add(periodMs, std::move(callback));
}

bool KillThreadTimer(int32_t timerId) {
    return timerId != 0 && host().remove(timerId);
}

} // namespace Platform
