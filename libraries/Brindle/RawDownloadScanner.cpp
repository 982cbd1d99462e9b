#include "Brindle/RawDownloadScanner.h"

#include <algorithm>

namespace Brindle {

bool RawDownloadScanner::findErrorText(size_t to) {
    size_t start = headScanned_ >= SocketErrorText.size() ? headScanned_ - SocketErrorText.size() + 1 : 0;
    if (to < start + SocketErrorText.size())
        return false;
    std::string_view region = std::string_view(head_).substr(start, to - start);
    headScanned_ = to;
    return region.find(SocketErrorText) != std::string_view::npos;
}

void RawDownloadScanner::watchForErrorText(std::string_view bytes) {
    if (errorAfterBegin_ || bytes.empty())
        return;
    const size_t keep = SocketErrorText.size() - 1;
    std::string seam = watched_;
    seam.append(bytes.substr(0, keep));
    if (seam.find(SocketErrorText) != std::string::npos ||
        bytes.find(SocketErrorText) != std::string_view::npos) {
        errorAfterBegin_ = true;
        return;
    }
    watched_.append(bytes.substr(bytes.size() - std::min(bytes.size(), keep)));
    watched_.erase(0, watched_.size() - std::min(watched_.size(), keep));
}

RawDownloadScanner::State RawDownloadScanner::takeData(std::string_view bytes) {
    size_t take = std::min(bytes.size(), size_ - fileReceived_);
    fileBytes_ = bytes.substr(0, take);
    fileReceived_ += take;
    tail_.append(bytes.substr(take));
    if (tail_.size() < EndMarker.size())
        return State::Waiting;
    return std::string_view(tail_).substr(0, EndMarker.size()) == EndMarker ? State::Complete
                                                                            : State::SizeMismatch;
}

RawDownloadScanner::State RawDownloadScanner::Scan(std::string_view arrived) {
    fileBytes_ = {};
    if (beginFound_) {
        watchForErrorText(arrived);
        return takeData(arrived);
    }
    head_.append(arrived);
    size_t window = std::min(head_.size(), BeginWindow - 1 + BeginMarker.size());
    size_t at = std::string_view(head_).substr(0, window).find(BeginMarker);
    // Before the begin marker (all of the bytes while it is missing).
    if (findErrorText(at == std::string_view::npos ? head_.size() : at))
        return State::SocketError;
    if (at == std::string_view::npos)
        return State::Waiting;
    beginFound_ = true;
    // The file bytes that came with the marker stay in head_ until the next call.
    std::string_view fromBegin = std::string_view(head_).substr(at);
    watchForErrorText(fromBegin);
    return takeData(fromBegin.substr(BeginMarker.size()));
}

} // namespace Brindle
