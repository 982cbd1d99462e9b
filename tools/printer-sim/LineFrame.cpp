#include "LineFrame.h"

#include <termios.h>

#include <bit>
#include <vector>

namespace PrinterSim {

namespace {

bool parityBit(unsigned data, char parity) {
    const bool odd = std::popcount(data) % 2 != 0;
    switch (parity) {
    case 'e':
        return odd;
    case 'o':
        return !odd;
    case 'm':
        return true;
    default:
        return false;
    }
}

unsigned dataMask(int dataBits) {
    return (1u << dataBits) - 1;
}

} // namespace

LineFrame LineFrame::fromControlFlags(unsigned controlFlags) {
    LineFrame frame;
    switch (controlFlags & CSIZE) {
    case CS5:
        frame.dataBits = 5;
        break;
    case CS6:
        frame.dataBits = 6;
        break;
    case CS7:
        frame.dataBits = 7;
        break;
    default:
        frame.dataBits = 8;
        break;
    }
    if (controlFlags & PARENB) {
        const bool odd = controlFlags & PARODD;
        if (controlFlags & CMSPAR)
            frame.parity = odd ? 'm' : 's';
        else
            frame.parity = odd ? 'o' : 'e';
    }
    frame.stopBits = (controlFlags & CSTOPB) ? 2 : 1;
    return frame;
}

bool LineFrame::agreesWith(const LineFrame& other) const {
    return dataBits == other.dataBits && parity == other.parity;
}

QByteArray LineFrame::carry(const QByteArray& bytes, const LineFrame& receiver, OnError onError) const {
    QByteArray out;
    out.reserve(bytes.size());
    if (agreesWith(receiver)) {
        for (const char c : bytes)
            out += static_cast<char>(static_cast<unsigned char>(c) & dataMask(dataBits));
        return out;
    }
    std::vector<bool> bits;
    bits.reserve(static_cast<size_t>(bytes.size()) * 12);
    for (const char c : bytes) {
        const unsigned data = static_cast<unsigned char>(c) & dataMask(dataBits);
        bits.push_back(false);
        for (int i = 0; i < dataBits; ++i)
            bits.push_back((data >> i) & 1);
        if (parity != 'n')
            bits.push_back(parityBit(data, parity));
        bits.insert(bits.end(), static_cast<size_t>(stopBits), true);
    }
    // After the last character the line rests at the stop level.
    auto at = [&](size_t i) { return i < bits.size() ? static_cast<bool>(bits[i]) : true; };
    for (size_t i = 0; i < bits.size();) {
        if (bits[i]) {
            ++i;
            continue;
        }
        unsigned data = 0;
        size_t next = i + 1;
        for (int b = 0; b < receiver.dataBits; ++b, ++next)
            data |= static_cast<unsigned>(at(next)) << b;
        bool good = true;
        if (receiver.parity != 'n')
            good = at(next++) == parityBit(data, receiver.parity);
        good = at(next++) && good;
        i = next;
        if (good || onError == OnError::Keep)
            out += static_cast<char>(data);
        else if (onError == OnError::Nul)
            out += '\0';
    }
    return out;
}

} // namespace PrinterSim
