#pragma once
// Takes ZModem frames apart as bytes arrive: hex and binary headers, the data
// subpackets that follow ZFILE, ZSINIT, ZDATA and ZCOMMAND headers, and a
// cancel (five CAN in a row). Anything before a header is skipped, so a
// printer's echo of the command that started its side does no harm.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/ZModemCodec.h"

namespace Platform::Serial::ZModem {

class ZModemReader {
public:
    enum class Kind {
        Header,    // header: a valid header
        Subpacket, // data, frameEnd: a data subpacket whose CRC matched
        Cancel,    // the peer cancelled
        Error,     // a damaged header or subpacket, or too much garbage
    };
    struct Item {
        Kind kind = Kind::Error;
        Header header;
        bool crc32 = false; // the header came in ZBIN32 form
        std::string_view data;
        uint8_t frameEnd = 0;
    };
    using Sink = std::function<void(const Item&)>;

    // The longest subpacket accepted (8 KiB senders included).
    static constexpr std::size_t MaxSubpacket = 8192;
    // Bytes skipped while looking for a header before an Error is reported.
    static constexpr std::size_t GarbageLimit = 32768;

    ZModemReader();

    // Feeds line bytes; the sink is called for each item, in order, and may
    // change what the reader expects next.
    void feed(std::string_view bytes, const Sink& sink);
    // Looks for a header next, dropping a subpacket in progress.
    void expectHeader();
    // The peer was asked to escape every control character: an unescaped one
    // is line noise and is dropped.
    void setDropControl(bool on);

private:
    enum class State { Seek, Pad, PadDle, Hex, Binary, Data, DataCrc };

    void startHeader(uint8_t format);
    void finishHeader(const Sink& sink);
    void finishSubpacket(const Sink& sink);
    void fail(const Sink& sink);
    // Decodes one byte of escaped content; returns -1 while inside an escape,
    // -2 for a frame end (in escapedEnd_), -3 for a bad escape.
    int decode(uint8_t byte);
    // One escaped byte of a fixed-length field (binary header, data CRC);
    // true once the field holds `length` bytes.
    bool takeEscaped(uint8_t byte, std::size_t length, const Sink& sink);
    // The byte stands for itself in escaped content: no ZDLE, nothing dropped.
    bool isPlain(uint8_t byte) const { return plain_[byte]; }

    State state_ = State::Seek;
    uint8_t format_ = 0;
    bool crc32_ = false;     // of the header being read, and of the subpackets after it
    bool dataCrc32_ = false; // of the subpackets being read
    bool escaped_ = false;
    std::array<bool, 256> plain_{};
    uint8_t escapedEnd_ = 0;
    uint8_t frameEnd_ = 0;
    int canRun_ = 0;
    int hexEnd_ = 0; // bytes of a hex header's CR LF still to come
    std::size_t garbage_ = 0;
    std::string field_; // header bytes, hex digits or subpacket CRC
    std::string data_;
};

} // namespace Platform::Serial::ZModem
