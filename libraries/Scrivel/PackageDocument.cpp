#include "Scrivel/PackageDocument.h"

#include <filesystem>

#include "automation/Error.h"
#include "files/FileContents.h"
#include "files/FilePaths.h"

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

Automation::Ref<Chunkery::FlashFile> ReadPackageFlashFile(KSDoc& package, const std::string& source) {
    const std::string& name = package.UffFilePath();
    if (name.empty())
        Automation::raise(ScrivelError, source, "Uff file is missing: the package document names none");
    const std::string folder = std::filesystem::path(package.Path()).parent_path().string();
    const std::optional<std::string> path = Platform::Files::FindRelativeFile(folder, name);
    if (!path)
        Automation::raise(ScrivelError, source,
                          "Uff file is missing: \"" + Platform::Files::JoinRelativePath(folder, name) + "\"");
    auto flashFile = Automation::New<Chunkery::FlashFile>();
    flashFile->FlashRead(*path);
    for (const auto& file : *package.PrinterFiles())
        if (!flashFile->Resources()->Exists(file->FileTitle()))
            Automation::raise(ScrivelError, source,
                              "The package document is damaged: its file \"" + file->FileTitle() +
                                  "\" is not in its UFF file \"" + *path + "\"");
    return flashFile;
}

} // namespace Scrivel
