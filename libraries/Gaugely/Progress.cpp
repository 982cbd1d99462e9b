#include "Gaugely/Progress.h"

#include <utility>

#include "automation/Runtime.h"

namespace Gaugely {

namespace {

// Long addition with the run-time's overflow check.
int32_t addLong(int32_t a, int32_t b) {
    return Automation::toLong(static_cast<double>(a) + b);
}

// A share of 100, rounded and capped. Weights are file sizes, so the product
// is taken in 64 bits: a Long would overflow above about 21 MB.
int32_t percentOf(int32_t part, int32_t whole) {
    if (whole == 0)
        return 0;
    double percent = static_cast<double>(int64_t{part} * 100) / whole;
    return percent > 100 ? 100 : Automation::toLong(percent);
}

} // namespace

void Progress::TaskAdd(const std::string& Text, int32_t Weight) {
    tasks_.Add(Task{Text, Weight});
    recomputeTotal();
}

void Progress::TaskListClear() {
    tasks_.Clear();
    recomputeTotal();
}

void Progress::recomputeTotal() {
    int32_t total = 0;
    for (const Task& task : tasks_)
        total = addLong(total, task.Weight);
    totalWeight_ = total;
}

void Progress::setTaskIndex(int32_t value) {
    taskIndex_ = value;
    subValue_ = 0;
    subTopValue_ = TaskWeight(value);
}

int32_t Progress::Value() {
    int32_t base = 0;
    if (taskIndex_ <= 1)
        taskIndex_ = 1;
    else
        for (int32_t i = 1; i < taskIndex_; ++i)
            base = addLong(base, TaskWeight(i));
    int32_t weight = TaskWeight(taskIndex_);
    // A zero-length part (an empty file) has nothing to show; it must not
    // fail the job that reports it.
    int32_t part = 0;
    if (subTopValue_ != 0)
        part = Automation::toLong(static_cast<double>(subValue_) / subTopValue_ * weight);
    return addLong(base, part);
}

std::string Progress::Text() const {
    return text_.empty() ? TaskText(taskIndex_) : text_;
}

void Progress::SetText(const std::string& Text) {
    text_ = Text;
    notify();
}

int32_t Progress::SubPercentage() const {
    try {
        return percentOf(subValue_, subTopValue_);
    } catch (const Automation::Error&) {
        return 0;
    }
}

int32_t Progress::ElapsedTime() const {
    try {
        return stopwatch_ ? stopwatch_->Elapsed() : 0;
    } catch (const Automation::Error&) {
        return 0;
    }
}

int32_t Progress::Percentage() {
    try {
        return percentOf(Value(), totalWeight_);
    } catch (const Automation::Error&) {
        return 0;
    }
}

int32_t Progress::RemainingTime() {
    try {
        if (!samples_)
            samples_ = Automation::New<Automation::Collection<int32_t>>();
        int32_t value = Value();
        if (value <= 0 || value >= totalWeight_)
            return 0;
        try {
            int32_t elapsed = stopwatch_->Elapsed();
            samples_->Add(
                Automation::toLong(static_cast<double>(elapsed) / value * (totalWeight_ - value) / 1000));
        } catch (const Automation::Error&) {
            // An estimate that cannot be taken is left out; the earlier ones still count.
        }
        if (samples_->Count() >= 21)
            samples_->Remove(1);
        // Early estimates swing too much to show.
        if (stopwatch_->Elapsed() <= 2000 && Percentage() < 50)
            return 0;
        double sum = 0;
        for (int32_t sample : *samples_)
            sum += sample;
        return Automation::toLong(sum / samples_->Count());
    } catch (const Automation::Error&) {
        return 0;
    }
}

void Progress::ensureTimers() {
    if (!stopwatch_)
        stopwatch_ = Automation::New<Tickard::Timer>();
    if (!moNotificationTimer) {
        moNotificationTimer = Automation::New<Tickard::TimerEvent>();
        notificationTick_ = moNotificationTimer->Timer.connect([this] { notify(); });
    }
}

void Progress::setStart(bool value) {
    start_ = value;
    ensureTimers();
    if (value) {
        stopwatch_->Reset();
        moNotificationTimer->setInterval(notificationInterval_);
        moNotificationTimer->setEnabled(true);
    } else {
        moNotificationTimer->setEnabled(false);
        notify();
    }
}

bool Progress::NotificationFired() {
    return std::exchange(notificationFired_, false);
}

void Progress::SetFullProgress() {
    setTaskIndex(TaskCount());
    subValue_ = subTopValue_;
    notify();
}

void Progress::SetZeroProgress() {
    setTaskIndex(1);
    subValue_ = 0;
    notify();
}

void Progress::Feedback(const Automation::Ref<Progress>& ProgressObj, bool& Cancel) {
    subTopValue_ = ProgressObj->TopValue();
    subValue_ = ProgressObj->Value();
    Cancel = cancel_;
    notify();
}

void Progress::notify() {
    // Handlers may release this object; keep it alive until they are done.
    auto self = this->self<Progress>();
    notificationFired_ = true;
    if (autoIncValue_ > 0)
        subValue_ = addLong(subValue_, autoIncValue_);
    // The receiver may let go of itself while it is told.
    if (auto receiver = receiver_)
        receiver->Feedback(self, cancel_);
    Notification.raise(self, cancel_);
}

} // namespace Gaugely
