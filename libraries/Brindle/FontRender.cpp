#include "Brindle/FontRender.h"

#include "Brindle/Globals.h"
#include "automation/Runtime.h"

namespace Brindle {

bool FontRender::IsPrinterFontName(const std::string& name) {
    return !name.empty() && name.find(' ') == std::string::npos &&
           (Automation::like(name, "[A-Z][A-Z]###[A-Z,0-9][A-Z,0-9][A-Z,0-9]") ||
            Automation::like(name, "[A-Z][A-Z]###[A-Z,0-9][A-Z,0-9][A-Z,0-9][.][12]"));
}

void FontRender::CheckValues(const std::string& source) const {
    Globals::CheckRubricValue(FontName, source);
    Globals::CheckRubricValue(Text, source);
}

std::string FontRender::Program(bool fullForm) const {
    std::string text = "CLL:PP&X&,&Y&:AN&A&:DIR&D&:&I&:";
    if (!fullForm)
        text += "FONT\"&N&\":PRTXT\"&T&\"\r";
    else
        text += std::string(IsPrinterFontName(FontName) ? "FONT\"&N&" : "FONT\"&N&\",&H&,&S&,&W&") +
                "\rCLIP&C&\rPRTXT\"&T&\"\r";
    return Fill(text, {{"&N&", FontName},
                       {"&H&", std::to_string(Height)},
                       {"&S&", std::to_string(Slant)},
                       {"&W&", std::to_string(Width)},
                       {"&T&", ForceUpperCase ? Automation::upperCase(Text) : Text}});
}

} // namespace Brindle
