#include "messages/Clock.h"
#include "messages/GuardedEntry.h"
#include "messages/HiddenWindow.h"
#include "messages/MessagePump.h"
#include "messages/ModalBox.h"
#include "messages/ThreadTimer.h"
#include "messages/WeakControl.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

#include "ErrorNumber.h"

using namespace Platform;

TEST(MessagePump, WaitForEventsReturnsAtTheTimeOutWhenNothingHappens) {
    DoEvents(); // what start-up left pending
    int64_t start = MillisecondClock();
    WaitForEvents(50);
    EXPECT_GE(MillisecondClock() - start, 49);
}

TEST(MessagePump, WaitForEventsReturnsWhenAnEventArrives) {
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    int64_t start = MillisecondClock();
    while (!fired && MillisecondClock() - start < 5000)
        WaitForEvents(5000);
    EXPECT_TRUE(fired);
    EXPECT_LT(MillisecondClock() - start, 4000);
}

TEST(MessagePump, APassWhileMovingRunsWhatIsPostedAtOnceAndTheTimersSoon) {
    DoEventsWhileMoving(0); // a full pass just before
    bool posted = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { posted = true; }, Qt::QueuedConnection);
    DoEventsWhileMoving(1000000);
    EXPECT_TRUE(posted);
    // A loop that moves data sees a timer that is due, without ever waiting.
    bool fired = false;
    QTimer::singleShot(1, [&] { fired = true; });
    int64_t start = MillisecondClock();
    while (!fired && MillisecondClock() - start < 5000)
        DoEventsWhileMoving(100);
    EXPECT_TRUE(fired);
}

TEST(ThreadTimer, TicksOnlyWhilePumpingAndStopsWhenKilled) {
    std::vector<std::pair<uint32_t, int32_t>> ticks;
    int32_t id =
        SetThreadTimer(5, [&](uint32_t message, int32_t timerId) { ticks.emplace_back(message, timerId); });
    ASSERT_NE(id, 0);
    SleepWithoutEvents(30);
    EXPECT_TRUE(ticks.empty());
    int64_t start = MillisecondClock();
    while (ticks.size() < 2 && MillisecondClock() - start < 5000)
        WaitForEvents(100);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[0], std::make_pair(WM_TIMER, id));
    EXPECT_TRUE(KillThreadTimer(id));
    EXPECT_FALSE(KillThreadTimer(id));
    ticks.clear();
    SleepWithoutEvents(20);
    WaitForEvents(30);
    EXPECT_TRUE(ticks.empty());
}

TEST(ThreadTimer, ACallbackMayKillItsOwnTimer) {
    int count = 0;
    int32_t id = 0;
    id = SetThreadTimer(1, [&](uint32_t, int32_t timerId) {
        ++count;
        KillThreadTimer(timerId);
    });
    ASSERT_NE(id, 0);
    for (int i = 0; i < 20; ++i)
        WaitForEvents(5);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(SetThreadTimer(0, [](uint32_t, int32_t) {}), 0);
}

TEST(HiddenWindow, PostedMessagesArriveAtTheNextPumpInOrder) {
    std::vector<uint32_t> seen;
    HiddenWindow window([&](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        seen.push_back(message);
        EXPECT_EQ(wParam, 7u);
        EXPECT_EQ(lParam, -1);
    });
    window.post(1025, 7, -1);
    window.post(1026, 7, -1);
    EXPECT_TRUE(seen.empty());
    DoEvents();
    EXPECT_EQ(seen, (std::vector<uint32_t>{1025, 1026}));
}

TEST(HiddenWindow, DestructionDropsQueuedMessages) {
    int seen = 0;
    {
        HiddenWindow window([&](uint32_t, uintptr_t, intptr_t) { ++seen; });
        window.post(1025);
    }
    DoEvents();
    EXPECT_EQ(seen, 0);
}

TEST(Clock, IsMonotonicAndCanBeAdvanced) {
    int64_t before = MillisecondClock();
    AdvanceClockForTesting(int64_t(1) << 32);
    EXPECT_GE(MillisecondClock() - before, int64_t(1) << 32);
    AdvanceClockForTesting(-(int64_t(1) << 32));
    TimerDeviceCaps caps;
    ASSERT_TRUE(GetTimerDeviceCaps(caps));
    EXPECT_LE(caps.periodMin, caps.periodMax);
}

TEST(GuardedEntry, NothingThrowsThroughTheEventLoop) {
    // A foreign exception from a posted delivery and from a timer tick is
    // reported, and the pump goes on with the next delivery.
    std::vector<uint32_t> seen;
    HiddenWindow window([&](uint32_t message, uintptr_t, intptr_t) {
        seen.push_back(message);
        if (message == 1)
            throw std::out_of_range("vector::at");
        if (message == 2)
            Automation::raise(5, "Handler");
    });
    int ticks = 0;
    int32_t id = SetThreadTimer(1, [&](uint32_t, int32_t timerId) {
        ++ticks;
        KillThreadTimer(timerId);
        throw std::runtime_error("tick failed");
    });
    testing::internal::CaptureStderr();
    window.post(1);
    window.post(2);
    window.post(3);
    WaitUntil([&] { return ticks > 0 && seen.size() == 3; }, 5000);
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(ticks, 1);
    EXPECT_NE(id, 0);
    EXPECT_NE(report.find("vector::at"), std::string::npos) << report;
    EXPECT_NE(report.find("tick failed"), std::string::npos) << report;
    // An automation error goes its route, silently.
    EXPECT_EQ(report.find("Handler"), std::string::npos) << report;

    int routed = 0;
    fromEventLoop(
        "test", [] { Automation::raise(91, "Here"); },
        [&](const Automation::Error& error) { routed = error.Number(); });
    EXPECT_EQ(routed, 91);
}

TEST(WaitUntil, EndsWhenTheConditionHoldsOrAtItsLimit) {
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    EXPECT_TRUE(WaitUntil([&] { return fired; }, 5000));

    int looks = 0;
    int64_t start = MillisecondClock();
    EXPECT_FALSE(WaitUntil(
        [&] {
            ++looks;
            return false;
        },
        100));
    EXPECT_GE(MillisecondClock() - start, 99);
    // Slices of up to 10 ms: the condition is looked at about ten times, not thousands.
    EXPECT_LE(looks, 40);
    EXPECT_GE(looks, 5);
    EXPECT_FALSE(WaitUntil([] { return false; }, 0));
}

TEST(ModalBox, WithoutAHookABoxIsAnsweredWithItsFirstButton) {
    auto previous = Platform::setModalBoxHook({});
    EXPECT_EQ(Platform::ShowModalBox("text", "title"), Platform::MsgBoxResult::OK);
    EXPECT_EQ(Platform::ShowModalBox("text", "title", Platform::MsgBoxStyle::OKCancel),
              Platform::MsgBoxResult::OK);
    EXPECT_EQ(Platform::ShowModalBox("Do you want to continue the update?", "Kestrup",
                                     Platform::MsgBoxStyle::YesNo),
              Platform::MsgBoxResult::Yes);
    Platform::setModalBoxHook(previous);
}

TEST(WeakControl, ReachesItsObjectWhileItLivesAndRaises91After) {
    auto* object = new QObject;
    object->setObjectName("control");
    Platform::WeakControl<QObject> hold(object);
    EXPECT_EQ(hold->objectName(), "control");
    delete object;
    EXPECT_EQ(errorNumberOf([&] { hold->objectName(); }), 91);
}
