// Linked into the programs that act as the simulated printer's host (the
// tests): this tcsetattr, defined in the executable, stands before the C
// library's (and before a sanitizer's, which a preloaded library could not),
// passes every call on, and records the frame asked of a pseudo-terminal.
// A frame the terminal cannot keep (the C library refuses 7 data bits there)
// is set as the terminal's 8 bits without parity and succeeds, as it would on
// a serial port: the record holds what was asked.
#include <dlfcn.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "LineRecord.h"

namespace {

constexpr std::string_view TerminalPrefix = "/dev/pts/";

// The device of the descriptor; empty when it is no pseudo-terminal.
std::string_view terminalOf(int fd, char (&name)[64]) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, name, sizeof name - 1);
    const std::string_view device(name, length > 0 ? static_cast<size_t>(length) : 0);
    return device.starts_with(TerminalPrefix) ? device : std::string_view();
}

} // namespace

extern "C" int tcsetattr(int fd, int optionalActions, const termios* settings) noexcept {
    using Call = int (*)(int, int, const termios*);
    static const Call next = reinterpret_cast<Call>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    const int saved = errno;
    int result = next(fd, optionalActions, settings);
    if (!settings || (result != 0 && errno != EINVAL))
        return result;
    char name[64] = {};
    const std::string_view device = terminalOf(fd, name);
    if (device.empty())
        return result;
    if (result != 0) {
        termios kept = *settings;
        kept.c_cflag = (kept.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR)) | CS8;
        result = next(fd, optionalActions, &kept);
        if (result != 0)
            return result;
    }
    PrinterSim::LineRecord::write(device, settings->c_cflag);
    errno = saved;
    return result;
}
