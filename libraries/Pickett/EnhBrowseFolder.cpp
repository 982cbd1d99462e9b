#include "Pickett/EnhBrowseFolder.h"

#include "ui/Forms.h"

namespace Pickett {

std::string EnhBrowseFolder::ShowBrowseDialog(QWidget* hwnd, const std::string& sInitPath) {
    std::string start = sInitPath;
    if (start.size() > 1 && start.back() == '/')
        start.pop_back();
    return Platform::Ui::ChooseFolder({title_, start, hwnd});
}

} // namespace Pickett
