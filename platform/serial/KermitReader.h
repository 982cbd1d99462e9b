#pragma once
// Cuts Kermit packets out of the bytes read from the line. Everything before
// a mark (echoes, banners, noise) is skipped, and a mark inside a packet
// starts a new one, since a mark never appears bare within a packet.
#include <cstddef>
#include <string>

namespace Platform::Serial {

class KermitReader {
public:
    enum class Result {
        Nothing, // the byte was taken; no packet is complete
        Frame,   // a packet is complete: frame() holds it from its length field on
        Broken,  // a packet was cut short or had an impossible length
    };

    Result push(char c);
    const std::string& frame() const { return frame_; }
    // Within a packet: bytes that arrive now belong to it.
    bool inFrame() const { return inFrame_; }

private:
    std::string frame_;
    bool inFrame_ = false;
    std::size_t need_ = 0; // the frame's whole length once its header tells it
};

} // namespace Platform::Serial
