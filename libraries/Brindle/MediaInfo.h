#pragma once
// What the printer knows about its media and print head; filled by
// Printer::GetMediaInfo.
#include <cstdint>
#include <string>

#include "automation/Object.h"

namespace Brindle {

class MediaInfo : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"", "Brindle.MediaInfo", ""};

    int32_t Width = 0;
    int32_t Length = 0;
    int32_t XStart = 0;
    int32_t NumberOfPrintheadDots = 0;
    int32_t PrintheadResolution = 0;
    std::string LabelType;
    int32_t LastFeedLength = 0;
};

} // namespace Brindle
