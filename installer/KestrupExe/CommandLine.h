#pragma once
// The wizard's one command-line argument: a package document or firmware file to preselect.
#include <optional>
#include <string>

namespace Kestrup {

// The whole command line, its arguments joined by blanks as the shell split them.
std::string JoinedArguments(int argc, const char* const* argv);

// The file that the command line names: the argument without its
// surrounding double quotes and blanks, as it stands or in the program
// folder, as it was found; where neither is a file, the argument as given.
// Nothing for an empty command line.
std::optional<std::string> PackageFromCommandLine(std::string commandLine, const std::string& programFolder);

} // namespace Kestrup
