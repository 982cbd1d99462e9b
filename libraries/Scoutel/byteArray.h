#pragma once
// A growable byte buffer with 1-based positions and forward and backward
// searches. Element 0 is a spare byte that no count includes. Positions and
// lengths are signed 32-bit; every sum of them is formed in 64 bits, so no
// argument can make a search or a copy reach outside the buffer.
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/Object.h"
#include "automation/Variant.h"

namespace Scoutel {

class byteArray : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{0E3F1B2A-6C41-4D8E-9A57-2B8C4F1D7E63}",
                                                     "Scoutel.byteArray",
                                                     "{5A9D2C71-3E84-4B16-8F0A-C7E2D94B6A15}"};
    // The most data bytes a buffer holds, so that "the position after" the
    // last byte is still a 32-bit position.
    static constexpr int32_t MaxCount = INT32_MAX - 1;

    byteArray() : bytes_(1, 0) {}

    // Replaces the contents with the whole file; a file that cannot be read,
    // or has no bytes (error 9), leaves the buffer as it was.
    void LoadFile(const std::string& PathName);
    // Replaces the contents with the first `count` bytes of the file (fewer
    // where it ends) and gives the file's length; the file is refused as
    // LoadFile refuses it, so that a start read stands for the whole.
    int32_t LoadFileStart(const std::string& PathName, int32_t count);
    // Appends every element; error 6 when the buffer would pass MaxCount.
    void Add(const Automation::ByteArray& NewValue);
    int32_t Count() const { return static_cast<int32_t>(bytes_.size() - 1); }

    // Forward and backward byte searches: the position after the hit, or 0.
    // A Range of 0 or below means no limit.
    int32_t FindByte(int32_t StartPos, uint8_t Char, int32_t Range = 0) const;
    int32_t FindByteRev(int32_t StartPos, uint8_t Char, int32_t Range = 0) const;
    // Sequence searches: the position of the hit's first byte, or 0.
    int32_t FindByteArray(int32_t StartPos, const Automation::ByteArray& Chars, int32_t Range = 0) const;
    int32_t FindStr(int32_t StartPos, std::string_view Text, int32_t Range = 0) const;
    int32_t FindStrRev(int32_t StartPos, std::string_view Text, int32_t Range = 0) const;

    // Out-of-range positions and values are ignored; Peek gives -1 for them.
    void Poke(int32_t Position, int32_t Value);
    int32_t Peek(int32_t Position) const;

    // Moves the first Length bytes of the other buffer to the end of this one;
    // a Length below 1 or beyond the other's Count becomes that Count.
    void Move(byteArray& FromAnyByteArray, int32_t& Length);

    // The bytes from Start on: a Length of 0, or one reaching past the end,
    // becomes the length up to the end. Error 9 for a Start outside 1 to Count
    // or a negative Length.
    std::string MidStr(int32_t Start, int32_t& Length) const;
    Automation::ByteArray MidByteArray(int32_t Start, int32_t& Length) const;

    // Drops positions 1 to n.
    void RemoveFront(int32_t n);
    // The whole array, element 0 included.
    Automation::ByteArray GetBytes() const { return bytes_; }

private:
    // Error 9 for a file of no bytes, 6 for one longer than MaxCount.
    static void requireLoadable(const std::string& PathName, uint64_t length);
    void replaceWith(std::string_view contents);
    std::string_view midView(int32_t Start, int32_t& Length) const;
    // The last position a forward search looks at.
    int32_t searchEnd(int32_t StartPos, int32_t Range) const;

    Automation::ByteArray bytes_;
};

} // namespace Scoutel
