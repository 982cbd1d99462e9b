#pragma once
// A monochrome picture: width x height pixels, each black or white; row 0 is
// the top row.
#include <QBitArray>

namespace PrinterSim {

class Bitmap {
public:
    Bitmap() = default;
    // All white.
    Bitmap(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool black(int x, int y) const { return bits_.testBit(y * width_ + x); }
    void set(int x, int y, bool black) { bits_.setBit(y * width_ + x, black); }
    // Whether row y equals row other.
    bool sameRow(int y, int other) const;
    bool operator==(const Bitmap& other) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    QBitArray bits_;
};

} // namespace PrinterSim
