#include "Brindle/ImageRender.h"

#include "Brindle/Globals.h"

namespace Brindle {

void ImageRender::CheckValues(const std::string& source) const {
    Globals::CheckRubricValue(ImageName, source);
}

std::string ImageRender::Program(bool fullForm) const {
    const char* text = fullForm ? "CLL:PP&X&,&Y&:AN&A&:DIR&D&:&I&\rCLIP&C&\rPRIMAGE\"&N&\"\r"
                                : "CLL:PP&X&,&Y&:AN&A&:DIR&D&:&I&:PRIMAGE\"&N&\"\r";
    return Fill(text, {{"&N&", ImageName}});
}

} // namespace Brindle
