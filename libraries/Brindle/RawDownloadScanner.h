#pragma once
// Takes apart what the printer sends for a raw download: the begin marker
// within the first 200 bytes, exactly the announced number of file bytes,
// and the end marker exactly after them. The file bytes are never searched,
// so a file may hold the markers or the printer's error texts.
#include <cstdint>
#include <string_view>

namespace Brindle {

class RawDownloadScanner {
public:
    enum class State {
        Waiting,      // more bytes are needed
        Complete,     // the file bytes are Data()
        SocketError,  // the printer's cat could not write to the connection
        SizeMismatch, // no end marker where the announced size puts it
    };

    static constexpr std::string_view BeginMarker{"\x01\x02<@BEGIN>\x03\x04", 12};
    static constexpr std::string_view EndMarker{"\x01\x02<@END>\x03\x04", 10};
    static constexpr std::string_view SocketErrorText = "Operation not supported on socket";
    // The begin marker must start within this many bytes.
    static constexpr size_t BeginWindow = 200;

    explicit RawDownloadScanner(int64_t size) : size_(static_cast<size_t>(size)) {}

    // `received` is everything received so far (the queue grows between
    // calls, it is never shortened). Each call looks only at what is new.
    State Scan(std::string_view received);
    // After Complete: the file bytes within `received`.
    std::string_view Data(std::string_view received) const { return received.substr(dataStart_, size_); }
    // After Complete: what the printer sent after the end marker.
    std::string_view Rest(std::string_view received) const {
        return received.substr(dataStart_ + size_ + EndMarker.size());
    }
    // Whether the printer's socket error text arrived anywhere after the
    // begin marker; asked when the download stops waiting, since an error
    // printed where file bytes were expected cannot be told apart earlier.
    bool MentionsSocketError(std::string_view received) const;

private:
    // Searches the bytes before `to` for the socket error text, resuming
    // where the last search stopped.
    bool findErrorText(std::string_view received, size_t to);

    size_t size_;
    bool beginFound_ = false;
    size_t beginAt_ = 0;
    size_t dataStart_ = 0;
    size_t prefixScanned_ = 0;
};

} // namespace Brindle
