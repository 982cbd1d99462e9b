#pragma once
// The receiver of a Progress's notifications. The class itself does nothing;
// watchers override Feedback.
#include "automation/Ref.h"

namespace Gaugely {

class Progress;

class IProgressCallBack {
public:
    virtual ~IProgressCallBack() = default;

    // Called at every notification of ProgressObj; setting Cancel asks the job to stop.
    virtual void Feedback(const Automation::Ref<Progress>& ProgressObj, bool& Cancel);
};

} // namespace Gaugely
