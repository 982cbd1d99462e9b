#pragma once
// How the printer draws one of its stored images.
#include <string>

#include "Brindle/PreviewRender.h"

namespace Brindle {

class ImageRender : public PreviewRender {
public:
    static constexpr Automation::ClassInfo classInfo{"", "Brindle.ImageRender", ""};

    std::string ImageName;

protected:
    std::string Program(bool fullForm) const override;
    void CheckValues(const std::string& source) const override;
    std::string errorClass() const override { return "ImageRender"; }
};

} // namespace Brindle
