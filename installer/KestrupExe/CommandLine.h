#pragma once
// The wizard's one command-line argument: a package document to preselect.
#include <optional>
#include <string>

namespace Kestrup {

// The whole command line, its arguments joined by blanks as the shell split them.
std::string JoinedArguments(int argc, const char* const* argv);

// The package document that the command line names, as it was found: the
// argument without its surrounding double quotes and blanks, as it stands or
// in the program folder. Nothing when neither names a file.
std::optional<std::string> PackageFromCommandLine(std::string commandLine, const std::string& programFolder);

} // namespace Kestrup
