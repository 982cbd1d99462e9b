#include "Tickard/TimerEvent.h"

#include <gtest/gtest.h>
#include <vector>

#include "Tickard/Timer.h"
#include "messages/MessagePump.h"
#include "messages/ThreadTimer.h"

using namespace Tickard;
using Automation::New;
using Automation::Ref;

namespace {
// Pumps until the condition holds or two seconds pass.
template <class F> bool pumpUntil(F done) {
    auto timer = New<Timer>();
    while (!done()) {
        if (timer->Elapsed() > 2000)
            return false;
        Platform::WaitForEvents(20);
    }
    return true;
}
} // namespace

TEST(TimerEvent, TicksOnlyWhilePumpingAndFollowsTheIntervalRules) {
    auto event = New<TimerEvent>();
    int ticks = 0;
    auto c = event->Timer.connect([&] {
        ++ticks;
        Automation::raise(5, "handler"); // does not stop the timer
    });
    event->setInterval(10);
    EXPECT_FALSE(event->Enabled()) << "a stopped event only stores its interval";
    event->setEnabled(true);
    Platform::SleepWithoutEvents(40);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));

    event->setInterval(-3); // below one: stops, and enabling is refused until a positive interval
    EXPECT_EQ(event->Interval(), 0);
    event->setEnabled(true);
    EXPECT_FALSE(event->Enabled());
    event->setInterval(10);
    EXPECT_FALSE(event->Enabled());
    event->setEnabled(true);
    EXPECT_TRUE(event->Enabled());
    event.reset(); // releasing the last running event drops the registry
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
}

TEST(TimerEvent, APositiveIntervalRestartsTheRunningPeriodButEnablingDoesNot) {
    auto event = New<TimerEvent>();
    int ticks = 0;
    auto c = event->Timer.connect([&] { ++ticks; });
    event->setInterval(400);
    event->setEnabled(true);
    auto timer = New<Timer>();
    timer->Wait(250);
    event->setInterval(400); // same value: the period starts again
    timer->Wait(250);
    EXPECT_EQ(ticks, 0);
    event->setEnabled(true); // already running: no restart
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 1; }));
    EXPECT_LT(timer->Elapsed(), 600); // due 400 ms after the restart, not after the enabling
}

TEST(TimerEvent, AHandlerMayDestroyItsOwnAndOtherRunningEventsDuringDispatch) {
    Ref<TimerEvent> events[] = {New<TimerEvent>(), New<TimerEvent>()};
    int ticks = 0;
    std::vector<Automation::EventConnection> connections;
    for (auto& event : events) {
        connections.push_back(event->Timer.connect([&] {
            ++ticks;
            for (auto& each : events)
                each.reset();
        }));
        event->setInterval(5);
        event->setEnabled(true);
    }
    EXPECT_TRUE(pumpUntil([&] { return ticks > 0; }));
    New<Timer>()->Wait(40);
    EXPECT_EQ(ticks, 1) << "no tick reaches an event once it is gone";
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
}

TEST(modTimerEvent, OrphanTicksAreKilledOrIgnoredByRuleEachWithItsOwnRegistry) {
    ASSERT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
    ASSERT_FALSE(modTimerEvent::Exists(OrphanTicks::Ignore));
    auto startOrphan = [] { return Platform::SetThreadTimer(1000, [](uint32_t, int32_t) {}); };
    int32_t orphan = startOrphan();
    modTimerEvent::TimerProc(OrphanTicks::Ignore, Platform::WM_TIMER, orphan);
    modTimerEvent::TimerProc(OrphanTicks::Kill, 274, orphan); // not the timer message
    EXPECT_TRUE(Platform::KillThreadTimer(orphan)) << "still running";

    orphan = startOrphan();
    modTimerEvent::TimerProc(OrphanTicks::Kill, Platform::WM_TIMER, orphan);
    EXPECT_FALSE(Platform::KillThreadTimer(orphan)) << "killed at its first tick";

    // The network finder's events live in a registry of their own and tick there.
    auto finder = New<TimerEvent>(OrphanTicks::Ignore);
    int ticks = 0;
    auto c = finder->Timer.connect([&] { ++ticks; });
    finder->setInterval(5);
    finder->setEnabled(true);
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 1; }));

    // With a registry, an unknown id finds no object and is left running.
    auto event = New<TimerEvent>();
    event->setEnabled(true);
    orphan = startOrphan();
    modTimerEvent::TimerProc(OrphanTicks::Kill, Platform::WM_TIMER, orphan);
    EXPECT_TRUE(Platform::KillThreadTimer(orphan));
}
