#pragma once
// A directory to create on the printer.
#include <string>

#include "automation/Object.h"

namespace Scrivel {

class PDir : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{4A7E0C95-D318-4F26-B95A-81E3C6D07F42}", "Scrivel.PDir",
                                                     "{F3B95D20-8C61-4A7E-9D14-2C07E8A5B6F9}"};

    const std::string& Path() const { return path_; }
    void setPath(std::string value) { path_ = std::move(value); }
    bool ConvertToUpperCase() const { return convertToUpperCase_; }
    void setConvertToUpperCase(bool value) { convertToUpperCase_ = value; }

private:
    std::string path_;
    bool convertToUpperCase_ = false;
};

} // namespace Scrivel
