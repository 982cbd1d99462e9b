#pragma once
// The folder browser of the picker: the user chooses a folder, starting at a
// given one, through the program's chooser seam.
#include <cstdint>
#include <string>

#include "automation/Object.h"

class QWidget;

namespace Pickett {

// The shell's folder-browser flags, kept for the callers that set them.
enum enum_BrowseDialogOptions : int32_t {
    BIF_RETURNONLYFSDIRS = 1,
    BIF_DONTGOBELOWDOMAIN = 2,
    BIF_STATUSTEXT = 4,
    BIF_RETURNFSANCESTORS = 8,
    BIF_EDITBOX = 16,
    BIF_VALIDATE = 32,
    BIF_USENEWUI = 64,
    BIF_BROWSEFORCOMPUTER = 4096,
    BIF_BROWSEFORPRINTER = 8192,
    BIF_BROWSEINCLUDEFILES = 16384,
};

class EnhBrowseFolder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{26476EED-126C-4611-A0D0-DE50D33F92EB}",
                                                     "Pickett.EnhBrowseFolder",
                                                     "{93ED648E-4A19-4C82-9C68-34DAB12D567E}"};

    // The chosen folder's path; empty when the user cancels. One trailing
    // separator of the start folder is dropped.
    std::string ShowBrowseDialog(QWidget* hwnd, const std::string& sInitPath);
    const std::string& Title() const { return title_; }
    void setTitle(const std::string& value) { title_ = value; }
    int32_t Flags() const { return flags_; }
    void setFlags(int32_t value) { flags_ = value; }

private:
    std::string title_;
    int32_t flags_ = 0;
};

} // namespace Pickett
