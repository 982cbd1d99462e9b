#pragma once
// How the printer draws a sample text in one of its fonts.
#include <cstdint>
#include <string>

#include "Brindle/PreviewRender.h"

namespace Brindle {

class FontRender : public PreviewRender {
public:
    static constexpr Automation::ClassInfo classInfo{"", "Brindle.FontRender", ""};

    std::string FontName = "Swiss 721 BT";
    int16_t Height = 12;
    int16_t Slant = 0;
    int16_t Width = 100;
    std::string Text = "The quick brown fox jumps over the lazy dog. 1234567890";
    bool ForceUpperCase = false;

    // A printer font (two capitals, three digits, three capitals, digits or
    // commas, optionally ".1" or ".2") is chosen by name alone.
    static bool IsPrinterFontName(const std::string& name);

protected:
    std::string Program(bool fullForm) const override;
    void CheckValues(const std::string& source) const override;
    std::string errorClass() const override { return "FontRender"; }
};

} // namespace Brindle
