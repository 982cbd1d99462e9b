#pragma once
// The frame of Rubric statements around one command: it makes the printer
// mark the command's output and send back its state in a trailer.
#include <cstdint>
#include <string>

namespace Brindle {

class CommandFrame {
public:
    // Completes the command with a CR when it ends in neither CR nor LF, and
    // frames it under the message id (1 to 99).
    static std::string Build(std::string& command, int32_t msgId);

    // Where the second package starts: the first 20 characters of the command
    // inside the frame (1-based).
    static int32_t SplitPos(const std::string& frame, const std::string& command);
};

} // namespace Brindle
