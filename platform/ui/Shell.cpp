#include "ui/Shell.h"

#include <utility>

#include <QDesktopServices>
#include <QUrl>

#include "ui/Text.h"

namespace Platform::Ui {

namespace {

DocumentOpener& currentOpener() {
    static DocumentOpener opener;
    return opener;
}

} // namespace

DocumentOpener setDocumentOpener(DocumentOpener opener) {
    return std::exchange(currentOpener(), std::move(opener));
}

bool OpenDocument(const std::string& path) {
    auto opener = currentOpener();
    if (opener)
        return opener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(toQString(path)));
}

} // namespace Platform::Ui
