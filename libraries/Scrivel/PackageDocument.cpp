#include "Scrivel/PackageDocument.h"

#include "automation/Error.h"
#include "files/FileContents.h"

namespace Scrivel {

namespace {

constexpr const char* kLibrary = "Scrivel";
constexpr int32_t ScrivelError = 9999;

std::string named(std::string description, const std::string& path) {
    if (!description.empty() && description.back() != '.')
        description += '.';
    return description + " Package document: \"" + path + "\"";
}

} // namespace

Automation::Ref<KSDoc> ReadPackageDocument(const std::string& path, const std::string& source) {
    const std::string text = Platform::Files::ReadFileContents(path, source);
    auto doc = Automation::New<KSDoc>();
    bool read = false;
    try {
        read = doc->ReadXML(text);
    } catch (const Automation::Error& failure) {
        // The text stays as the document raised it; the file is named after it.
        Automation::raise(failure.Number(), failure.Source(), named(failure.Description(), path));
    }
    // Listed or installed, it would show an empty name and do nothing.
    if (!read)
        Automation::raise(ScrivelError, kLibrary,
                          named("The package document is damaged: it holds no Kestrup package", path));
    doc->setPath(path);
    return doc;
}

} // namespace Scrivel
