#pragma once
// A growable queue of the bytes received from the printer: appended at the
// end, searched, read in slices and dropped from the front once handled.
// Positions are 1-based (0 is "not found"); Peek and Poke take 0-based indexes.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "automation/Object.h"

namespace Brindle {

class FifoBuf : public Automation::Object {
public:
    void Add(std::string_view NewValue) { buf_.append(NewValue); }
    int32_t Count() const { return static_cast<int32_t>(buf_.size()); }

    // Range 0 or less means no limit.
    int32_t FindByte(int32_t StartPos, uint8_t Char, int32_t Range = 0) const;
    // The last occurrence within the window.
    int32_t FindByteRev(int32_t StartPos, uint8_t Char, int32_t Range = 0) const;
    // The window bounds where a match may start; the match may run past it.
    int32_t FindByteArray(int32_t StartPos, std::string_view Chars, int32_t Range = 0) const;
    int32_t FindStr(int32_t StartPos, std::string_view Text, int32_t Range = 0) const {
        return FindByteArray(StartPos, Text, Range);
    }
    // Scans back from StartPos; the result is the position of the match's last byte.
    int32_t FindStrRev(int32_t StartPos, std::string_view Text, int32_t Range = 0) const;

    // Out-of-range indexes and values change nothing.
    void Poke(int32_t ZeroBasedPosition, int32_t Value);
    // -1 for an index outside the queue.
    int32_t Peek(int32_t ZeroBasedPosition) const;

    // Moves Length bytes from the front of the other queue to the end of this
    // one; a Length below 1 or beyond its count moves all and reports the count.
    void Move(FifoBuf& FromAnyFifoBuf, int32_t& Length);

    // A Length of 0 or one past the end reads to the end and reports that length.
    std::string MidStr(int32_t Start, int32_t& Length) const;
    std::string MidByteArray(int32_t Start, int32_t& Length) const { return MidStr(Start, Length); }

    void RemoveFront(int32_t n);
    const std::string& GetBytes() const { return buf_; }
    // Takes every byte and leaves the queue empty.
    std::string TakeAll() { return std::exchange(buf_, {}); }

private:
    // The 0-based index of the last byte a search may look at, for a window
    // of Range bytes from StartPos, before the pattern length is taken off.
    int32_t windowEnd(int32_t StartPos, int32_t Range, int32_t last) const;
    // The window of a single-byte search; false when StartPos lies outside it.
    bool byteWindow(int32_t StartPos, int32_t Range, int32_t& last) const;

    std::string buf_;
};

} // namespace Brindle
