#include "serial/KermitCodec.h"

#include <algorithm>

#include "serial/KermitPacket.h"

namespace Platform::Serial {

namespace {

constexpr std::size_t MaxRepeat = 94;

// After the control prefix, these characters stand for a control character
// (the character with bit 6 flipped); any other stands for itself.
bool isControlImage(unsigned char c) {
    const unsigned char low = c & 0x7F;
    return (low >= 0x40 && low <= 0x5F) || low == 0x3F;
}

} // namespace

KermitCodec::KermitCodec(char control, char eighthBit, char repeat)
    : control_(control), eighthBit_(eighthBit), repeat_(repeat) {
    for (const char prefix : {control, eighthBit, repeat})
        if (prefix != 0)
            prefix_[static_cast<unsigned char>(prefix)] = true;
}

void KermitCodec::encodeByte(unsigned char byte, std::string& out) const {
    if (eighthBit_ != 0 && (byte & 0x80) != 0) {
        out += eighthBit_;
        byte &= 0x7F;
    }
    const unsigned char low = byte & 0x7F;
    if (low < 0x20 || low == 0x7F) {
        out += control_;
        out += static_cast<char>(byte ^ 0x40);
        return;
    }
    const char plain = static_cast<char>(low);
    if (plain == control_ || (eighthBit_ != 0 && plain == eighthBit_) || (repeat_ != 0 && plain == repeat_))
        out += control_;
    out += static_cast<char>(byte);
}

std::size_t KermitCodec::encode(std::string_view input, std::size_t room, std::string& out) const {
    std::string unit;
    std::size_t taken = 0;
    while (taken < input.size()) {
        const char byte = input[taken];
        std::size_t run = 1;
        if (repeat_ != 0)
            while (run < MaxRepeat && taken + run < input.size() && input[taken + run] == byte)
                ++run;
        unit.clear();
        encodeByte(static_cast<unsigned char>(byte), unit);
        // A repeat costs two characters, so it pays from three bytes on.
        if (run >= 3) {
            if (unit.size() + 2 > room)
                break;
            out += repeat_;
            out += KermitPacket::toChar(static_cast<int>(run));
            out += unit;
            room -= unit.size() + 2;
            taken += run;
        } else {
            if (unit.size() > room)
                break;
            out += unit;
            room -= unit.size();
            ++taken;
        }
    }
    return taken;
}

bool KermitCodec::decode(std::string_view field, std::string& out) const {
    // A character of the field stands for at most one byte, except in a
    // repeat: out grows by the field's length at once, and by a run's length
    // where one comes; what was not used goes at the end.
    std::size_t done = out.size();
    out.resize(done + field.size());
    std::size_t i = 0;
    auto next = [&](unsigned char& c) {
        if (i >= field.size())
            return false;
        c = static_cast<unsigned char>(field[i++]);
        return true;
    };
    auto malformed = [&] {
        out.resize(done);
        return false;
    };
    unsigned char c = 0;
    for (;;) {
        // Plain characters stand for themselves: copied as a run.
        char* to = out.data();
        while (i < field.size() && !prefix_[static_cast<unsigned char>(field[i])])
            to[done++] = field[i++];
        if (!next(c))
            break;
        int count = 1;
        if (repeat_ != 0 && c == static_cast<unsigned char>(repeat_)) {
            if (!next(c))
                return malformed();
            count = KermitPacket::unChar(static_cast<char>(c));
            if (count < 1 || count > static_cast<int>(MaxRepeat) || !next(c))
                return malformed();
            out.resize(out.size() + static_cast<std::size_t>(count));
        }
        unsigned char high = 0;
        if (eighthBit_ != 0 && c == static_cast<unsigned char>(eighthBit_)) {
            high = 0x80;
            if (!next(c))
                return malformed();
        }
        if (c == static_cast<unsigned char>(control_)) {
            if (!next(c))
                return malformed();
            if (isControlImage(c))
                c ^= 0x40;
        }
        std::fill_n(out.data() + done, count, static_cast<char>(c | high));
        done += static_cast<std::size_t>(count);
    }
    out.resize(done);
    return true;
}

} // namespace Platform::Serial
