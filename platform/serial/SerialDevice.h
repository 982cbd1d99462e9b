#pragma once
// A serial line on a non-blocking termios descriptor. It works on real ports
// and on pseudo-terminals alike: a pseudo-terminal has no modem lines and
// does not act on parity or data bits, and nothing here fails for that.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "serial/SerialEnums.h"

namespace Platform::Serial {

// The line as the Settings text gives it: "baud,parity,data,stop".
struct LineSettings {
    int32_t baud = 9600;
    char parity = 'n'; // n, e, o, m (mark) or s (space)
    int32_t dataBits = 8;
    int32_t stopBits = 1;

    // Nothing when the text is not valid; `problem` then names what is wrong.
    static std::optional<LineSettings> parse(std::string_view text, std::string& problem);
    std::string text() const;
    bool operator==(const LineSettings&) const = default;
};

// Modem status bits in the Windows layout, as callers that probe ports expect.
inline constexpr uint32_t ModemStatus_CTS = 0x10;
inline constexpr uint32_t ModemStatus_DSR = 0x20;
inline constexpr uint32_t ModemStatus_Ring = 0x40;
inline constexpr uint32_t ModemStatus_CD = 0x80;

class SerialDevice {
public:
    SerialDevice() = default;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;
    ~SerialDevice();

    // Opens the device for exclusive use; 0 or the errno of the failure
    // (EBUSY when someone else holds it, ENOTTY when it is no terminal).
    int open(const std::string& path);
    // Closes at once; pending output is dropped, not drained.
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Applies settings and handshaking; false when the device refuses them.
    bool configure(const LineSettings& settings, int32_t handshaking);
    // Raises or drops DTR and RTS; ignored where the device has no such lines.
    void setModemControl(bool dtr, bool rts);
    // The modem status (ModemStatus_* bits); nothing on a device without modem lines.
    std::optional<uint32_t> modemStatus() const;

    // Bytes waiting in the kernel's input and output queues.
    std::size_t inputQueued() const;
    std::size_t outputQueued() const;
    void flushInput();
    void flushOutput();

    ssize_t read(char* buffer, std::size_t size);
    ssize_t write(const char* data, std::size_t size);

private:
    // Whether the device is the slave end of a pseudo-terminal.
    bool isPseudoTerminal() const;

    int fd_ = -1;
};

} // namespace Platform::Serial
