#include "ui/Text.h"

#include "automation/Runtime.h"

namespace Platform::Ui {

QString toQString(std::string_view cp1252) {
    return QString::fromStdString(Automation::cp1252ToUtf8(cp1252));
}

std::string fromQString(const QString& text) {
    return Automation::utf8ToCp1252(text.toStdString());
}

} // namespace Platform::Ui
