#include <gtest/gtest.h>

#include "ErrorNumber.h"

#include <vector>

#include "Gaugely/Progress.h"
#include "Tickard/Timer.h"
#include "messages/Clock.h"
#include "messages/MessagePump.h"

using namespace Automation;
using Gaugely::Progress;

namespace {

Ref<Progress> withTasks(const std::vector<int32_t>& weights) {
    auto progress = New<Progress>();
    for (int32_t weight : weights)
        progress->TaskAdd("Task " + std::to_string(progress->TaskCount() + 1), weight);
    return progress;
}

// Pumps the thread's events for ms milliseconds.
void pumpFor(int32_t ms) {
    New<Tickard::Timer>()->Wait(ms, true);
}

class Recorder : public Gaugely::IProgressCallBack {
public:
    void Feedback(const Ref<Progress>& ProgressObj, bool& Cancel) override {
        values.push_back(ProgressObj->Value());
        if (cancelAt != 0 && values.size() >= cancelAt)
            Cancel = true;
    }
    std::vector<int32_t> values;
    size_t cancelAt = 0;
};

} // namespace

TEST(ProgressTest, ValueIsTheWeightsBeforePlusTheRoundedShareOfTheCurrentTask) {
    struct Case {
        std::vector<int32_t> weights;
        int32_t index, subTop, sub, value, percentage, subPercentage;
    };
    // Index 0: never set, read as the first task. Shares round half to even; percentages stop at
    // 100; weights are file sizes, so a share of 100 is taken beyond a Long; a task of weight 0
    // has nothing to show.
    const Case cases[] = {{{30, 70}, 2, 10, 5, 65, 65, 50},
                          {{4}, 1, 8, 1, 0, 0, 12},
                          {{4}, 1, 8, 3, 2, 50, 38},
                          {{4}, 1, 8, 5, 2, 50, 62},
                          {{4}, 1, 8, 7, 4, 100, 88},
                          {{4}, 0, 8, 4, 2, 50, 50},
                          {{10, 10}, 2, 10, 30, 40, 100, 100},
                          {{30'000'000, 70'000'000}, 2, 70'000'000, 35'000'000, 65'000'000, 65, 50},
                          {{1, 2'000'000'000}, 2, 2'000'000'000, 2'000'000'000, 2'000'000'001, 100, 100},
                          {{100, 0}, 2, 0, 0, 100, 100, 0}};
    for (const Case& c : cases) {
        auto progress = withTasks(c.weights);
        if (c.index != 0)
            progress->setTaskIndex(c.index);
        progress->setSubTopValue(c.subTop);
        progress->setSubValue(c.sub);
        SCOPED_TRACE(std::to_string(c.sub) + " of " + std::to_string(c.subTop));
        EXPECT_EQ(progress->Value(), c.value);
        EXPECT_EQ(progress->Percentage(), c.percentage);
        EXPECT_EQ(progress->SubPercentage(), c.subPercentage);
        EXPECT_EQ(progress->TaskIndex(), std::max(c.index, 1));
    }
}

TEST(ProgressTest, WhatCannotBeToldReadsZeroButAWrongTaskIndexFails) {
    auto empty = New<Progress>();
    EXPECT_EQ(empty->Percentage(), 0);
    EXPECT_EQ(empty->RemainingTime(), 0);
    EXPECT_EQ(empty->ElapsedTime(), 0);
    EXPECT_EQ(errorNumberOf([&] { empty->Value(); }), RuntimeError::SubscriptOutOfRange);

    // The index and the sub-value move before the error.
    auto progress = withTasks({30, 70});
    progress->setSubValue(12);
    EXPECT_EQ(errorNumberOf([&] { progress->setTaskIndex(3); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(progress->TaskIndex(), 3);
    EXPECT_EQ(progress->SubValue(), 0);
    EXPECT_EQ(errorNumberOf([&] { progress->Text(); }), RuntimeError::SubscriptOutOfRange);
}

TEST(ProgressTest, EveryExplicitCallNotifiesAndAddsTheAutoIncrement) {
    auto progress = withTasks({30, 70});
    int notifications = 0;
    auto onNotify = progress->Notification.connect([&](Ref<Progress>, bool&) { ++notifications; });
    progress->SetZeroProgress();
    EXPECT_EQ(progress->Text(), "Task 1"); // the task's text while there is no own one
    progress->SetText("Copying");
    EXPECT_EQ(progress->Text(), "Copying");
    progress->SetText("");
    EXPECT_EQ(progress->Text(), "Task 1");
    progress->SetFullProgress();
    EXPECT_EQ(progress->Percentage(), 100);
    EXPECT_EQ(notifications, 4);
    EXPECT_TRUE(progress->NotificationFired());
    EXPECT_FALSE(progress->NotificationFired()); // read and cleared

    progress->setAutoIncValue(5);
    progress->SetText("Waiting");
    progress->SetText("Waiting");
    EXPECT_EQ(progress->SubValue(), 80);
}

TEST(ProgressTest, NestedJobFillsOneTaskAndSeesTheOuterCancel) {
    auto recorder = New<Recorder>();
    auto outer = withTasks({40, 60});
    outer->setReceiver(recorder);
    outer->setTaskIndex(2);
    auto inner = withTasks({1, 3});
    inner->setReceiver(outer);
    inner->setTaskIndex(2);
    inner->setSubValue(3);
    inner->SetText("Sending");
    // 40 before, plus the inner value 4 of 4 filling the second task (60).
    EXPECT_EQ(outer->SubValue(), 4);
    EXPECT_EQ(outer->SubTopValue(), 4);
    EXPECT_EQ(recorder->values, std::vector<int32_t>{100});

    // The watcher cancels the outer job; the inner one sees it at its next notification.
    recorder->cancelAt = 2;
    inner->setSubValue(0);
    inner->SetText("Sending");
    EXPECT_TRUE(outer->Cancel());
    EXPECT_FALSE(inner->Cancel());
    inner->SetText("Sending");
    EXPECT_TRUE(inner->Cancel());
    EXPECT_EQ(recorder->values, (std::vector<int32_t>{100, 55, 55})); // then 40 + 1/4 of 60

    // A receiver's error fails the call that notified: here the outer job cannot read the
    // value of an inner one without tasks.
    auto empty = New<Progress>();
    empty->setReceiver(outer);
    EXPECT_EQ(errorNumberOf([&] { empty->SetText("x"); }), RuntimeError::SubscriptOutOfRange);
}

TEST(ProgressTest, RemainingTimeIsTheMeanOfTheLastTwentyEstimates) {
    auto progress = withTasks({100});
    progress->setTaskIndex(1);
    progress->setStart(true);
    // Early and below half: nothing shown, but the estimate is kept.
    Platform::AdvanceClockForTesting(1000);
    progress->setSubValue(10); // 1 s for 10 %: 9 s to go
    EXPECT_EQ(progress->RemainingTime(), 0);
    Platform::AdvanceClockForTesting(2000);
    progress->setSubValue(50); // 3 s for half: 3 s to go
    EXPECT_EQ(progress->RemainingTime(), 6);
    for (int i = 0; i < 19; ++i)
        progress->RemainingTime();
    EXPECT_EQ(progress->RemainingTime(), 3); // the 9 has dropped out
    progress->setSubValue(100);
    EXPECT_EQ(progress->RemainingTime(), 0) << "no estimate once done";
    progress->setStart(false);

    // An estimate beyond a Long is left out; the mean of the others stands.
    auto large = withTasks({2'000'000'000});
    large->setTaskIndex(1);
    large->setStart(true);
    Platform::AdvanceClockForTesting(3000);
    large->setSubValue(1'500'000'000); // 3 s for three quarters: 1 s to go
    EXPECT_EQ(large->RemainingTime(), 1);
    large->setSubValue(1);
    EXPECT_EQ(large->RemainingTime(), 1);
    large->setStart(false);
}

TEST(ProgressTest, NotifiesOnlyWhilePumpingAtMostOncePerIntervalAndOnceMoreOnStopping) {
    auto progress = withTasks({100});
    progress->setTaskIndex(1);
    std::vector<int64_t> times;
    auto onNotify = progress->Notification.connect(
        [&](Ref<Progress>, bool&) { times.push_back(Platform::MillisecondClock()); });
    progress->setStart(false); // even if never started
    EXPECT_EQ(times.size(), 1u);
    times.clear();

    progress->setNotificationInterval(100);
    progress->setStart(true);
    Platform::SleepWithoutEvents(250);
    EXPECT_TRUE(times.empty()); // neither starting nor time without pumping notifies
    pumpFor(650);
    ASSERT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 7u);
    // Ticks keep their schedule, so one delivered late under load is followed
    // by a shorter gap; never by two in one tick.
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 50);
    EXPECT_GE(progress->ElapsedTime(), 650);

    // A new interval waits for the next start.
    progress->setNotificationInterval(60'000);
    times.clear();
    pumpFor(350);
    EXPECT_FALSE(times.empty());
    progress->setStart(true);
    times.clear();
    pumpFor(350);
    EXPECT_TRUE(times.empty());

    // Stopping notifies once more, and then never again.
    progress->setNotificationInterval(50);
    progress->setStart(true);
    progress->setStart(false);
    EXPECT_EQ(times.size(), 1u);
    pumpFor(200);
    EXPECT_EQ(times.size(), 1u);
}

TEST(ProgressTest, AReceiverMayLetGoOfItselfWhileItIsTold) {
    // A watcher held only by the progress that detaches itself, then reads its own state.
    class Detaching : public Gaugely::IProgressCallBack {
    public:
        void Feedback(const Ref<Progress>& ProgressObj, bool& Cancel) override {
            ProgressObj->setReceiver(nullptr);
            Cancel = stopRequested;
        }
        bool stopRequested = true;
    };
    auto progress = withTasks({10});
    progress->setReceiver(New<Detaching>());
    progress->SetText("Stopping");
    EXPECT_TRUE(progress->Cancel());
    EXPECT_TRUE(progress->Receiver().isNothing());
}
