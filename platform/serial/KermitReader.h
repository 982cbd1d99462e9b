#pragma once
// Cuts Kermit packets out of the bytes read from the line. Everything before
// a mark (echoes, banners, noise) is skipped, and a mark inside a packet
// starts a new one, since a mark never appears bare within a packet. Nor
// does the end of a line (CR): packets end with one, so a line that ends
// within a packet, or a line of packet text that had no mark, shows a packet
// the line spoiled, and the peer waits for our answer to it.
#include <cstddef>
#include <string>
#include <string_view>

namespace Platform::Serial {

class KermitReader {
public:
    enum class Result {
        Nothing, // the byte was taken; no packet is complete
        Frame,   // a packet is complete: frame() holds it from its length field on
        Cut,     // a mark cut a packet short: another one begins
        Broken,  // a packet had an impossible length, or its line ended before it did
        Lost,    // a line of packet text ended that had no mark: its packet's mark was spoiled
    };

    Result push(char c);
    // Takes bytes up to the first that gives a result other than Nothing
    // (that one included), in one piece where a packet's body is known to
    // follow; `used` tells how many were taken.
    Result push(std::string_view bytes, std::size_t& used);
    const std::string& frame() const { return frame_; }
    // Within a packet: bytes that arrive now belong to it.
    bool inFrame() const { return inFrame_; }

private:
    Result broken();

    std::string frame_;
    bool inFrame_ = false;
    std::size_t need_ = 0;     // the frame's whole length once its header tells it
    bool lineHadMark_ = false; // since the last end of line
    bool lineHadText_ = false; // printable bytes outside a packet since the last end of line
};

} // namespace Platform::Serial
