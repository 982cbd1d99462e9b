#pragma once
// The simulator's one built-in typeface, which it draws for every font: 5 x 7
// dot glyphs in cells of 6 x 8 dots (a blank column at the right and a blank
// row below), scaled in whole dots.
#include <QByteArray>

#include "Bitmap.h"

namespace PrinterSim::Glyphs {

constexpr int CellWidth = 6;
constexpr int CellHeight = 8;

// The text in one line: each cell scaleX x scaleY dots per glyph dot, the
// rows shifted to the right by slantDegrees (the bottom row stays). Characters
// outside printable ASCII are drawn as a hollow box.
Bitmap text(const QByteArray& text, int scaleX, int scaleY, int slantDegrees);

} // namespace PrinterSim::Glyphs
