#include "Brindle/RawDownloadScanner.h"

#include <algorithm>

namespace Brindle {

bool RawDownloadScanner::findErrorText(std::string_view received, size_t to) {
    size_t start = prefixScanned_ >= SocketErrorText.size() ? prefixScanned_ - SocketErrorText.size() + 1 : 0;
    if (to < start + SocketErrorText.size())
        return false;
    std::string_view region = received.substr(start, to - start);
    prefixScanned_ = to;
    return region.find(SocketErrorText) != std::string_view::npos;
}

RawDownloadScanner::State RawDownloadScanner::Scan(std::string_view received) {
    if (!beginFound_) {
        size_t window = std::min(received.size(), BeginWindow - 1 + BeginMarker.size());
        size_t at = received.substr(0, window).find(BeginMarker);
        if (at != std::string_view::npos) {
            beginFound_ = true;
            beginAt_ = at;
            dataStart_ = at + BeginMarker.size();
        }
    }
    // Before the begin marker (all of the bytes while it is missing).
    if (findErrorText(received, beginFound_ ? beginAt_ : received.size()))
        return State::SocketError;
    if (!beginFound_)
        return State::Waiting;
    size_t dataEnd = dataStart_ + size_;
    if (received.size() < dataEnd + EndMarker.size())
        return State::Waiting;
    return received.substr(dataEnd, EndMarker.size()) == EndMarker ? State::Complete : State::SizeMismatch;
}

bool RawDownloadScanner::MentionsSocketError(std::string_view received) const {
    size_t from = beginFound_ ? beginAt_ : 0;
    return from < received.size() && received.substr(from).find(SocketErrorText) != std::string_view::npos;
}

} // namespace Brindle
