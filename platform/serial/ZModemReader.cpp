#include "serial/ZModemReader.h"

namespace Platform::Serial::ZModem {

namespace {

bool isFlowControl(uint8_t byte) {
    uint8_t low = byte & 0x7f;
    return low == XON || low == XOFF;
}

int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool carriesSubpackets(uint8_t type) {
    return type == ZFILE || type == ZSINIT || type == ZDATA || type == ZCOMMAND;
}

} // namespace

ZModemReader::ZModemReader() {
    setDropControl(false);
}

void ZModemReader::setDropControl(bool on) {
    for (unsigned byte = 0; byte < plain_.size(); ++byte)
        plain_[byte] = byte != ZDLE && !isFlowControl(uint8_t(byte)) && !(on && (byte & 0x60) == 0);
}

void ZModemReader::expectHeader() {
    state_ = State::Seek;
    hexEnd_ = 0;
    escaped_ = false;
    garbage_ = 0;
}

void ZModemReader::startHeader(uint8_t format) {
    format_ = format;
    crc32_ = format == ZBIN32;
    state_ = format == ZHEX ? State::Hex : State::Binary;
    escaped_ = false;
    field_.clear();
}

void ZModemReader::fail(const Sink& sink) {
    state_ = State::Seek;
    escaped_ = false;
    garbage_ = 0;
    Item item;
    item.kind = Kind::Error;
    sink(item);
}

bool ZModemReader::takeEscaped(uint8_t byte, std::size_t length, const Sink& sink) {
    int v = decode(byte);
    if (v == -1)
        return false;
    if (v < 0) {
        fail(sink);
        return false;
    }
    field_.push_back(static_cast<char>(v));
    return field_.size() == length;
}

int ZModemReader::decode(uint8_t byte) {
    if (escaped_) {
        // A run of CAN is a cancel in the making, counted in feed().
        if (byte == ZDLE || isFlowControl(byte))
            return -1;
        escaped_ = false;
        switch (byte) {
        case ZCRCE:
        case ZCRCG:
        case ZCRCQ:
        case ZCRCW:
            escapedEnd_ = byte;
            return -2;
        case ZRUB0:
            return 0x7f;
        case ZRUB1:
            return 0xff;
        default:
            if ((byte & 0x60) == 0x40)
                return byte ^ 0x40;
            return -3;
        }
    }
    if (byte == ZDLE) {
        escaped_ = true;
        return -1;
    }
    if (!isPlain(byte))
        return -1;
    return byte;
}

void ZModemReader::finishHeader(const Sink& sink) {
    Item item;
    item.kind = Kind::Header;
    item.crc32 = crc32_;
    std::string raw;
    if (format_ == ZHEX) {
        for (std::size_t i = 0; i < field_.size(); i += 2)
            raw.push_back(
                static_cast<char>(hexValue(uint8_t(field_[i])) << 4 | hexValue(uint8_t(field_[i + 1]))));
    } else {
        raw = field_;
    }
    bool good = crc32_ ? crc32(0xffffffffu, raw) == Crc32Residue : crc16(0, raw) == 0;
    if (!good) {
        fail(sink);
        return;
    }
    item.header.type = static_cast<uint8_t>(raw[0]);
    for (int i = 0; i < 4; ++i)
        item.header.bytes[i] = static_cast<uint8_t>(raw[1 + i]);
    garbage_ = 0;
    escaped_ = false;
    hexEnd_ = format_ == ZHEX ? 2 : 0;
    if (carriesSubpackets(item.header.type)) {
        state_ = State::Data;
        dataCrc32_ = crc32_;
        data_.clear();
    } else {
        state_ = State::Seek;
    }
    sink(item);
}

void ZModemReader::finishSubpacket(const Sink& sink) {
    bool good;
    if (dataCrc32_)
        good = crc32(crc32(crc32(0xffffffffu, data_), frameEnd_), field_) == Crc32Residue;
    else
        good = crc16(crc16(crc16(0, data_), frameEnd_), field_) == 0;
    if (!good) {
        fail(sink);
        return;
    }
    state_ = (frameEnd_ == ZCRCG || frameEnd_ == ZCRCQ) ? State::Data : State::Seek;
    escaped_ = false;
    Item item;
    item.kind = Kind::Subpacket;
    item.crc32 = dataCrc32_;
    item.data = data_;
    item.frameEnd = frameEnd_;
    sink(item);
    if (state_ == State::Data)
        data_.clear();
}

void ZModemReader::feed(std::string_view bytes, const Sink& sink) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = static_cast<uint8_t>(bytes[i]);
        if (b == ZDLE) {
            if (++canRun_ >= 5) {
                canRun_ = 0;
                expectHeader();
                Item item;
                item.kind = Kind::Cancel;
                sink(item);
                continue;
            }
        } else {
            canRun_ = 0;
        }
        // The CR LF after a hex header belongs to it, not to a subpacket that follows.
        if (hexEnd_ > 0) {
            uint8_t low = b & 0x7f;
            if ((hexEnd_ == 2 && low == '\r') || low == '\n') {
                hexEnd_ = low == '\n' ? 0 : 1;
                continue;
            }
            hexEnd_ = 0;
        }

        switch (state_) {
        case State::Seek:
            if ((b & 0x7f) == ZPAD)
                state_ = State::Pad;
            else if (++garbage_ > GarbageLimit)
                fail(sink);
            break;
        case State::Pad:
            if (b == ZDLE)
                state_ = State::PadDle;
            else if ((b & 0x7f) != ZPAD)
                state_ = State::Seek;
            break;
        case State::PadDle:
            switch (b & 0x7f) {
            case ZBIN:
            case ZHEX:
            case ZBIN32:
                startHeader(b & 0x7f);
                break;
            default:
                if (b != ZDLE)
                    state_ = State::Seek;
            }
            break;
        case State::Hex: {
            uint8_t c = b & 0x7f;
            if (isFlowControl(c))
                break;
            if (hexValue(c) < 0) {
                fail(sink);
                break;
            }
            field_.push_back(static_cast<char>(c));
            if (field_.size() == 14)
                finishHeader(sink);
            break;
        }
        case State::Binary:
            if (takeEscaped(b, crc32_ ? 9u : 7u, sink))
                finishHeader(sink);
            break;
        case State::Data: {
            // Plain bytes are the bulk of a transfer: take runs of them at once.
            if (!escaped_ && isPlain(b)) {
                std::size_t end = i + 1;
                while (end < bytes.size() && isPlain(static_cast<uint8_t>(bytes[end])))
                    ++end;
                data_.append(bytes.substr(i, end - i));
                i = end - 1;
                if (data_.size() > MaxSubpacket)
                    fail(sink);
                break;
            }
            int v = decode(b);
            if (v == -1)
                break;
            if (v == -3) {
                fail(sink);
                break;
            }
            if (v == -2) {
                frameEnd_ = escapedEnd_;
                field_.clear();
                state_ = State::DataCrc;
                break;
            }
            data_.push_back(static_cast<char>(v));
            if (data_.size() > MaxSubpacket)
                fail(sink);
            break;
        }
        case State::DataCrc:
            if (takeEscaped(b, dataCrc32_ ? 4u : 2u, sink))
                finishSubpacket(sink);
            break;
        }
    }
}

} // namespace Platform::Serial::ZModem
