#include "KestrupExe/CommandLine.h"

#include <filesystem>

#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/FilePaths.h"

namespace Kestrup {

std::string JoinedArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

std::optional<std::string> PackageFromCommandLine(std::string commandLine, const std::string& programFolder) {
    if (commandLine.size() >= 2 && commandLine.front() == '"' && commandLine.back() == '"')
        commandLine = commandLine.substr(1, commandLine.size() - 2);
    std::string asGiven = Automation::trim(commandLine);
    if (asGiven.empty())
        return std::nullopt;
    std::string inProgramFolder = (std::filesystem::path(programFolder) / asGiven).string();
    if (!Platform::Files::FileExists(asGiven) && Platform::Files::FileExists(inProgramFolder))
        return inProgramFolder;
    return asGiven;
}

} // namespace Kestrup
