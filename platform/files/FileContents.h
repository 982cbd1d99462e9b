#pragma once
// Reading a whole file into memory, with errors that name the file.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace Platform::Files {

// Raises 53 when there is no such file, 75 when it cannot be read (a folder,
// a device or pipe, no permission) and 6 when it holds more than maxBytes; the errors carry
// `source` and a description naming the file.
std::string ReadFileContents(const std::string& path, std::string source = "Files",
                             size_t maxBytes = std::numeric_limits<size_t>::max());

// Up to `count` bytes of the file from byte `offset` (0-based); fewer where the
// file ends. Raises as ReadFileContents does. When fileSize is given, it
// receives the file's length.
std::string ReadFileStretch(const std::string& path, uint64_t offset, size_t count,
                            std::string source = "Files", uint64_t* fileSize = nullptr);

// Whether path names an ordinary file that a listing shows: not a folder, and
// not hidden (a name beginning with ".").
bool IsVisibleFile(const std::string& path);

} // namespace Platform::Files
