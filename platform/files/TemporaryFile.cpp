#include "files/TemporaryFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "automation/Error.h"
#include "files/ReplacementFile.h"

namespace Platform::Files {

namespace {

[[noreturn]] void failAt(const std::string& where, const std::string& source, int error) {
    Automation::raise(PathFileAccessError, source,
                      "Path/File access error: cannot create a temporary file in \"" + where + "\" (" +
                          std::strerror(error) + ")");
}

std::string folderOf(const std::string& pattern) {
    std::filesystem::path folder = std::filesystem::path(pattern).parent_path();
    return folder.empty() ? "." : folder.string();
}

} // namespace

std::string CreateUniqueFile(std::string pattern, const std::string& source) {
    // mkstemp makes the file with mode 0600 and fails rather than open one that exists.
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        failAt(folderOf(pattern), source, errno);
    ::close(fd);
    return pattern;
}

std::string CreateTemporaryFile(std::string_view bytes, std::string_view prefix, const std::string& source) {
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ignored);
    if (folder.empty())
        folder = "/tmp";
    std::string pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        failAt(folder.string(), source, errno);
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(pattern.c_str());
            failAt(folder.string(), source, error);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(pattern.c_str());
        failAt(folder.string(), source, error);
    }
    return pattern;
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

void TemporaryFile::Remove() noexcept {
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
}

} // namespace Platform::Files
