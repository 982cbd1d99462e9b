#include "Scoutel/byteArray.h"

#include <algorithm>

#include "automation/Error.h"
#include "files/FileContents.h"

namespace Scoutel {

using Automation::RuntimeError::SubscriptOutOfRange;

namespace {

constexpr const char* kLibrary = "Scoutel";

} // namespace

void byteArray::requireLoadable(const std::string& PathName, uint64_t length) {
    if (length == 0)
        Automation::raise(SubscriptOutOfRange, kLibrary,
                          "Subscript out of range: \"" + PathName + "\" is empty");
    if (length > static_cast<uint64_t>(MaxCount))
        Automation::raise(Automation::RuntimeError::Overflow, kLibrary,
                          "Overflow: \"" + PathName + "\" is larger than " + std::to_string(MaxCount) +
                              " bytes");
}

void byteArray::replaceWith(std::string_view contents) {
    bytes_.assign(1, 0);
    bytes_.insert(bytes_.end(), contents.begin(), contents.end());
}

void byteArray::LoadFile(const std::string& PathName) {
    std::string contents = Platform::Files::ReadFileContents(PathName, kLibrary, MaxCount);
    requireLoadable(PathName, contents.size());
    replaceWith(contents);
}

int32_t byteArray::LoadFileStart(const std::string& PathName, int32_t count) {
    uint64_t length = 0;
    std::string start = Platform::Files::ReadFileStretch(PathName, 0, static_cast<size_t>(std::max(count, 0)),
                                                         kLibrary, &length);
    requireLoadable(PathName, length);
    replaceWith(start);
    return static_cast<int32_t>(length);
}

void byteArray::Add(const Automation::ByteArray& NewValue) {
    if (static_cast<int64_t>(Count()) + static_cast<int64_t>(NewValue.size()) > MaxCount)
        Automation::raise(Automation::RuntimeError::Overflow, kLibrary);
    bytes_.insert(bytes_.end(), NewValue.begin(), NewValue.end());
}

int32_t byteArray::searchEnd(int32_t StartPos, int32_t Range) const {
    if (Range >= 1 && int64_t{StartPos} + Range < Count())
        return StartPos + Range - 1;
    return Count();
}

int32_t byteArray::FindByte(int32_t StartPos, uint8_t Char, int32_t Range) const {
    int32_t end = searchEnd(StartPos, Range);
    if (StartPos < 1 || StartPos > end)
        return 0;
    auto first = bytes_.begin() + StartPos;
    auto hit = std::find(first, bytes_.begin() + end + 1, Char);
    return hit == bytes_.begin() + end + 1 ? 0 : static_cast<int32_t>(hit - bytes_.begin()) + 1;
}

int32_t byteArray::FindByteRev(int32_t StartPos, uint8_t Char, int32_t Range) const {
    int32_t end = searchEnd(StartPos, Range);
    if (StartPos < 1 || StartPos > end)
        return 0;
    for (int32_t i = end; i >= StartPos; --i)
        if (bytes_[i] == Char)
            return i + 1;
    return 0;
}

int32_t byteArray::FindByteArray(int32_t StartPos, const Automation::ByteArray& Chars, int32_t Range) const {
    if (Chars.empty() || Chars.size() > static_cast<size_t>(Count()))
        return 0;
    int64_t last = int64_t{Count()} - static_cast<int64_t>(Chars.size()) + 1;
    if (Range >= 1 && int64_t{StartPos} + Range < last)
        last = int64_t{StartPos} + Range;
    if (StartPos < 1 || StartPos > last + 1)
        return 0;
    for (int64_t s = StartPos; s <= last; ++s)
        if (std::equal(Chars.begin(), Chars.end(), bytes_.begin() + s))
            return static_cast<int32_t>(s);
    return 0;
}

int32_t byteArray::FindStr(int32_t StartPos, std::string_view Text, int32_t Range) const {
    return FindByteArray(StartPos, Automation::ByteArray(Text.begin(), Text.end()), Range);
}

int32_t byteArray::FindStrRev(int32_t StartPos, std::string_view Text, int32_t Range) const {
    auto n = static_cast<int64_t>(Text.size());
    if (n == 0)
        return 0;
    int64_t low = 1;
    if (Range >= 1 && int64_t{StartPos} - Range > 0)
        low = int64_t{StartPos} - Range + 1;
    if (StartPos < low || StartPos > Count())
        return 0;
    // A candidate whose bytes would run past the end cannot match, so the
    // search starts at the last candidate that fits.
    int64_t first = std::min<int64_t>(StartPos, int64_t{Count()} - n + 1);
    for (int64_t s = first; s >= low + n - 1; --s)
        if (std::equal(Text.begin(), Text.end(), bytes_.begin() + s,
                       [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
            return static_cast<int32_t>(s);
    return 0;
}

void byteArray::Poke(int32_t Position, int32_t Value) {
    if (Position >= 0 && Position <= Count() && Value >= 0 && Value <= 255)
        bytes_[Position] = static_cast<uint8_t>(Value);
}

int32_t byteArray::Peek(int32_t Position) const {
    return Position >= 0 && Position <= Count() ? bytes_[Position] : -1;
}

void byteArray::Move(byteArray& FromAnyByteArray, int32_t& Length) {
    if (Length < 1 || Length > FromAnyByteArray.Count())
        Length = FromAnyByteArray.Count();
    if (Length == 0)
        return;
    // Copied first, so that a buffer may move bytes from its own front to its end.
    Automation::ByteArray moved(FromAnyByteArray.bytes_.begin() + 1,
                                FromAnyByteArray.bytes_.begin() + 1 + Length);
    FromAnyByteArray.RemoveFront(Length);
    Add(moved);
}

std::string_view byteArray::midView(int32_t Start, int32_t& Length) const {
    if (Start < 1 || Start > Count())
        Automation::raise(SubscriptOutOfRange, "FifoBuf: MidStr");
    if (Length == 0 || int64_t{Start} + Length > Count())
        Length = Count() - Start + 1;
    if (Length < 0)
        Automation::raise(SubscriptOutOfRange, kLibrary);
    return {reinterpret_cast<const char*>(bytes_.data()) + Start, static_cast<size_t>(Length)};
}

std::string byteArray::MidStr(int32_t Start, int32_t& Length) const {
    return std::string(midView(Start, Length));
}

Automation::ByteArray byteArray::MidByteArray(int32_t Start, int32_t& Length) const {
    std::string_view bytes = midView(Start, Length);
    return Automation::ByteArray(bytes.begin(), bytes.end());
}

void byteArray::RemoveFront(int32_t n) {
    if (n <= 0)
        return;
    bytes_.erase(bytes_.begin() + 1, bytes_.begin() + 1 + std::min(n, Count()));
}

} // namespace Scoutel
