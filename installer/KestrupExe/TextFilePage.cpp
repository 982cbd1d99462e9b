#include "KestrupExe/TextFilePage.h"

#include <QTextEdit>

#include "files/FileContents.h"
#include "files/FilePaths.h"
#include "ui/RtfReader.h"
#include "ui/Text.h"

namespace Kestrup {

bool LoadTextFile(QTextEdit& box, const std::string& path) {
    if (!Platform::Files::FileExists(path))
        return false;
    std::string contents = Platform::Files::ReadFileContents(path, "Kestrup");
    if (contents.compare(0, 5, "{\\rtf") == 0)
        Platform::Ui::LoadRtf(*box.document(), contents);
    else
        box.setPlainText(Platform::Ui::toQString(contents));
    return true;
}

} // namespace Kestrup
