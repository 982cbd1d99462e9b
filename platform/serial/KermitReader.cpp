#include "serial/KermitReader.h"

#include "serial/KermitPacket.h"

namespace Platform::Serial {

KermitReader::Result KermitReader::push(char c) {
    if (c == KermitPacket::Mark) {
        const bool cut = inFrame_ && !frame_.empty();
        frame_.clear();
        inFrame_ = true;
        need_ = 0;
        return cut ? Result::Broken : Result::Nothing;
    }
    if (!inFrame_)
        return Result::Nothing;

    frame_ += c;
    if (frame_.size() == 1) {
        const int length = KermitPacket::unChar(c);
        if (length != 0 && (length < 3 || length > KermitPacket::MaxNormalLength)) {
            inFrame_ = false;
            return Result::Broken;
        }
        if (length != 0)
            need_ = 1 + static_cast<std::size_t>(length);
    } else if (need_ == 0 && frame_.size() == 5) {
        // Extended length: LEN SEQ TYPE LENX1 LENX2, then the header check.
        const int high = KermitPacket::unChar(frame_[3]);
        const int low = KermitPacket::unChar(frame_[4]);
        if (high < 0 || high > 94 || low < 0 || low > 94) {
            inFrame_ = false;
            return Result::Broken;
        }
        need_ = 6 + static_cast<std::size_t>(high * 95 + low);
    }
    if (need_ != 0 && frame_.size() == need_) {
        inFrame_ = false;
        return Result::Frame;
    }
    return Result::Nothing;
}

} // namespace Platform::Serial
