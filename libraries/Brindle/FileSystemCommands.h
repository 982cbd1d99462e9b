#pragma once
// The Rubric lines that list and change the printer's file system, chosen by
// the interpreter's version: the printer's shell from 7.00 on, the FILES,
// KILL and COPY statements from 6.14, nothing below. Every path is checked
// before it goes into Rubric text (101 with the caller's source).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Brindle/RubricVersionNumber.h"

namespace Brindle {

class FileSystemCommands {
public:
    // Sends one command line and gives the printer's reply.
    using Run = std::function<std::string(const std::string& command)>;

    static std::string KillDir(std::string_view path, const std::string& errorSource);
    static std::string MakeDir(std::string_view path, const std::string& errorSource);
    // Nothing for a version that has no such command.
    static std::optional<std::string> KillFile(RubricVersionNumber version, std::string_view path,
                                               const std::string& errorSource);
    static std::optional<std::string> CopyFile(RubricVersionNumber version, std::string_view source,
                                               std::string_view destination, const std::string& errorSource);
    // The line that removes the image, from the printer's IMAGES reply: one
    // removal per entry that is exactly the name (never a longer name that
    // holds it).
    static std::string RemoveImage(std::string_view imagesReply, std::string_view imageName,
                                   const std::string& errorSource);

    // The printer's devices; card1: only when it is mounted.
    static std::vector<std::string> ListDevices(RubricVersionNumber version, bool card1Mounted);
    // The listing of `path` in the one form, sending what the version needs
    // through `run`; `card1Mounted` is asked only for a root listing.
    static std::string GetFiles(RubricVersionNumber version, std::string_view path, bool recursive,
                                const std::function<bool()>& card1Mounted, const Run& run,
                                const std::string& errorSource);
};

} // namespace Brindle
