#include "Markwell/CStringBuilder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "automation/Error.h"

namespace Markwell {

namespace {

// Run-time errors carry the library's name as their source.
constexpr const char* kRuntimeSource = "Markwell";

// The builder's sizes are Longs: a size past that range overflows.
int64_t checkedLong(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        Automation::raise(Automation::RuntimeError::Overflow, kRuntimeSource);
    return value;
}

[[noreturn]] void raiseOwn(const char* member, const char* description) {
    Automation::raise(CStringBuilder::ErrorNumber, std::string("CStringBuilder.") + member, description);
}

} // namespace

CStringBuilder::CStringBuilder() {
    buffer_.resize(static_cast<size_t>(bufferBump_ / 2), '\0');
}

void CStringBuilder::setBufferBump(int32_t bytes) {
    if (bytes < 1)
        return;
    bufferBump_ = static_cast<int32_t>(checkedLong(int64_t{bytes} + (bytes & 1)));
}

void CStringBuilder::setCapacity(int32_t bytes) {
    if (bytes < 1)
        return;
    resize(bytes);
}

void CStringBuilder::resize(int64_t bytes) {
    const int64_t rounded = checkedLong((bytes + bufferBump_ - 1) / bufferBump_ * bufferBump_);
    const size_t characters = static_cast<size_t>(rounded / 2);
    used_ = std::min(used_, characters);
    // The reported capacity moves in steps of the bump, but the storage grows
    // geometrically so that a long run of appends costs linear time.
    if (characters > buffer_.capacity())
        buffer_.reserve(std::max(characters, buffer_.capacity() * 2));
    buffer_.resize(characters, '\0');
}

int32_t CStringBuilder::EnsureCapacity(int32_t NewVal) {
    if (Capacity() < NewVal)
        setCapacity(NewVal);
    return Capacity();
}

std::string CStringBuilder::Chars(int32_t Position) const {
    if (Position < 0 || Position >= Length())
        raiseOwn("Chars", "Tried reading character past end of buffer.");
    return std::string(1, buffer_[static_cast<size_t>(Position)]);
}

void CStringBuilder::setChars(int32_t Position, std::string_view NewValue) {
    if (Position < 0 || Position >= Length())
        raiseOwn("Chars", "Tried assigning character past end of buffer.");
    if (NewValue.empty())
        Automation::raise(Automation::RuntimeError::InvalidProcedureCall, kRuntimeSource);
    buffer_[static_cast<size_t>(Position)] = NewValue.front();
}

void CStringBuilder::setLength(int32_t characters) {
    if (characters < 0)
        return;
    const int64_t bytes = checkedLong(int64_t{characters} * 2);
    if (Capacity() < bytes)
        resize(bytes);
    used_ = static_cast<size_t>(characters);
}

Automation::Ref<CStringBuilder> CStringBuilder::Append(std::string_view NewText) {
    if (!NewText.empty()) {
        const int64_t needed =
            checkedLong((static_cast<int64_t>(used_) + static_cast<int64_t>(NewText.size())) * 2);
        if (Capacity() < needed)
            resize(needed);
        std::memcpy(buffer_.data() + used_, NewText.data(), NewText.size());
        used_ += NewText.size();
    }
    return self<CStringBuilder>();
}

Automation::Ref<CStringBuilder> CStringBuilder::Insert(int32_t StartIndex, std::string_view NewText) {
    if (StartIndex < 0 || StartIndex > Length())
        raiseOwn("Insert", "Argument(s) out of range.");
    if (!NewText.empty()) {
        const int64_t needed =
            checkedLong((static_cast<int64_t>(used_) + static_cast<int64_t>(NewText.size())) * 2);
        if (Capacity() < needed)
            resize(needed);
        char* at = buffer_.data() + StartIndex;
        std::memmove(at + NewText.size(), at, used_ - static_cast<size_t>(StartIndex));
        std::memcpy(at, NewText.data(), NewText.size());
        used_ += NewText.size();
    }
    return self<CStringBuilder>();
}

Automation::Ref<CStringBuilder> CStringBuilder::Remove(int32_t StartIndex, int32_t Length) {
    const int64_t end = checkedLong(int64_t{StartIndex} + Length);
    if (StartIndex < 0 || Length < 0 || end > this->Length())
        raiseOwn("Remove", "Argument(s) out of range.");
    char* at = buffer_.data() + StartIndex;
    std::memmove(at, at + Length, used_ - static_cast<size_t>(end));
    used_ -= static_cast<size_t>(Length);
    return self<CStringBuilder>();
}

std::string CStringBuilder::ToString() const {
    return buffer_.substr(0, used_);
}

} // namespace Markwell
