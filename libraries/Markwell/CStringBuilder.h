#pragma once
// A growable text buffer: long texts are built by appending without copying
// the whole text each time. Sizes are counted in bytes of 16-bit characters,
// two per character, as callers of the builder have always seen them.
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/Object.h"

namespace Markwell {

class CStringBuilder : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{6523DBAA-5D1A-4515-BCDC-D74F49B773A0}",
                                                     "Markwell.CStringBuilder",
                                                     "{2A982A0E-7BFF-42B7-B19D-6F1793005312}"};
    // The number of the builder's own errors.
    static constexpr int32_t ErrorNumber = Automation::ObjectErrorBase + 512;

    CStringBuilder();

    int32_t BufferBump() const { return bufferBump_; }
    void setBufferBump(int32_t bytes);
    int32_t Capacity() const { return static_cast<int32_t>(buffer_.size() * 2); }
    void setCapacity(int32_t bytes);
    std::string Chars(int32_t Position = 0) const;
    void setChars(int32_t Position, std::string_view NewValue);
    // Without a position, the character at position 0.
    void setChars(std::string_view NewValue) { setChars(0, NewValue); }
    int32_t Length() const { return static_cast<int32_t>(used_); }
    void setLength(int32_t characters);

    Automation::Ref<CStringBuilder> Append(std::string_view NewText);
    int32_t EnsureCapacity(int32_t NewVal);
    Automation::Ref<CStringBuilder> Insert(int32_t StartIndex, std::string_view NewText);
    Automation::Ref<CStringBuilder> Remove(int32_t StartIndex, int32_t Length = 1);
    std::string ToString() const;

private:
    // Grows or cuts the buffer to `bytes` rounded up to a multiple of the bump.
    void resize(int64_t bytes);

    // One byte per character; its size is half the capacity in bytes, and
    // bytes past the text keep whatever they held.
    std::string buffer_;
    size_t used_ = 0; // characters
    int32_t bufferBump_ = 2048;
};

} // namespace Markwell
