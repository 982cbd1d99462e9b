#include "files/FileContents.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "automation/Error.h"
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
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string ReadFileContents(const std::string& path, std::string source, size_t maxBytes) {
    auto fail = [&](const char* what) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            Automation::raise(Automation::RuntimeError::FileNotFound, std::move(source),
                              "File not found: \"" + path + "\"");
        Automation::raise(PathFileAccessError, std::move(source),
                          std::string("Path/File access error: cannot ") + what + " \"" + path + "\" (" +
                              std::strerror(error) + ")");
    };
    // Opened without blocking, so that a named pipe cannot hold the caller;
    // only ordinary files are read (O_NONBLOCK does not affect them).
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        fail("open");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail("read");
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        fail("read");
    }
    if (static_cast<uint64_t>(info.st_size) > maxBytes)
        Automation::raise(Automation::RuntimeError::Overflow, std::move(source),
                          "Overflow: \"" + path + "\" is larger than " + std::to_string(maxBytes) + " bytes");
    // The size is a hint only: a file that grows or shrinks meanwhile is read to its end.
    std::string contents;
    contents.reserve(static_cast<size_t>(info.st_size));
    char block[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail("read");
        if (got == 0)
            break;
        if (contents.size() + static_cast<size_t>(got) > maxBytes)
            Automation::raise(Automation::RuntimeError::Overflow, std::move(source),
                              "Overflow: \"" + path + "\" is larger than " + std::to_string(maxBytes) +
                                  " bytes");
        contents.append(block, static_cast<size_t>(got));
    }
    return contents;
}

bool IsVisibleFile(const std::string& path) {
    std::error_code error;
    std::filesystem::path file(path);
    return std::filesystem::is_regular_file(file, error) && !file.filename().string().starts_with(".");
}

} // namespace Platform::Files
