#pragma once
// A file a transfer engine receives: decoded bytes written to a temporary file
// beside the destination (which gathers them into large writes), which takes
// the destination's name only on success. What a failed download leaves is
// decided here once.
#include <string>
#include <string_view>

#include "files/ReplacementFile.h"

namespace Platform {

class ReceivedFile {
public:
    // Raises 75 when the temporary file cannot be created.
    explicit ReceivedFile(const std::string& destination);

    // Raises 75 when the file system refuses a write.
    void Append(std::string_view bytes);
    // Writes what is gathered; raises 75.
    void WriteOut();
    // Writes what is gathered and renames over the destination; raises 75.
    void Commit();
    // The download failed: with `keepPartial` what arrived takes the
    // destination's name, otherwise the destination stays as it was.
    void Abandon(bool keepPartial) noexcept;

private:
    Files::ReplacementFile file_;
};

} // namespace Platform
