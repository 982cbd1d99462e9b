#pragma once
// Progress of a job made of weighted tasks: the current task is followed by a
// sub-value against a sub-top value, and the whole is reported at a fixed
// interval while the thread pumps, to a receiver and through an event. A
// Progress is itself a receiver, so an inner job can fill one task of an outer one.
#include <cstdint>
#include <string>

#include "Gaugely/IProgressCallBack.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"
#include "automation/Collection.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Gaugely {

class Progress : public Automation::Object, public IProgressCallBack {
public:
    void TaskAdd(const std::string& Text, int32_t Weight);
    void TaskListClear();
    int32_t TaskCount() const { return tasks_.Count(); }
    int32_t TaskIndex() const { return taskIndex_; }
    // Makes a task current with sub-value 0 and its weight as sub-top value;
    // an index outside the list raises 9 after index and sub-value were set.
    void setTaskIndex(int32_t value);
    std::string TaskText(int32_t Index) const { return tasks_.Item(Index).Text; }
    int32_t TaskWeight(int32_t Index) const { return tasks_.Item(Index).Weight; }
    int32_t TopValue() const { return totalWeight_; }
    // The weights of the tasks before the current one plus the current one's
    // share; an index below 1 is corrected to 1.
    int32_t Value();

    Automation::Ref<IProgressCallBack> Receiver() const { return receiver_; }
    void setReceiver(Automation::Ref<IProgressCallBack> value) { receiver_ = std::move(value); }
    int32_t AutoIncValue() const { return autoIncValue_; }
    void setAutoIncValue(int32_t value) { autoIncValue_ = value; }

    // The own text, or the current task's text while there is none.
    std::string Text() const;
    // Stores the own text and notifies.
    void SetText(const std::string& Text);

    const Automation::Variant& Tag() const { return tag_; }
    void setTag(const Automation::Variant& value) { tag_ = value; }

    int32_t SubValue() const { return subValue_; }
    void setSubValue(int32_t value) { subValue_ = value; }
    int32_t SubTopValue() const { return subTopValue_; }
    void setSubTopValue(int32_t value) { subTopValue_ = value; }
    // 0 to 100; 0 when it cannot be told.
    int32_t SubPercentage() const;

    // Takes effect at the next start.
    int32_t NotificationInterval() const { return notificationInterval_; }
    void setNotificationInterval(int32_t value) { notificationInterval_ = value; }

    // Milliseconds since the last start; 0 before the first.
    int32_t ElapsedTime() const;
    // Estimated seconds to go, the mean of the last 20 estimates; 0 when it cannot be told.
    int32_t RemainingTime();
    // At most 100; 0 when it cannot be told.
    int32_t Percentage();

    bool Start() const { return start_; }
    // True starts the periodic notifications; anything else stops them and notifies once more.
    void setStart(bool value);

    // Whether a notification happened since the last read.
    bool NotificationFired();
    // Set only through the Cancel argument of a receiver or event handler.
    bool Cancel() const { return cancel_; }

    void SetFullProgress();
    void SetZeroProgress();

    // As the receiver of an inner job: the current task follows the inner
    // job's value, and this job's cancel flag is handed inward.
    void Feedback(const Automation::Ref<Progress>& ProgressObj, bool& Cancel) override;

    // Raised at every notification, after the receiver was told.
    Automation::Event<Automation::Ref<Progress>, bool&> Notification;

private:
    struct Task {
        std::string Text;
        int32_t Weight = 0;
    };

    void notify();
    void recomputeTotal();
    void ensureTimers();

    Automation::Collection<Task> tasks_;
    int32_t totalWeight_ = 0;
    int32_t taskIndex_ = 0;
    std::string text_;
    int32_t autoIncValue_ = 0;
    Automation::Ref<IProgressCallBack> receiver_;
    int32_t subValue_ = 0;
    int32_t subTopValue_ = 0;
    Automation::Variant tag_;
    bool start_ = false;
    bool cancel_ = false;
    bool notificationFired_ = false;
    int32_t notificationInterval_ = 500;
    // Created at the first read of RemainingTime; never emptied.
    Automation::Ref<Automation::Collection<int32_t>> samples_;
    Automation::Ref<Tickard::Timer> stopwatch_;
    Automation::Ref<Tickard::TimerEvent> moNotificationTimer;
    // Declared after the timer, so it is disconnected before the timer goes.
    Automation::EventConnection notificationTick_;
};

} // namespace Gaugely
