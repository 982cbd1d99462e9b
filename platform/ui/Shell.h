#pragma once
// Opening a document with the program the desktop associates with it, as
// the shell's "open" verb does; tests replace the opener.
#include <functional>
#include <string>

namespace Platform::Ui {

// Returns whether the document was handed to a program.
using DocumentOpener = std::function<bool(const std::string& path)>;

// Installs an opener and returns the one it replaces; an empty one restores the desktop's.
DocumentOpener setDocumentOpener(DocumentOpener opener);

bool OpenDocument(const std::string& path);

} // namespace Platform::Ui
