#pragma once
// Judges what the printer has said so far during a raw upload: its cat
// running out of time, a refused file name, too much unexpected text, or the
// end marker that the printer prints when its command line is back.
#include <cstdint>
#include <string_view>

namespace Brindle {

class RawUploadReply {
public:
    struct Verdict {
        int32_t error = 0;  // the library error to raise, 0 for none
        bool ended = false; // the end marker arrived
    };

    // More than this many characters without the end marker is an error.
    static constexpr size_t MostGarbage = 512;
    // The error of a cat that gave up waiting for the file's bytes.
    static constexpr int32_t CatTimedOut = 120;

    static Verdict Judge(std::string_view received);
};

} // namespace Brindle
