#include "ui/HelpViewer.h"

#include <filesystem>
#include <utility>

#include "messages/ModalBox.h"
#include "ui/Shell.h"

namespace Platform::Ui {

namespace {

HelpViewerFactory& currentFactory() {
    static HelpViewerFactory factory;
    return factory;
}

// The desktop has no viewer that shows a context of a help file, so the
// file is opened as a whole.
class DesktopHelpViewer : public HelpViewer {
public:
    explicit DesktopHelpViewer(std::string title) : title_(std::move(title)) {}

    void setHelpFile(const std::string& path) override { path_ = path; }
    void setContext(int32_t) override {}
    void Show(QWidget*) override {
        std::error_code error;
        if (path_.empty() || !std::filesystem::is_regular_file(path_, error)) {
            ShowModalBox("No help is installed: the help file \"" + path_ + "\" does not exist.", title_);
            return;
        }
        if (!OpenDocument(path_))
            ShowModalBox("The help file \"" + path_ +
                             "\" cannot be shown: no program on this computer opens files of its kind.",
                         title_);
    }
    void Close() override {}

private:
    std::string title_;
    std::string path_;
};

} // namespace

HelpViewerFactory setHelpViewerFactory(HelpViewerFactory factory) {
    return std::exchange(currentFactory(), std::move(factory));
}

std::unique_ptr<HelpViewer> CreateHelpViewer(const std::string& title) {
    auto factory = currentFactory();
    if (factory)
        return factory();
    return std::make_unique<DesktopHelpViewer>(title);
}

} // namespace Platform::Ui
