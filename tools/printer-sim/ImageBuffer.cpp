#include "ImageBuffer.h"

#include <QPoint>
#include <cmath>

#include "Failure.h"
#include "Glyphs.h"

namespace PrinterSim {

ImageBuffer::ImageBuffer(const Profile& profile, const SetupTree& setup) : profile_(profile), setup_(setup) {
    restart();
}

void ImageBuffer::restart() {
    layout_ = {};
    lastFeed_ = 0;
    clear();
}

void ImageBuffer::clear() {
    picture_ = Bitmap(profile_.headDots, qBound(1, setup_.mediaLength(), 32767));
}

void ImageBuffer::setPosition(int x, int y) {
    layout_.x = x;
    layout_.y = y;
}

void ImageBuffer::setAlignment(int alignment) {
    if (alignment < 1 || alignment > 9)
        throw Failure(Failure::OutOfRange);
    layout_.alignment = alignment;
}

void ImageBuffer::setDirection(int direction) {
    if (direction < 1 || direction > 4)
        throw Failure(Failure::OutOfRange);
    layout_.direction = direction;
}

void ImageBuffer::setFontSize(int height, int slant, int width) {
    if (height < 1 || height > 200 || slant < 0 || slant > 89 || width < 1 || width > 400)
        throw Failure(Failure::OutOfRange);
    layout_.fontHeight = height;
    layout_.slant = slant;
    layout_.fontWidth = width;
}

void ImageBuffer::drawText(const QByteArray& text) {
    // Points to dots: a point is 1/72 inch.
    const double dots = layout_.fontHeight * profile_.headDotsPerMm * 25.4 / 72;
    const int scaleY = qMax(1, static_cast<int>(std::lround(dots / Glyphs::CellHeight)));
    const int scaleX = qMax(1, static_cast<int>(std::lround(scaleY * layout_.fontWidth / 100.0)));
    draw(Glyphs::text(text, scaleX, scaleY, layout_.slant));
}

void ImageBuffer::drawImage(const Bitmap& image) {
    draw(image);
}

void ImageBuffer::feed() {
    lastFeed_ = picture_.height();
    clear();
}

void ImageBuffer::draw(const Bitmap& field) {
    const int w = field.width();
    const int h = field.height();
    if (w == 0 || h == 0)
        return;
    // The field's point at the position, from its upper left corner.
    const int ax = (layout_.alignment - 1) % 3 * w / 2;
    const int ay = h - (layout_.alignment - 1) / 3 * h / 2;
    // The label dot of a field dot: u to the right, v upward from that point.
    const auto place = [&](int fx, int fy) {
        const int u = fx - ax;
        const int v = ay - 1 - fy;
        switch (layout_.direction) {
        case 2:
            return QPoint(layout_.x + v, layout_.y - u - 1);
        case 3:
            return QPoint(layout_.x - u - 1, layout_.y - v - 1);
        case 4:
            return QPoint(layout_.x - v - 1, layout_.y + u);
        default:
            return QPoint(layout_.x + u, layout_.y + v);
        }
    };
    const auto inside = [&](QPoint p) {
        return p.x() >= 0 && p.x() < picture_.width() && p.y() >= 0 && p.y() < picture_.height();
    };
    if (!layout_.clip && !(inside(place(0, 0)) && inside(place(w - 1, 0)) && inside(place(0, h - 1)) &&
                           inside(place(w - 1, h - 1))))
        throw Failure(Failure::FieldOutOfLabel);
    for (int fy = 0; fy < h; ++fy)
        for (int fx = 0; fx < w; ++fx) {
            const bool ink = field.black(fx, fy);
            const QPoint p = place(fx, fy);
            if ((ink || layout_.inverse) && inside(p))
                picture_.set(p.x(), picture_.height() - 1 - p.y(), ink != layout_.inverse);
        }
}

} // namespace PrinterSim
