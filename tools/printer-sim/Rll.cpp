#include "Rll.h"

#include <QtEndian>
#include <algorithm>

namespace PrinterSim::Rll {

namespace {

const QByteArray Magic = "@(#)LOGO";
constexpr int HeaderSize = 40;
constexpr int DataOffsetField = 24;
constexpr int HeightField = 32;
constexpr int WidthField = 34;
constexpr int DataLengthField = 36;
// Rows repeated by one marker: the marker 256 - n stands for n equal rows.
constexpr int MaxRepeat = 128;
constexpr int MaxRun = 255;

void appendRun(QByteArray& runs, int length) {
    // A run of 0 only changes the colour, so longer runs go in pieces.
    for (; length > MaxRun; length -= MaxRun)
        runs += QByteArray("\xff\x00", 2);
    runs += static_cast<char>(length);
}

// A signed little-endian header field of 2 or 4 bytes.
qint32 field(const QByteArray& file, int offset, int size) {
    quint32 value = 0;
    for (int k = size - 1; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(file[offset + k]);
    return size == 2 ? static_cast<qint16>(value) : static_cast<qint32>(value);
}

} // namespace

QByteArray encode(const Bitmap& picture) {
    // In reading order; the file holds them the other way round.
    QByteArray runs;
    for (int y = 0; y < picture.height();) {
        int rows = 1;
        while (rows < MaxRepeat && y + rows < picture.height() && picture.sameRow(y, y + rows))
            ++rows;
        runs += static_cast<char>(256 - rows);
        bool black = false; // every row starts white, with an empty run when it starts black
        for (int x = 0; x < picture.width(); black = !black) {
            int length = 0;
            while (x + length < picture.width() && picture.black(x + length, y) == black)
                ++length;
            appendRun(runs, length);
            x += length;
        }
        runs += '\x01'; // not 0, so the row ends at its width
        y += rows;
    }
    std::reverse(runs.begin(), runs.end());

    QByteArray file = Magic + QByteArray(HeaderSize - Magic.size(), '\0');
    qToLittleEndian<qint32>(HeaderSize, file.data() + DataOffsetField);
    qToLittleEndian<qint16>(static_cast<qint16>(picture.height()), file.data() + HeightField);
    qToLittleEndian<qint16>(static_cast<qint16>(picture.width()), file.data() + WidthField);
    qToLittleEndian<qint32>(static_cast<qint32>(runs.size()), file.data() + DataLengthField);
    return file + runs;
}

std::optional<Bitmap> decode(const QByteArray& file) {
    if (file.size() < HeaderSize || !file.startsWith(Magic))
        return {};
    const qint64 offset = field(file, DataOffsetField, 4);
    const qint64 length = field(file, DataLengthField, 4);
    const int height = field(file, HeightField, 2);
    const int width = field(file, WidthField, 2);
    if (width <= 0 || height <= 0 || length <= 0 || offset < 0 || offset + length > file.size())
        return {};
    const auto* data = reinterpret_cast<const unsigned char*>(file.constData() + offset);
    Bitmap picture(width, height);
    int x = 0;
    int y = 0;
    bool black = false;
    int repeat = -1; // rows still to repeat; negative while no marker is pending
    qint64 i = length - 1;
    qint64 rowStart = 0;
    for (;;) {
        if (data[i] >= 128 && repeat < 0) {
            repeat = 255 - data[i];
            rowStart = --i;
            if (i < 0)
                return {};
        }
        const int run = data[i];
        if (x + run > width)
            return {};
        for (int k = 0; black && k < run; ++k)
            picture.set(x + k, y, true);
        x += run;
        black = !black;
        if (--i < 0)
            return {};
        if (data[i] != 0 && x == width) {
            ++y;
            x = 0;
            black = false;
            i = repeat > 0 ? rowStart : i - 1;
            --repeat;
        }
        if (y == height)
            return picture;
        if (i < 0)
            return {};
    }
}

} // namespace PrinterSim::Rll
