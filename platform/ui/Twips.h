#pragma once
// Sizes of the forms and controls are given in twips, at 15 twips to a pixel.
#include <string_view>

class QWidget;

namespace Platform::Ui {

inline constexpr int TwipsPerPixel = 15;

// Rounded to the nearest pixel.
int toPixels(double twips);
double toTwips(int pixels);

// The width of a text in the widget's font (TextWidth of a form or control).
double textWidthTwips(const QWidget& widget, std::string_view cp1252);

} // namespace Platform::Ui
