#pragma once
// A progress receiver that cancels once a transfer has moved past its first
// bytes, and notes when.
#include <QElapsedTimer>

#include "Gaugely/IProgressCallBack.h"
#include "Gaugely/Progress.h"
#include "automation/Object.h"

class CancelOnceMoving : public Automation::Object, public Gaugely::IProgressCallBack {
public:
    void Feedback(const Automation::Ref<Gaugely::Progress>& ProgressObj, bool& Cancel) override {
        if (!cancelled.isValid() && ProgressObj->SubValue() > 1)
            cancelled.start();
        Cancel = cancelled.isValid();
    }
    // A progress of one task as long as the file, reported every 20 ms to a new receiver.
    static Automation::Ref<Gaugely::Progress> progressFor(size_t size,
                                                          const Automation::Ref<CancelOnceMoving>& receiver) {
        auto progress = Automation::New<Gaugely::Progress>();
        progress->TaskAdd("Uploading", static_cast<int32_t>(size));
        progress->setTaskIndex(1);
        progress->setNotificationInterval(20);
        progress->setReceiver(receiver);
        progress->setStart(true);
        return progress;
    }
    QElapsedTimer cancelled;
};
