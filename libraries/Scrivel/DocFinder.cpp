#include "Scrivel/DocFinder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/FileContents.h"

namespace Scrivel {

namespace fs = std::filesystem;

Automation::Ref<KSDocs> DocFinder::GetKSDocs(const std::string& sPath) {
    auto docs = Automation::New<KSDocs>();
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(sPath, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && Automation::lowerCase(it->path().extension().string()) == ".rbi")
            files.push_back(fs::absolute(it->path()));
    if (error)
        Automation::raise(Automation::RuntimeError::PathNotFound, "Scrivel",
                          "Path not found: \"" + sPath + "\" (" + error.message() + ")");
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
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
        try {
            doc->ReadXML(text);
        } catch (const Automation::Error& failure) {
            // The text stays as the document raised it; the file is named after it.
            std::string description = failure.Description();
            if (!description.empty() && description.back() != '.')
                description += '.';
            Automation::raise(failure.Number(), failure.Source(),
                              description + " Package document: \"" + file.string() + "\"");
        }
        doc->setPath(file.string());
        docs->append(doc, {});
    }
    return docs;
}

} // namespace Scrivel
