#pragma once
// The libraries keep texts in Windows-1252; the widgets show Unicode. Texts
// cross over only here.
#include <string>
#include <string_view>

#include <QString>

namespace Platform::Ui {

QString toQString(std::string_view cp1252);
// Characters that Windows-1252 cannot hold become "?".
std::string fromQString(const QString& text);

} // namespace Platform::Ui
