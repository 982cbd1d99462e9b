#pragma once
// Takes apart what the printer sends for a raw download, as it arrives: the
// begin marker within the first 200 bytes, exactly the announced number of
// file bytes, and the end marker exactly after them. The file bytes are
// handed on as they come and never searched for the markers, so a file may
// hold the markers or the printer's error texts; only what comes before and
// after them is kept.
#include <cstdint>
#include <string>
#include <string_view>

namespace Brindle {

class RawDownloadScanner {
public:
    enum class State {
        Waiting,      // more bytes are needed
        Complete,     // the end marker followed the file bytes
        SocketError,  // the printer's cat could not write to the connection
        SizeMismatch, // no end marker where the announced size puts it
    };

    static constexpr std::string_view BeginMarker{"\x01\x02<@BEGIN>\x03\x04", 12};
    static constexpr std::string_view EndMarker{"\x01\x02<@END>\x03\x04", 10};
    static constexpr std::string_view SocketErrorText = "Operation not supported on socket";
    // The begin marker must start within this many bytes.
    static constexpr size_t BeginWindow = 200;

    explicit RawDownloadScanner(int64_t size) : size_(static_cast<size_t>(size)) {}

    // Takes the next bytes that arrived. The file bytes among them are
    // FileBytes() until the next call.
    State Scan(std::string_view arrived);
    std::string_view FileBytes() const { return fileBytes_; }
    // After Complete: what the printer sent after the end marker.
    std::string_view Rest() const { return std::string_view(tail_).substr(EndMarker.size()); }
    // Whether the printer's socket error text arrived anywhere from the begin
    // marker on; asked when the download stops waiting, since an error
    // printed where file bytes were expected cannot be told apart earlier.
    bool MentionsSocketError() const { return errorAfterBegin_; }

private:
    // Searches the bytes before the begin marker (all while it is missing)
    // for the socket error text, resuming where the last search stopped.
    bool findErrorText(size_t to);
    // Looks for the socket error text in the next bytes from the begin marker on.
    void watchForErrorText(std::string_view bytes);
    // Takes what follows the begin marker: file bytes, then the tail.
    State takeData(std::string_view bytes);

    size_t size_;
    bool beginFound_ = false;
    // Before the begin marker is found: everything received.
    std::string head_;
    size_t headScanned_ = 0;
    size_t fileReceived_ = 0;
    std::string_view fileBytes_;
    // After the file bytes: the end marker and what follows it.
    std::string tail_;
    // The last bytes watched, for a text split between arrivals.
    std::string watched_;
    bool errorAfterBegin_ = false;
};

} // namespace Brindle
