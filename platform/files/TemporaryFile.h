#pragma once
// Files of the program's own that live only for one operation: created
// under a name nobody can guess or take first (mkstemp), readable by the
// user alone (mode 0600), in the temporary folder (TMPDIR) unless a folder
// is named.
#include <string>
#include <string_view>

namespace Platform::Files {

// A new empty file named after `pattern`, which ends in "XXXXXX"; raises 75
// with `source` when it cannot be made.
std::string CreateUniqueFile(std::string pattern, const std::string& source);

// A new file in the temporary folder that holds exactly `bytes`, its name
// beginning with `prefix`; raises 75 with `source` when it cannot be made
// or written, and then leaves nothing behind.
std::string CreateTemporaryFile(std::string_view bytes, std::string_view prefix, const std::string& source);

// Owns such a file and removes it when it goes, however the operation ended.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(std::string_view bytes, std::string_view prefix, const std::string& source)
        : path_(CreateTemporaryFile(bytes, prefix, source)) {}
    ~TemporaryFile() { Remove(); }
    TemporaryFile(TemporaryFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    TemporaryFile& operator=(TemporaryFile&& other) noexcept;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Empty when there is none.
    const std::string& Path() const { return path_; }
    // Removes the file now; a failure to remove is ignored.
    void Remove() noexcept;

private:
    std::string path_;
};

} // namespace Platform::Files
