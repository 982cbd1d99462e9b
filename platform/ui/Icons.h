#pragma once
// The small pictures of the page controls' lists, drawn rather than loaded.
#include <QIcon>

namespace Platform::Ui {

// 16 x 16: an arrow pointing right (something runs) and a tick (it ended well).
QIcon ArrowIcon();
QIcon TickIcon();

} // namespace Platform::Ui
