#include "serial/ReceivedFile.h"

#include "automation/Error.h"

namespace Platform {

ReceivedFile::ReceivedFile(const std::string& destination) : file_(destination) {}

void ReceivedFile::Append(std::string_view bytes) {
    file_.Write(bytes);
}

void ReceivedFile::Commit() {
    file_.Commit();
}

void ReceivedFile::Abandon(bool keepPartial) noexcept {
    if (!keepPartial)
        return; // the temporary file goes with this object
    try {
        file_.Commit();
    } catch (const Automation::Error&) {
        // Nothing more can be kept; the destination stays as it was.
    }
}

void ReceivedFile::WriteOut() {
    file_.Flush();
}

} // namespace Platform
