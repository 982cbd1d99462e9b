#include "files/FilePaths.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "automation/Runtime.h"

namespace Platform::Files {

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

bool FolderExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

namespace {

// The entry of `folder` whose name is `name` but for letter case, a folder
// or a file as asked; the first in name order.
std::optional<fs::path> entryLike(const fs::path& folder, const std::string& name, bool wantFolder) {
    std::vector<fs::path> matches;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& entry = it->path();
        if (Automation::equalsText(entry.filename().string(), name) &&
            (wantFolder ? FolderExists(entry) : FileExists(entry)))
            matches.push_back(entry);
    }
    if (matches.empty())
        return std::nullopt;
    return *std::min_element(matches.begin(), matches.end());
}

} // namespace

std::string JoinRelativePath(const std::string& folder, std::string relative) {
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return (fs::path(folder) / relative).string();
}

std::optional<std::string> FindRelativeFile(const std::string& folder, std::string relative) {
    if (relative.empty())
        return std::nullopt;
    const std::string exact = JoinRelativePath(folder, relative);
    if (FileExists(exact))
        return exact;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const fs::path written(relative);
    // Name by name, so that a folder in another case is found as well.
    std::vector<std::string> names;
    for (const auto& part : written.relative_path())
        if (!part.empty())
            names.push_back(part.string());
    fs::path at = written.is_absolute() ? written.root_path() : fs::path(folder);
    for (size_t i = 0; i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        fs::path next = at / names[i];
        if (names[i] == "." || names[i] == ".." || (last ? FileExists(next) : FolderExists(next))) {
            at = next;
            continue;
        }
        auto like = entryLike(at, names[i], !last);
        if (!like)
            return std::nullopt;
        at = *like;
    }
    if (!FileExists(at))
        return std::nullopt;
    return at.string();
}

} // namespace Platform::Files
