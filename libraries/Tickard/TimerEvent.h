#pragma once
// A periodic event on a thread timer without a window. Its ticks arrive only
// while the thread pumps events.
#include <cstdint>

#include "Tickard/modTimerEvent.h"
#include "automation/Event.h"
#include "automation/Object.h"

namespace Tickard {

class TimerEvent : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{B81C8E59-B111-4135-AD73-B10753C0E590}",
                                                     "Tickard.TimerEvent",
                                                     "{8124FDE6-4EA3-4173-9F2F-0402F9C64A43}"};

    // The rule for ticks that find no registry; the network finder keeps
    // such timers running.
    explicit TimerEvent(OrphanTicks orphanTicks = OrphanTicks::Kill);
    ~TimerEvent() override;
    TimerEvent(const TimerEvent&) = delete;
    TimerEvent& operator=(const TimerEvent&) = delete;

    bool Enabled() const;
    void setEnabled(bool value);
    int32_t Interval() const { return interval_; }
    void setInterval(int32_t value);

    // Raised once per tick.
    Automation::Event<> Timer;

private:
    friend class modTimerEvent;

    // Called by the registry for every tick; raises Timer when the tick is ours.
    void TimerCallBack(int32_t tickId);

    OrphanTicks orphanTicks_;
    int32_t interval_ = 1000;
    int32_t timerId_ = 0;
};

} // namespace Tickard
