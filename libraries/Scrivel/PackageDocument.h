#pragma once
// One package document file read whole, as the picker lists it and the
// engine installs it.
#include <string>

#include "Scrivel/KSDoc.h"

namespace Scrivel {

// The document of the file at path, with its Path set. Every error names the
// file: 53 when it is not there (with `source`, as other read errors), 9999
// "damaged" when it holds no package document, and a document's own error
// with the file after its description.
Automation::Ref<KSDoc> ReadPackageDocument(const std::string& path, const std::string& source = "Scrivel");

} // namespace Scrivel
