#pragma once
// What the licence and readme pages share: a text box that shows a file,
// formatted when the file is rich text.
#include <string>

class QTextEdit;

namespace Kestrup {

// False, leaving the box as it was, when no file is at path (a folder is none). Raises the
// file's error when it cannot be read.
bool LoadTextFile(QTextEdit& box, const std::string& path);

} // namespace Kestrup
