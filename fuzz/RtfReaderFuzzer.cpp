// Reads arbitrary bytes as rich text: the reader never fails, and what it
// reads is no more text than it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto runs = Platform::Ui::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    size_t total = 0;
    for (const auto& run : runs) {
        if (run.text.empty())
            std::abort();
        total += run.text.size();
    }
    if (total > size)
        std::abort();
    return 0;
}
