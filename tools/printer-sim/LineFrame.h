#pragma once
// How characters cross a serial line whose two ends may frame them
// differently. Each character is a start bit, its data bits (lowest first),
// a parity bit when there is parity, and its stop bits; the characters of one
// write follow each other without a gap, and the line rests after the last.
// A receiver takes a start bit, its own number of data bits and its parity
// bit, and checks the parity and the first stop bit; then it looks for the
// next start bit. So ends that differ only in stop bits understand each
// other, and the data bits and parity must agree.
#include <QByteArray>

namespace PrinterSim {

struct LineFrame {
    int dataBits = 8;
    // 'n', 'e', 'o', 'm' or 's'.
    char parity = 'n';
    int stopBits = 1;

    // What a receiver does with a character whose parity or stop bit is wrong.
    enum class OnError { Keep, Drop, Nul };

    // The frame that termios control flags set.
    static LineFrame fromControlFlags(unsigned controlFlags);
    // Whether characters framed as `other` arrive unchanged.
    bool agreesWith(const LineFrame& other) const;

    // The bytes as a receiver framed as `receiver` takes what this end sends.
    QByteArray carry(const QByteArray& bytes, const LineFrame& receiver, OnError onError) const;
};

} // namespace PrinterSim
