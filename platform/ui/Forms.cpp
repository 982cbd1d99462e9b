#include "ui/Forms.h"

#include <algorithm>
#include <utility>

#include <QDialog>
#include <QFileDialog>
#include <QLayout>

#include "ui/Text.h"

namespace Platform::Ui {

namespace {

FormHooks& currentHooks() {
    static FormHooks hooks;
    return hooks;
}

} // namespace

FormHooks setFormHooks(FormHooks hooks) {
    return std::exchange(currentHooks(), std::move(hooks));
}

std::string ChooseFolder(const FolderRequest& request) {
    // A copy, so that a robot may replace the hooks while it answers.
    auto hook = currentHooks().chooseFolder;
    if (hook)
        return hook(request);
    return fromQString(QFileDialog::getExistingDirectory(
        request.owner, toQString(request.title), toQString(request.startFolder), QFileDialog::ShowDirsOnly));
}

void keepWrappedTextWhole(QWidget& form, int minimumWidth) {
    QLayout* layout = form.layout();
    if (!layout)
        return;
    layout->activate();
    const int width = std::max(minimumWidth, layout->totalMinimumSize().width());
    form.setMinimumSize(width,
                        std::max(layout->totalHeightForWidth(width), layout->totalMinimumSize().height()));
}

int ShowModal(QDialog& form) {
    auto hook = currentHooks().showModal;
    if (hook)
        return hook(form);
    return form.exec();
}

} // namespace Platform::Ui
