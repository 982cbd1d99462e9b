#include "LineRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace PrinterSim::LineRecord {

namespace {

constexpr std::string_view TerminalPrefix = "/dev/pts/";

// One folder a user, outside TMPDIR (tests check that theirs stays empty),
// one file a terminal number.
std::string folder() {
    return "/tmp/printer-sim-frames-" + std::to_string(::getuid());
}

std::optional<std::string> pathOf(std::string_view device) {
    if (!device.starts_with(TerminalPrefix) || device.size() == TerminalPrefix.size())
        return std::nullopt;
    const std::string_view number = device.substr(TerminalPrefix.size());
    if (number.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return folder() + "/pts-" + std::string(number);
}

} // namespace

void write(std::string_view device, tcflag_t controlFlags) {
    const std::optional<std::string> path = pathOf(device);
    if (!path)
        return;
    ::mkdir(folder().c_str(), 0700);
    // Written aside and renamed, so that a reader sees the old or the new frame.
    const std::string aside = *path + "." + std::to_string(::getpid());
    const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string text = std::to_string(controlFlags) + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written || ::rename(aside.c_str(), path->c_str()) != 0)
        ::unlink(aside.c_str());
}

std::optional<tcflag_t> read(std::string_view device) {
    const std::optional<std::string> path = pathOf(device);
    if (!path)
        return std::nullopt;
    const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long flags = std::strtoul(text, &end, 10);
    if (end == text || *end != '\n')
        return std::nullopt;
    return static_cast<tcflag_t>(flags);
}

void remove(std::string_view device) {
    if (const std::optional<std::string> path = pathOf(device))
        ::unlink(path->c_str());
}

} // namespace PrinterSim::LineRecord
