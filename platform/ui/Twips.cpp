#include "ui/Twips.h"

#include <cmath>

#include <QFontMetrics>
#include <QWidget>

#include "ui/Text.h"

namespace Platform::Ui {

int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

double toTwips(int pixels) {
    return static_cast<double>(pixels) * TwipsPerPixel;
}

double textWidthTwips(const QWidget& widget, std::string_view cp1252) {
    return toTwips(widget.fontMetrics().horizontalAdvance(toQString(cp1252)));
}

} // namespace Platform::Ui
