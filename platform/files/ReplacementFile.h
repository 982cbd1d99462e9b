#pragma once
// A file written for the user never lies half-written: its new contents go
// to a temporary file beside it (mode 0600 while incomplete), which replaces
// the file by a rename only when everything is written. A failure, or an
// object dropped without Commit, leaves the old file as it was and no
// temporary file behind. Commit waits until the new contents are on the
// disk before the rename, so a crash leaves the old file or the new one whole
// on any file system.
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace Platform::Files {

// Error number and text raised when the file system refuses.
inline constexpr int32_t PathFileAccessError = 75;

class ReplacementFile {
public:
    // Creates the temporary file beside `destination`; raises 75 naming the
    // folder when it cannot.
    explicit ReplacementFile(std::string destination, std::string source = "Files");
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& Destination() const { return destination_; }
    const std::string& TemporaryPath() const { return temporary_; }
    // The open descriptor of the temporary file, for writers that stream.
    int Descriptor() const { return fd_; }

    // Appends; raises 75 when the file system refuses (a full disk, say).
    // Short writes gather in memory: a refusal may come with a later Write,
    // Flush or Commit.
    void Write(std::string_view bytes);
    // Writes what has gathered; raises 75.
    void Flush();
    // Gives the file the permissions a new file gets, syncs it to the disk,
    // renames it over the destination and syncs the folder; raises 75 when
    // that fails before the rename (the old file stays).
    void Commit();
    // Removes the temporary file; the destination stays as it was.
    void Discard();

private:
    [[noreturn]] void fail(const std::string& what) const;
    void writeOut(std::string_view bytes);
    void syncFolder() const;

    std::string destination_;
    std::string temporary_;
    std::string source_;
    int fd_ = -1;
    std::string gathered_;
    // Bytes written, and how many of them were handed to the disk early.
    off_t written_ = 0;
    off_t flushed_ = 0;
};

// Writes `bytes` as the whole new contents of `path`, through a ReplacementFile.
void ReplaceFileContents(const std::string& path, std::string_view bytes, std::string source = "Files");

} // namespace Platform::Files
