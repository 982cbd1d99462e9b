#include "serial/ReceivedFile.h"

#include "automation/Error.h"

namespace Platform {

namespace {
// Few large writes: a transfer hands over packets of one or a few kilobytes.
constexpr std::size_t WriteChunk = 64 * 1024;
} // namespace

ReceivedFile::ReceivedFile(const std::string& destination) : file_(destination) {}

void ReceivedFile::Append(std::string_view bytes) {
    gathered_.append(bytes);
    if (gathered_.size() >= WriteChunk)
        WriteOut();
}

void ReceivedFile::Commit() {
    WriteOut();
    file_.Commit();
}

void ReceivedFile::Abandon(bool keepPartial) noexcept {
    if (!keepPartial)
        return; // the temporary file goes with this object
    try {
        WriteOut();
        file_.Commit();
    } catch (const Automation::Error&) {
        // Nothing more can be kept; the destination stays as it was.
    }
}

void ReceivedFile::WriteOut() {
    file_.Write(gathered_);
    gathered_.clear();
}

} // namespace Platform
