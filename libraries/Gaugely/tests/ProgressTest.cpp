#include <gtest/gtest.h>

#include "ErrorNumber.h"

#include <functional>
#include <vector>

#include "Gaugely/Progress.h"
#include "Tickard/Timer.h"
#include "messages/Clock.h"
#include "messages/MessagePump.h"

using namespace Automation;
using Gaugely::Progress;

namespace {

Ref<Progress> withTasks(std::initializer_list<int32_t> weights) {
    auto progress = New<Progress>();
    int n = 0;
    for (int32_t weight : weights)
        progress->TaskAdd("Task " + std::to_string(++n), weight);
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

TEST(ProgressTest, ValueIsTheWeightsBeforePlusTheShareOfTheCurrentTask) {
    auto progress = withTasks({30, 70});
    EXPECT_EQ(progress->TopValue(), 100);
    progress->setTaskIndex(2);
    EXPECT_EQ(progress->SubTopValue(), 70);
    progress->setSubTopValue(10);
    progress->setSubValue(5);
    EXPECT_EQ(progress->Value(), 65);
    EXPECT_EQ(progress->Percentage(), 65);
    EXPECT_EQ(progress->SubPercentage(), 50);

    // Shares round to the nearest whole number, halves to even.
    auto single = withTasks({4});
    single->setTaskIndex(1);
    single->setSubTopValue(8);
    for (auto [sub, expected] : {std::pair{1, 0}, {3, 2}, {5, 2}, {7, 4}}) {
        single->setSubValue(sub);
        EXPECT_EQ(single->Value(), expected) << sub;
    }

    // An index below 1 reads as the first task and stays corrected.
    auto fresh = withTasks({4});
    fresh->setSubTopValue(8);
    fresh->setSubValue(4);
    EXPECT_EQ(fresh->Value(), 2);
    EXPECT_EQ(fresh->TaskIndex(), 1);
}

TEST(ProgressTest, PercentagesStayBetweenTheBoundsAndDoNotFail) {
    auto progress = withTasks({10, 10});
    progress->setTaskIndex(2);
    progress->setSubValue(30);
    EXPECT_EQ(progress->Value(), 40); // beyond TopValue
    EXPECT_EQ(progress->Percentage(), 100);
    EXPECT_EQ(progress->SubPercentage(), 100);

    auto empty = New<Progress>();
    EXPECT_EQ(empty->Percentage(), 0);
    EXPECT_EQ(empty->TopValue(), 0);
    EXPECT_EQ(empty->RemainingTime(), 0);
    EXPECT_EQ(empty->ElapsedTime(), 0);
    EXPECT_EQ(errorNumberOf([&] { empty->Value(); }), RuntimeError::SubscriptOutOfRange);
}

TEST(ProgressTest, LargeWeightsGiveTheirPercentage) {
    // Weights are file sizes; Value x 100 no longer fits a Long here.
    auto progress = withTasks({30'000'000, 70'000'000});
    progress->setTaskIndex(2);
    progress->setSubValue(35'000'000);
    EXPECT_EQ(progress->Value(), 65'000'000);
    EXPECT_EQ(progress->Percentage(), 65);
    EXPECT_EQ(progress->SubPercentage(), 50);

    auto huge = withTasks({1, 2'000'000'000});
    huge->setTaskIndex(2);
    huge->setSubValue(2'000'000'000);
    EXPECT_EQ(huge->Percentage(), 100);
}

TEST(ProgressTest, AZeroLengthTaskCountsAsNothingToDo) {
    auto progress = withTasks({100, 0});
    progress->setTaskIndex(2);
    EXPECT_EQ(progress->SubTopValue(), 0);
    EXPECT_EQ(progress->Value(), 100);
    EXPECT_EQ(progress->SubPercentage(), 0);

    // A finished job that ends on an empty file reports through its receiver.
    auto outer = withTasks({50});
    outer->setTaskIndex(1);
    auto inner = withTasks({0});
    inner->setReceiver(outer);
    inner->SetFullProgress();
    EXPECT_EQ(outer->SubTopValue(), 0);
    EXPECT_EQ(outer->Value(), 0);
}

TEST(ProgressTest, TaskIndexOutsideTheListFailsAfterMovingTheIndex) {
    auto progress = withTasks({30, 70});
    progress->setTaskIndex(1);
    progress->setSubValue(12);
    EXPECT_EQ(errorNumberOf([&] { progress->setTaskIndex(3); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(progress->TaskIndex(), 3);
    EXPECT_EQ(progress->SubValue(), 0);
    EXPECT_EQ(progress->SubTopValue(), 30);
    EXPECT_EQ(errorNumberOf([&] { progress->Text(); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { progress->TaskWeight(0); }), RuntimeError::SubscriptOutOfRange);
}

TEST(ProgressTest, TextAndExplicitNotifications) {
    auto progress = withTasks({30, 70});
    int notifications = 0;
    auto onNotify = progress->Notification.connect([&](Ref<Progress>, bool&) { ++notifications; });

    progress->SetZeroProgress();
    EXPECT_EQ(progress->TaskIndex(), 1);
    EXPECT_EQ(progress->Text(), "Task 1");
    progress->SetText("Copying");
    EXPECT_EQ(progress->Text(), "Copying");
    progress->SetText("");
    EXPECT_EQ(progress->Text(), "Task 1");
    progress->SetFullProgress();
    EXPECT_EQ(progress->Percentage(), 100);
    EXPECT_EQ(notifications, 4);

    EXPECT_TRUE(progress->NotificationFired());
    EXPECT_FALSE(progress->NotificationFired());

    // Every notification adds the auto-increment.
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
    EXPECT_EQ(outer->SubTopValue(), 4);
    EXPECT_EQ(outer->SubValue(), 4);
    EXPECT_EQ(recorder->values, std::vector<int32_t>{100});
    EXPECT_FALSE(inner->Cancel());

    // The watcher cancels the outer job; the inner one sees it at its next notification.
    recorder->cancelAt = 2;
    inner->setSubValue(0);
    inner->SetText("Sending");
    EXPECT_TRUE(outer->Cancel());
    EXPECT_FALSE(inner->Cancel());
    inner->SetText("Sending");
    EXPECT_TRUE(inner->Cancel());
    EXPECT_TRUE(outer->Cancel());
    EXPECT_EQ(recorder->values, (std::vector<int32_t>{100, 55, 55})); // then 40 + 1/4 of 60
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

    // No estimate outside the running range.
    progress->setSubValue(100);
    EXPECT_EQ(progress->RemainingTime(), 0);
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

TEST(ProgressTest, NotifiesOnlyWhilePumpingAndAtMostOncePerInterval) {
    auto progress = withTasks({100});
    progress->setTaskIndex(1);
    std::vector<int64_t> times;
    auto onNotify = progress->Notification.connect(
        [&](Ref<Progress>, bool&) { times.push_back(Platform::MillisecondClock()); });

    progress->setNotificationInterval(100);
    progress->setStart(true);
    EXPECT_TRUE(times.empty()); // starting does not notify
    Platform::SleepWithoutEvents(250);
    EXPECT_TRUE(times.empty());

    pumpFor(650);
    ASSERT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 7u);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 90);
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
    EXPECT_FALSE(progress->Start());
    pumpFor(200);
    EXPECT_EQ(times.size(), 1u);
}

TEST(ProgressTest, StoppingNotifiesOnceEvenIfNeverStarted) {
    auto recorder = New<Recorder>();
    auto progress = withTasks({10});
    progress->setReceiver(recorder);
    progress->setStart(false);
    EXPECT_EQ(recorder->values, std::vector<int32_t>{0});

    // A receiver that fails fails the call that notified: here the outer job
    // cannot read the value of an inner one without tasks.
    auto outer = withTasks({10});
    auto inner = New<Progress>();
    inner->setReceiver(outer);
    EXPECT_EQ(errorNumberOf([&] { inner->SetText("x"); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_TRUE(inner->NotificationFired());
}

TEST(ProgressTest, AReceiverMayLetGoOfItselfWhileItIsTold) {
    // A watcher held only by the progress that detaches itself on cancel.
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
