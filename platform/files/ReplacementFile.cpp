#include "files/ReplacementFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "automation/Error.h"

namespace Platform::Files {

namespace {

// The disk's writeback starts every so many bytes, so that Commit waits for
// little more than the last of them.
constexpr off_t WritebackStep = off_t(1) << 20;
// Writes gather up to this size: the page cache takes a large write in large
// folios, at about two thirds of the cost of the same bytes in 16 KiB writes.
constexpr std::size_t GatherSize = std::size_t(1) << 20;

mode_t newFileMode() {
    // umask can only be read by setting it.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

ReplacementFile::ReplacementFile(std::string destination, std::string source)
    : destination_(std::move(destination)), source_(std::move(source)) {
    std::filesystem::path target(destination_);
    std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        fail("cannot create a file in \"" + folder.string() + "\"");
    temporary_ = pattern;
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

void ReplacementFile::fail(const std::string& what) const {
    Automation::raise(PathFileAccessError, source_,
                      "Path/File access error: " + what + " (" + std::strerror(errno) + ")");
}

void ReplacementFile::Write(std::string_view bytes) {
    if (fd_ < 0)
        fail("\"" + destination_ + "\" was already written or discarded");
    if (gathered_.empty() && bytes.size() >= GatherSize) {
        writeOut(bytes);
        return;
    }
    gathered_.append(bytes);
    if (gathered_.size() >= GatherSize)
        Flush();
}

void ReplacementFile::Flush() {
    // What the file system refuses is dropped with the error: written again,
    // a part of it would be there twice.
    std::string bytes;
    bytes.swap(gathered_);
    writeOut(bytes);
    bytes.clear();
    gathered_.swap(bytes); // its memory serves the next bytes
}

void ReplacementFile::writeOut(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail("cannot write \"" + destination_ + "\"");
        bytes.remove_prefix(static_cast<size_t>(written));
        written_ += written;
    }
    // A long file goes to the disk while it is still being written.
    if (written_ - flushed_ >= WritebackStep) {
        ::sync_file_range(fd_, flushed_, written_ - flushed_, SYNC_FILE_RANGE_WRITE);
        flushed_ = written_;
    }
}

void ReplacementFile::Commit() {
    if (fd_ < 0)
        fail("\"" + destination_ + "\" was already written or discarded");
    Flush();
    // The contents reach the disk before the name points at them: a file
    // system that does not order the rename after the data could otherwise
    // leave an empty file where the old one stood after a power loss.
    if (::fchmod(fd_, newFileMode()) != 0 || ::fsync(fd_) != 0 || ::close(fd_) != 0) {
        fd_ = -1;
        fail("cannot write \"" + destination_ + "\"");
    }
    fd_ = -1;
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0)
        fail("cannot replace \"" + destination_ + "\"");
    temporary_.clear();
    syncFolder();
}

// Makes the rename itself durable. A folder that cannot be synced still
// holds the old file or the new one whole, so this never fails the commit.
void ReplacementFile::syncFolder() const {
    std::filesystem::path target(destination_);
    std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void ReplacementFile::Discard() {
    gathered_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

void ReplaceFileContents(const std::string& path, std::string_view bytes, std::string source) {
    ReplacementFile file(path, std::move(source));
    file.Write(bytes);
    file.Commit();
}

} // namespace Platform::Files
