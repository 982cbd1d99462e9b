#include "Tickard/Timer.h"

#include <QTimer>
#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "messages/Clock.h"
#include "messages/HiddenWindow.h"

using namespace Tickard;

TEST(Timer, WaitRunsTheThreadsEventsOnlyWhenAskedAndReadsItsLimitAnew) {
    auto timer = Automation::New<Timer>();
    int seen = 0;
    Platform::HiddenWindow window([&](uint32_t, uintptr_t, intptr_t) { ++seen; });
    window.post(1025);
    timer->Wait(30, false);
    EXPECT_GE(timer->Elapsed(), 30);
    timer->Wait(0); // zero or less returns at once, without pumping either
    timer->Wait(-5);
    EXPECT_EQ(seen, 0);
    EXPECT_LT(timer->Elapsed(), 30);

    int32_t limit = 100000;
    QTimer::singleShot(20, [&] { limit = 60; });
    timer->Wait(limit);
    EXPECT_EQ(seen, 1);
    EXPECT_GE(timer->Elapsed(), 60);
    EXPECT_LT(timer->Elapsed(), 1000);
}

TEST(Timer, ElapsedDoesNotOverflowWhenTheUptimePassesTwoToThe31Ms) {
    // Move the clock to just before 2^31 ms of uptime, start, then pass it.
    int64_t toEdge = (int64_t(1) << 31) - 10 - Platform::MillisecondClock();
    Platform::AdvanceClockForTesting(toEdge);
    auto timer = Automation::New<Timer>();
    Platform::AdvanceClockForTesting(100);
    EXPECT_GE(timer->Elapsed(), 100);
    EXPECT_LT(timer->Elapsed(), 1000);
    // A span longer than a Long can hold is an overflow; Reset starts a new one.
    Platform::AdvanceClockForTesting(int64_t(1) << 32);
    EXPECT_EQ(errorNumberOf([&] { timer->Elapsed(); }), Automation::RuntimeError::Overflow);
    timer->Reset();
    EXPECT_LT(timer->Elapsed(), 1000);
    Platform::AdvanceClockForTesting(-toEdge - 100 - (int64_t(1) << 32));
}
