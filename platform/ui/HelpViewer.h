#pragma once
// The help viewer of a program: a help file shown at a context number.
// Tests install a factory of their own; the desktop's viewer opens the file
// with the program associated with it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace Platform::Ui {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void setHelpFile(const std::string& path) = 0;
    virtual void setContext(int32_t context) = 0;
    virtual void Show(QWidget* owner) = 0;
    virtual void Close() = 0;
    // Where the viewer's window should stand, in pixels, with a show command
    // (0 hidden ... 9 restored). The desktop's viewer is another program,
    // whose window cannot be placed from here, so it keeps its own place.
    virtual void setPlacement(int32_t /*x*/, int32_t /*y*/, int32_t /*dx*/, int32_t /*dy*/,
                              int32_t /*showCommand*/) {}
};

using HelpViewerFactory = std::function<std::unique_ptr<HelpViewer>()>;

// Installs a factory and returns the one it replaces; an empty one restores the desktop's viewer.
HelpViewerFactory setHelpViewerFactory(HelpViewerFactory factory);

// A new viewer. The desktop's tells the user plainly (a message box with
// the given title) when the help file does not exist or no program opens it.
std::unique_ptr<HelpViewer> CreateHelpViewer(const std::string& title);

} // namespace Platform::Ui
