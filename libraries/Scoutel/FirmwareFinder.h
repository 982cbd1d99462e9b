#pragma once
// Finds firmware images of chosen kernel families in a folder, and tells
// whether a file starts with a kernel header.
#include <cstdint>
#include <string>

#include "Scoutel/Enums.h"
#include "Scoutel/Firmware.h"
#include "Scoutel/Firmwares.h"
#include "automation/Event.h"
#include "automation/Object.h"

namespace Scoutel {

class FirmwareFinder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{C9E46B10-2D73-4F85-8B09-E4A1D5730C6F}",
                                                     "Scoutel.FirmwareFinder",
                                                     "{7D0F5A92-E168-4C3B-A4D7-30B9E82F16C5}"};

    // A sum of enumFirmwareFilter flags; with 0 nothing matches.
    int32_t Filter() const { return filter_; }
    void setFilter(int32_t value) { filter_ = value; }

    // Every image of the folder's files (not its subfolders) whose extension
    // is exactly FileExt and whose kernel passes the filter, in the byte
    // order of the file names; Nothing when the folder does not exist. Only
    // a file's start and its identifier are read; a file that cannot be
    // parsed is passed over. The message pump runs after every file of the
    // extension; a Progress handler that sets bStop ends the scan with what
    // was found so far.
    Automation::Ref<Firmwares> GetFirmwares(const std::string& sDir, const std::string& FileExt = {});

    // Lets the user choose a firmware file in the firmware selection dialog,
    // starting in sInitDir, owned by the window lHwnd (0: none). The chosen
    // file with its cleaned title and an empty Key; Nothing when the user
    // cancels or a step of the dialog fails.
    Automation::Ref<Firmware> ShowFirmwareDialog(const std::string& sInitDir, int32_t lHwnd);

    // Whether the file starts with a kernel header of kind "KERN".
    bool IsKernelFile(const std::string& KernelFileName);
    // The identifier of a file that starts with a "KERN" header, else empty.
    std::string GetKernelName(const std::string& KernelFileName);

    Automation::Event<Automation::Ref<Firmware>> FirmwareFound;
    Automation::Event<int32_t&, int32_t&, bool&> Progress;

private:
    bool MatchesFilter(const std::string& name) const;

    int32_t filter_ = 0;
};

// A kernel identifier as the scan names it: every "(compressed)" removed,
// whatever its case, and runs of blanks made one (a blank at the end stays).
std::string CleanKernelName(const std::string& name);

} // namespace Scoutel
