#pragma once
// What an installation engine tells its client: the announced steps, the
// progress of each step, an aborted upload, and the end of a job. The class
// itself does nothing; clients override what they need.
#include <cstdint>
#include <string>

#include "automation/Ref.h"

namespace Renova {

class ActionList;

class ICallback {
public:
    virtual ~ICallback() = default;

    // Info is empty for a step's own reports and the progress text during a
    // transfer, a wait or a flash; setting Cancel asks the engine to abort:
    // what runs stops where it can, and the job at its next step at the latest.
    virtual void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                          int32_t CurrentAction, bool& Cancel);
    // Once, when the job has finished without error.
    virtual void UpdateFinshed(const std::string& sPrinter);
    // Once, before the first step that talks to the printer.
    virtual void UpdateStart(const Automation::Ref<ActionList>& oActionList, const std::string& sPrinter);
    // A file upload was aborted.
    virtual void Error(const std::string& sPrinter, int32_t CurrentAction, int32_t Error);
};

} // namespace Renova
