#pragma once
// The printer's image buffer: the label as it will print, head dots wide and
// the media length high, and the layout that the drawing statements follow.
// Positions count in dots from the label's lower left corner (as its saved
// picture shows it), x to the right and y upward.
#include <QByteArray>

#include "Bitmap.h"
#include "Profile.h"
#include "SetupTree.h"

namespace PrinterSim {

class ImageBuffer {
public:
    ImageBuffer(const Profile& profile, const SetupTree& setup);

    // Start-up: the default layout, an empty buffer, no label fed yet.
    void restart();
    // Every dot white; the buffer takes the media length that the setup has now.
    void clear();

    void setPosition(int x, int y);
    // 1 to 9: the field's point at the position, from its lower left (1) over
    // lower centre and lower right, middle left to right (4-6) to upper right (9).
    void setAlignment(int alignment);
    // 1 to 4: the field as it is, turned a quarter clockwise, upside down,
    // turned a quarter anticlockwise, about the position.
    void setDirection(int direction);
    // Inverse fields are drawn white on a black field.
    void setInverse(bool inverse) { layout_.inverse = inverse; }
    // With clipping a field is cut at the label's edges; without, a field that
    // does not fit wholly is refused.
    void setClip(bool clip) { layout_.clip = clip; }
    // Height in points, slant in degrees, width in percent of the height's width.
    void setFontSize(int height, int slant, int width);

    void drawText(const QByteArray& text);
    void drawImage(const Bitmap& image);
    // Prints the label: it is fed, its length counts as the last feed, and the
    // buffer is cleared.
    void feed();

    int lastFeedLength() const { return lastFeed_; }
    const Bitmap& picture() const { return picture_; }

private:
    void draw(const Bitmap& field);

    const Profile& profile_;
    const SetupTree& setup_;
    // The settings after start-up.
    struct Layout {
        int x = 0;
        int y = 0;
        int alignment = 1;
        int direction = 1;
        bool inverse = false;
        bool clip = false;
        int fontHeight = 12;
        int slant = 0;
        int fontWidth = 100;
    };
    Layout layout_;
    Bitmap picture_;
    int lastFeed_ = 0;
};

} // namespace PrinterSim
