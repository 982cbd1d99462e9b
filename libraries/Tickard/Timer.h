#pragma once
// A millisecond stopwatch, with a wait that can keep the thread's events
// flowing.
#include <cstdint>

#include "automation/Object.h"

namespace Tickard {

class Timer : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{6301071F-7279-434E-A0CB-903BD43FA7DE}", "Tickard.Timer", "{31578271-5EFA-472C-85DC-BDE05D5BBCF7}"};

    Timer();

    // Milliseconds since creation or the last Reset; raises 6 (overflow) for a
    // span beyond a Long.
    int32_t Elapsed() const;
    int32_t MinimumResolution() const { return minimumResolution_; }
    int32_t MaximumResolution() const { return maximumResolution_; }
    void Reset();
    // Returns once lmSec ms have passed since the call (lmSec is read anew on
    // each pass, so an event handler may change it). With bDoevents the
    // thread's events run meanwhile; without, none does.
    void Wait(const int32_t& lmSec, bool bDoevents = true);

private:
    int64_t start_ = 0;
    int32_t minimumResolution_ = 0;
    int32_t maximumResolution_ = 0;
};

} // namespace Tickard
