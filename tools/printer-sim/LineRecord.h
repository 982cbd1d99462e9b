#pragma once
// A pseudo-terminal keeps only whole bytes: the kernel forces the frame of
// its host end to 8 data bits without parity, whatever the host asked for.
// So that the line model can judge the frame the host meant, a test process
// records each frame it asks of a pseudo-terminal (see FrameRecorder.cpp),
// and the printer reads the record of its terminal here. Plain C++, as the
// recorder runs inside tcsetattr of any program that links it.
#include <optional>
#include <string_view>
#include <termios.h>

namespace PrinterSim::LineRecord {

// Keeps the control flags that the host asked for on `device` (/dev/pts/N);
// a device that is no pseudo-terminal is not recorded.
void write(std::string_view device, tcflag_t controlFlags);
// The recorded control flags of `device`; none when no host recorded any.
std::optional<tcflag_t> read(std::string_view device);
// Forgets the record of `device` (a terminal number is used again later).
void remove(std::string_view device);

} // namespace PrinterSim::LineRecord
