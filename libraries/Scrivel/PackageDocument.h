#pragma once
// One package document file read whole, as the picker lists it and the
// engine installs it, and the UFF flash file that holds its files.
#include <string>

#include "Chunkery/FlashFile.h"
#include "Scrivel/KSDoc.h"

namespace Scrivel {

// The document of the file at path, with its Path set. Every error names the
// file: 53 when it is not there (with `source`, as other read errors), 9999
// "damaged" when it holds no package document, and a document's own error
// with the file after its description.
Automation::Ref<KSDoc> ReadPackageDocument(const std::string& path, const std::string& source = "Scrivel");

// The package's UFF flash file, read from beside its document, holding every
// file the document names. Raises 9999 (with `source`) where the document
// names none, where it is not there, or where it lacks one of the document's
// files, and the flash file's own error where it is damaged: a package that
// passes installs no file its UFF file cannot give.
Automation::Ref<Chunkery::FlashFile> ReadPackageFlashFile(KSDoc& package,
                                                          const std::string& source = "Scrivel");

} // namespace Scrivel
