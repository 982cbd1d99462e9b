#include "Scrivel/DocFinder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/FileContents.h"

namespace Scrivel {

namespace fs = std::filesystem;

Automation::Ref<KSDocs> DocFinder::GetKSDocs(const std::string& sPath, std::string* failedFile) {
    if (failedFile)
        failedFile->clear();
    auto docs = Automation::New<KSDocs>();
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(sPath, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && Automation::lowerCase(it->path().extension().string()) == ".rbi")
            files.push_back(fs::absolute(it->path()));
    if (error)
        Automation::raise(76, "Scrivel", "Path not found: \"" + sPath + "\" (" + error.message() + ")");
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        if (failedFile)
            *failedFile = file.string();
        std::string text;
        try {
            text = Platform::Files::ReadFileContents(file.string(), "Scrivel");
        } catch (const Automation::Error& failure) {
            // A file that vanished since the listing is passed over.
            if (failure.Number() == Automation::RuntimeError::FileNotFound)
                continue;
            throw;
        }
        auto doc = Automation::New<KSDoc>();
        doc->ReadXML(text);
        doc->setPath(file.string());
        docs->append(doc, {});
    }
    if (failedFile)
        failedFile->clear();
    return docs;
}

} // namespace Scrivel
