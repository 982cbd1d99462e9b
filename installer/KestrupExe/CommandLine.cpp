#include "KestrupExe/CommandLine.h"

#include <filesystem>

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Kestrup {

namespace {

bool isFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

} // namespace

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
    if (isFile(asGiven))
        return asGiven;
    if (asGiven.empty())
        return std::nullopt;
    std::string inProgramFolder = (std::filesystem::path(programFolder) / asGiven).string();
    if (isFile(inProgramFolder))
        return inProgramFolder;
    return std::nullopt;
}

} // namespace Kestrup
