#include "Bitmap.h"

namespace PrinterSim {

Bitmap::Bitmap(int width, int height) : width_(width), height_(height), bits_(width * height) {}

bool Bitmap::sameRow(int y, int other) const {
    for (int x = 0; x < width_; ++x)
        if (black(x, y) != black(x, other))
            return false;
    return true;
}

} // namespace PrinterSim
