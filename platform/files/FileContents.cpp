#include "files/FileContents.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "automation/Error.h"
#include "files/FilePaths.h"
#include "files/ReplacementFile.h"

namespace Platform::Files {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Raises 53 for a missing file and 75 naming it for any other failure of `what`.
[[noreturn]] void failOn(const std::string& path, const std::string& source, const char* what) {
    int error = errno;
    if (error == ENOENT || error == ENOTDIR)
        Automation::raise(Automation::RuntimeError::FileNotFound, source, "File not found: \"" + path + "\"");
    Automation::raise(PathFileAccessError, source,
                      std::string("Path/File access error: cannot ") + what + " \"" + path + "\" (" +
                          std::strerror(error) + ")");
}

// An ordinary file opened for reading, with its size.
Descriptor openOrdinaryFile(const std::string& path, const std::string& source, off_t& size) {
    // Opened without blocking, so that a named pipe cannot hold the caller;
    // only ordinary files are read (O_NONBLOCK does not affect them).
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        failOn(path, source, "open");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        failOn(path, source, "read");
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        failOn(path, source, "read");
    }
    size = info.st_size;
    return fd;
}

// Up to `count` bytes from `offset` on (from the file position when it is
// negative); 0 at the end of the file.
size_t readSome(const Descriptor& fd, char* into, size_t count, off_t offset, const std::string& path,
                const std::string& source) {
    for (;;) {
        ssize_t got = offset < 0 ? ::read(fd.get(), into, count) : ::pread(fd.get(), into, count, offset);
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR)
            failOn(path, source, "read");
    }
}

} // namespace

std::string ReadFileContents(const std::string& path, std::string source, size_t maxBytes) {
    off_t size = 0;
    Descriptor fd = openOrdinaryFile(path, source, size);
    if (static_cast<uint64_t>(size) > maxBytes)
        Automation::raise(Automation::RuntimeError::Overflow, std::move(source),
                          "Overflow: \"" + path + "\" is larger than " + std::to_string(maxBytes) + " bytes");
    // The size is a hint only: a file that grows or shrinks meanwhile is read to its end.
    std::string contents;
    contents.reserve(static_cast<size_t>(size));
    char block[65536];
    for (;;) {
        size_t got = readSome(fd, block, sizeof block, -1, path, source);
        if (got == 0)
            break;
        if (contents.size() + got > maxBytes)
            Automation::raise(Automation::RuntimeError::Overflow, std::move(source),
                              "Overflow: \"" + path + "\" is larger than " + std::to_string(maxBytes) +
                                  " bytes");
        contents.append(block, got);
    }
    return contents;
}

std::string ReadFileStretch(const std::string& path, uint64_t offset, size_t count, std::string source,
                            uint64_t* fileSize) {
    off_t size = 0;
    Descriptor fd = openOrdinaryFile(path, source, size);
    if (fileSize)
        *fileSize = static_cast<uint64_t>(size);
    std::string stretch(count, '\0');
    size_t have = 0;
    // Nothing lies at an offset the file system cannot address.
    constexpr auto last = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    while (have < count && offset < last && have < last - offset) {
        size_t got = readSome(fd, stretch.data() + have, count - have, static_cast<off_t>(offset + have),
                              path, source);
        if (got == 0)
            break;
        have += got;
    }
    stretch.resize(have);
    return stretch;
}

bool IsVisibleFile(const std::string& path) {
    return FileExists(path) && !std::filesystem::path(path).filename().string().starts_with(".");
}

} // namespace Platform::Files
