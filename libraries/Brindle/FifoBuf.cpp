#include "Brindle/FifoBuf.h"

#include <cstring>

#include "errors/ErrorTextProvider.h"

namespace Brindle {

int32_t FifoBuf::windowEnd(int32_t StartPos, int32_t Range, int32_t last) const {
    if (Range > 0 && static_cast<int64_t>(StartPos) - 1 + Range <= last)
        return StartPos + Range - 2;
    return last;
}

bool FifoBuf::byteWindow(int32_t StartPos, int32_t Range, int32_t& last) const {
    if (buf_.empty())
        return false;
    last = windowEnd(StartPos, Range, Count() - 1);
    return StartPos >= 1 && StartPos - 1 <= last;
}

int32_t FifoBuf::FindByte(int32_t StartPos, uint8_t Char, int32_t Range) const {
    int32_t last = 0;
    if (!byteWindow(StartPos, Range, last))
        return 0;
    const void* hit = std::memchr(buf_.data() + StartPos - 1, Char, last - (StartPos - 1) + 1);
    return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - buf_.data()) + 1 : 0;
}

int32_t FifoBuf::FindByteRev(int32_t StartPos, uint8_t Char, int32_t Range) const {
    int32_t last = 0;
    if (!byteWindow(StartPos, Range, last))
        return 0;
    for (int32_t i = last; i >= StartPos - 1; --i)
        if (static_cast<uint8_t>(buf_[i]) == Char)
            return i + 1;
    return 0;
}

int32_t FifoBuf::FindByteArray(int32_t StartPos, std::string_view Chars, int32_t Range) const {
    if (buf_.empty() || Chars.empty())
        return 0;
    int32_t last = windowEnd(StartPos, Range, Count() - static_cast<int32_t>(Chars.size()));
    if (StartPos < 1 || StartPos > last + 1)
        return 0;
    for (int32_t s = StartPos - 1; s <= last; ++s)
        if (std::memcmp(buf_.data() + s, Chars.data(), Chars.size()) == 0)
            return s + 1;
    return 0;
}

int32_t FifoBuf::FindStrRev(int32_t StartPos, std::string_view Text, int32_t Range) const {
    int32_t last = 0;
    if (Text.empty() || !byteWindow(StartPos, Range, last))
        return 0;
    auto length = static_cast<int32_t>(Text.size());
    for (int32_t e = StartPos - 1; e >= length - 1; --e)
        if (std::memcmp(buf_.data() + e - length + 1, Text.data(), Text.size()) == 0)
            return e + 1;
    return 0;
}

void FifoBuf::Poke(int32_t ZeroBasedPosition, int32_t Value) {
    if (ZeroBasedPosition < 0 || ZeroBasedPosition >= Count() || Value < 0 || Value > 255)
        return;
    buf_[ZeroBasedPosition] = static_cast<char>(Value);
}

int32_t FifoBuf::Peek(int32_t ZeroBasedPosition) const {
    if (ZeroBasedPosition < 0 || ZeroBasedPosition >= Count())
        return -1;
    return static_cast<uint8_t>(buf_[ZeroBasedPosition]);
}

void FifoBuf::Move(FifoBuf& FromAnyFifoBuf, int32_t& Length) {
    if (FromAnyFifoBuf.Count() < Length || Length < 1)
        Length = FromAnyFifoBuf.Count();
    if (Length == 0)
        return;
    buf_.append(FromAnyFifoBuf.buf_, 0, Length);
    FromAnyFifoBuf.RemoveFront(Length);
}

std::string FifoBuf::MidStr(int32_t Start, int32_t& Length) const {
    if (Start > Count() || Start < 1)
        Platform::ErrorTextProvider::RaiseLibraryError(101, "FifoBuf: MidStr");
    if (static_cast<int64_t>(Start) + Length > Count() || Length <= 0)
        Length = Count() - Start + 1;
    return buf_.substr(Start - 1, Length);
}

void FifoBuf::RemoveFront(int32_t n) {
    if (n <= 0)
        return;
    if (n >= Count())
        buf_.clear();
    else
        buf_.erase(0, n);
}

} // namespace Brindle
