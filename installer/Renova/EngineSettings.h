#pragma once
// The installation engine's time-outs in the current user's registry, under
// "Software\Korvessa\Kestrup\Settings", as decimal texts.
#include <cstdint>
#include <functional>
#include <string>

#include "automation/Error.h"

namespace Renova {

enum enumTimeoutSetting : int32_t {
    // The wait for the network hello answer after a break string.
    TS_TimeOut = 1,
    // The two time-outs of a raw TCP file upload.
    TS_FileTransferTimeOut = 2,
    TS_FileTransferRestoreTimeOut = 3
};

// The stored value as a whole number in decimal text; empty when the index
// is unknown or the value is absent or no number.
std::string ReadTimeout(int32_t index);
// The stored value as a number; 0 when ReadTimeout gives none.
int32_t ReadTimeoutValue(int32_t index);
void WriteTimeout(int32_t index, int32_t value);

// One statement with its errors ignored: what it would have set stays as it
// was, and the statements after it still run.
template <class F> void IgnoringErrors(F&& statement) {
    try {
        statement();
    } catch (const Automation::Error&) {
    }
}

struct TransferTimeouts {
    int32_t transfer = 0;
    int32_t restore = 0;
};

// The two time-outs of a raw TCP upload. One that is absent or 0 takes its
// default (the printer library's own value) and is stored; every read, default
// and store goes on past an error of its own.
TransferTimeouts ReadTransferTimeouts(const std::function<int32_t()>& transferDefault,
                                      const std::function<int32_t()>& restoreDefault);

} // namespace Renova
