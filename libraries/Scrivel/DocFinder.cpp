#include "Scrivel/DocFinder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "Scrivel/PackageDocument.h"
#include "automation/Runtime.h"

namespace Scrivel {

namespace fs = std::filesystem;

Automation::Ref<KSDocs> DocFinder::GetKSDocs(const std::string& sPath) {
    auto docs = Automation::New<KSDocs>();
    unreadable_.clear();
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
        try {
            docs->append(ReadPackageDocument(file.string()), {});
        } catch (const Automation::Error& failure) {
            // A file that vanished since the listing is passed over.
            if (failure.Number() != Automation::RuntimeError::FileNotFound)
                unreadable_.push_back(failure);
        }
    }
    return docs;
}

} // namespace Scrivel
