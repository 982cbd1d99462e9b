#include "Tickard/TimerEvent.h"

#include <gtest/gtest.h>

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

TEST(TimerEvent, StartsStoppedAndTicksOnlyWhilePumping) {
    auto event = New<TimerEvent>();
    EXPECT_EQ(event->Interval(), 1000);
    EXPECT_FALSE(event->Enabled());
    int ticks = 0;
    auto c = event->Timer.connect([&] { ++ticks; });
    event->setInterval(10);
    EXPECT_FALSE(event->Enabled()) << "a stopped event only stores its interval";
    event->setEnabled(true);
    EXPECT_TRUE(event->Enabled());
    Platform::SleepWithoutEvents(40);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
    event->setEnabled(false);
    EXPECT_FALSE(event->Enabled());
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
}

TEST(TimerEvent, IntervalBelowOneStopsAndBlocksEnabling) {
    auto event = New<TimerEvent>();
    event->setInterval(10);
    event->setEnabled(true);
    event->setInterval(-3);
    EXPECT_EQ(event->Interval(), 0);
    EXPECT_FALSE(event->Enabled());
    event->setEnabled(true);
    EXPECT_FALSE(event->Enabled());
    event->setInterval(10);
    EXPECT_FALSE(event->Enabled());
    event->setEnabled(true);
    EXPECT_TRUE(event->Enabled());
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
    // Due 400 ms after the restart, not 400 ms after the enabling.
    EXPECT_LT(timer->Elapsed(), 600);
}

TEST(TimerEvent, HandlersMayStopOrDestroyAnyEventDuringDispatch) {
    Ref<TimerEvent> first = New<TimerEvent>();
    Ref<TimerEvent> second = New<TimerEvent>();
    int firstTicks = 0, secondTicks = 0;
    auto c1 = first->Timer.connect([&] {
        ++firstTicks;
        second.reset(); // destroys the other running event
        first.reset();  // and itself
    });
    auto c2 = second->Timer.connect([&] { ++secondTicks; });
    first->setInterval(5);
    second->setInterval(5);
    first->setEnabled(true);
    second->setEnabled(true);
    EXPECT_TRUE(pumpUntil([&] { return firstTicks > 0 || secondTicks > 0; }));
    if (firstTicks > 0) {
        EXPECT_TRUE(first.isNothing() && second.isNothing());
    }
    // Whatever ran first, once both are gone no tick reaches them.
    first.reset();
    second.reset();
    int before = firstTicks + secondTicks;
    auto timer = New<Timer>();
    timer->Wait(40);
    EXPECT_EQ(firstTicks + secondTicks, before);
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
}

TEST(TimerEvent, ReleasingTheLastRunningEventDropsTheRegistry) {
    {
        auto event = New<TimerEvent>();
        event->setEnabled(true);
        EXPECT_TRUE(modTimerEvent::Exists(OrphanTicks::Kill));
    }
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
}

TEST(TimerEvent, AHandlerErrorIsSwallowedAndTheTimerKeepsRunning) {
    auto event = New<TimerEvent>();
    int ticks = 0;
    auto c = event->Timer.connect([&] {
        ++ticks;
        Automation::raise(5, "handler");
    });
    event->setInterval(5);
    event->setEnabled(true);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
}

TEST(modTimerEvent, OrphanTicksAreKilledOrIgnoredByRule) {
    ASSERT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
    ASSERT_FALSE(modTimerEvent::Exists(OrphanTicks::Ignore));
    int32_t orphan = Platform::SetThreadTimer(1000, [](uint32_t, int32_t) {});
    modTimerEvent::TimerProc(OrphanTicks::Ignore, Platform::WM_TIMER, orphan);
    modTimerEvent::TimerProc(OrphanTicks::Kill, 274, orphan); // not the timer message
    EXPECT_TRUE(Platform::KillThreadTimer(orphan)) << "still running";

    orphan = Platform::SetThreadTimer(1000, [](uint32_t, int32_t) {});
    modTimerEvent::TimerProc(OrphanTicks::Kill, Platform::WM_TIMER, orphan);
    EXPECT_FALSE(Platform::KillThreadTimer(orphan)) << "killed at its first tick";

    // With a registry, an unknown id finds no object and is left running.
    auto event = New<TimerEvent>();
    event->setEnabled(true);
    orphan = Platform::SetThreadTimer(1000, [](uint32_t, int32_t) {});
    modTimerEvent::TimerProc(OrphanTicks::Kill, Platform::WM_TIMER, orphan);
    EXPECT_TRUE(Platform::KillThreadTimer(orphan));
}

TEST(modTimerEvent, TheNetworkFindersRuleHasItsOwnRegistry) {
    auto event = New<TimerEvent>(OrphanTicks::Ignore);
    int ticks = 0;
    auto c = event->Timer.connect([&] { ++ticks; });
    event->setInterval(5);
    event->setEnabled(true);
    EXPECT_TRUE(modTimerEvent::Exists(OrphanTicks::Ignore));
    EXPECT_FALSE(modTimerEvent::Exists(OrphanTicks::Kill));
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 1; }));
}
