#pragma once
// Every modal form and chooser of the program is shown through this seam, so
// that headless tests can replace the user with a robot that answers the
// chooser or operates the form's widgets.
#include <functional>
#include <string>

class QDialog;
class QWidget;

namespace Platform::Ui {

struct FolderRequest {
    std::string title;       // Windows-1252, shown above the folders
    std::string startFolder; // the folder selected at first
    QWidget* owner = nullptr;
};

struct FormHooks {
    // The chosen folder, empty when the user cancels.
    std::function<std::string(const FolderRequest&)> chooseFolder;
    // Shows the form modally and returns its result once it is closed.
    std::function<int(QDialog&)> showModal;
};

// Installs hooks and returns those they replace. An empty hook leaves the
// real chooser or the form's own modal loop.
FormHooks setFormHooks(FormHooks hooks);

std::string ChooseFolder(const FolderRequest& request);

// A form whose layout holds wrapped text cannot be made narrower than the
// width given, nor lower than that text needs at that width (Qt gives such
// a window no minimum at all, and the text is cut).
void keepWrappedTextWhole(QWidget& form, int minimumWidth);
int ShowModal(QDialog& form);

} // namespace Platform::Ui
