#pragma once
// What the program asks of the file system about a path: one meaning of "a
// file exists", and files named the way a Windows package names them.
#include <optional>
#include <string>

namespace Platform::Files {

// Whether path names an ordinary file, through links: a folder, a device or
// a pipe is no file, and neither is the empty path.
bool FileExists(const std::string& path);
// Whether path names a folder, through links.
bool FolderExists(const std::string& path);

// The path that `relative` names inside `folder` with "\" read as "/",
// whether or not anything is there.
std::string JoinRelativePath(const std::string& folder, std::string relative);

// The file that `relative` names inside `folder` as a Windows package writes
// it: "\" separates folders as "/" does, and each name may differ in letter
// case from the disk's (an exact name is taken first, else the first match in
// name order). Nothing when there is no such file.
std::optional<std::string> FindRelativeFile(const std::string& folder, std::string relative);

} // namespace Platform::Files
