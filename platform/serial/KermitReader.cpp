#include "serial/KermitReader.h"

#include "serial/KermitPacket.h"

namespace Platform::Serial {

namespace {

constexpr char EndOfLine = '\r';

} // namespace

KermitReader::Result KermitReader::broken() {
    inFrame_ = false;
    return Result::Broken;
}

KermitReader::Result KermitReader::push(std::string_view bytes, std::size_t& used) {
    used = 0;
    while (used < bytes.size()) {
        if (inFrame_ && need_ > frame_.size() + 1) {
            // The body of a packet: everything up to its last byte, unless a
            // mark or an end of line cuts it short.
            std::string_view body = bytes.substr(used, need_ - frame_.size() - 1);
            // One memchr over the stretch for each (find_first_of would take
            // one over the pair for every byte).
            body = body.substr(0, body.find(KermitPacket::Mark));
            body = body.substr(0, body.find(EndOfLine));
            frame_ += body;
            used += body.size();
            if (used == bytes.size())
                break;
        }
        const Result result = push(bytes[used++]);
        if (result != Result::Nothing)
            return result;
    }
    return Result::Nothing;
}

KermitReader::Result KermitReader::push(char c) {
    if (c == KermitPacket::Mark) {
        const bool cut = inFrame_ && !frame_.empty();
        frame_.clear();
        inFrame_ = true;
        need_ = 0;
        lineHadMark_ = true;
        return cut ? Result::Cut : Result::Nothing;
    }
    if (c == EndOfLine) {
        const bool inside = inFrame_;
        const bool lost = !lineHadMark_ && lineHadText_;
        lineHadMark_ = lineHadText_ = false;
        if (inside)
            return broken();
        return lost ? Result::Lost : Result::Nothing;
    }
    if (!inFrame_) {
        if (static_cast<unsigned char>(c) >= 0x20)
            lineHadText_ = true;
        return Result::Nothing;
    }

    frame_ += c;
    if (frame_.size() == 1) {
        const int length = KermitPacket::unChar(c);
        if (length != 0 && (length < 3 || length > KermitPacket::MaxNormalLength))
            return broken();
        if (length != 0)
            need_ = 1 + static_cast<std::size_t>(length);
    } else if (need_ == 0 && frame_.size() == 5) {
        // Extended length: LEN SEQ TYPE LENX1 LENX2, then the header check.
        const int high = KermitPacket::unChar(frame_[3]);
        const int low = KermitPacket::unChar(frame_[4]);
        if (high < 0 || high > 94 || low < 0 || low > 94)
            return broken();
        need_ = 6 + static_cast<std::size_t>(high * 95 + low);
    }
    if (need_ != 0 && frame_.size() == need_) {
        inFrame_ = false;
        return Result::Frame;
    }
    return Result::Nothing;
}

} // namespace Platform::Serial
