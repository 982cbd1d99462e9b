#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Platform::Ui {

namespace {

QIcon drawn(const QColor& colour, void (*draw)(QPainter&)) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon ArrowIcon() {
    return drawn(QColor(0, 96, 192), [](QPainter& painter) {
        QPainterPath arrow;
        arrow.moveTo(2, 6);
        arrow.lineTo(8, 6);
        arrow.lineTo(8, 2);
        arrow.lineTo(14, 8);
        arrow.lineTo(8, 14);
        arrow.lineTo(8, 10);
        arrow.lineTo(2, 10);
        arrow.closeSubpath();
        painter.drawPath(arrow);
    });
}

QIcon TickIcon() {
    return drawn(QColor(0, 140, 40), [](QPainter& painter) {
        QPainterPath tick;
        tick.moveTo(2, 8);
        tick.lineTo(6, 12);
        tick.lineTo(14, 3);
        painter.strokePath(tick, QPen(QColor(0, 140, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    });
}

} // namespace Platform::Ui
