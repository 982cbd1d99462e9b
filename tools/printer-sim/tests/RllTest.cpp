// The simulator's own RLL reader and writer.
#include <gtest/gtest.h>

#include <QList>
#include <QtEndian>

#include "Rll.h"

using namespace PrinterSim;

namespace {

// An RLL header whose run data follows at once.
QByteArray rllHeader(qint16 width, qint16 height, qint32 dataLength, const char* magic = "@(#)LOGO") {
    QByteArray header = QByteArray(magic) + QByteArray(32, '\0');
    qToLittleEndian<qint32>(40, header.data() + 24);
    qToLittleEndian<qint16>(height, header.data() + 32);
    qToLittleEndian<qint16>(width, header.data() + 34);
    qToLittleEndian<qint32>(dataLength, header.data() + 36);
    return header;
}

} // namespace

TEST(Rll, RunsAreReadFromTheEndAndRepeatedByMarkers) {
    // Read from the end: 254 repeats the row once; runs 1 white, 3 black reach
    // the width; the 1 in front ends the row.
    const std::optional<Bitmap> two = Rll::decode(rllHeader(4, 2, 4) + "\x01\x03\x01\xfe");
    ASSERT_TRUE(two.has_value());
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(QList<bool>({two->black(0, y), two->black(1, y), two->black(2, y), two->black(3, y)}),
                  QList<bool>({false, true, true, true}));
    EXPECT_FALSE(Rll::decode(rllHeader(4, 2, 4, "@(#)logo") + "\x01\x03\x01\xfe")) << "the magic is exact";
    EXPECT_FALSE(Rll::decode(rllHeader(3, 2, 4) + "\x01\x03\x01\xfe")) << "runs past the width";
    EXPECT_FALSE(Rll::decode(rllHeader(4, 3, 4) + "\x01\x03\x01\xfe")) << "too few rows";
    EXPECT_FALSE(Rll::decode(rllHeader(4, 2, 8) + "\x01\x03\x01\xfe")) << "shorter than its header says";
}

TEST(Rll, WrittenImagesReadBackDotForDot) {
    // Runs longer than 255 dots, rows that start black, more than 128 equal
    // rows in a row, single rows between them.
    Bitmap picture(600, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 600; ++x)
            picture.set(x, y, y < 140 ? x >= 20 && x < 580 : (y % 7 == 0 ? x % 3 == 0 : x < 300));
    const QByteArray file = Rll::encode(picture);
    EXPECT_TRUE(file.startsWith("@(#)LOGO"));
    EXPECT_EQ(qFromLittleEndian<qint32>(file.constData() + 24), 40);
    EXPECT_EQ(qFromLittleEndian<qint16>(file.constData() + 32), 300);
    EXPECT_EQ(qFromLittleEndian<qint16>(file.constData() + 34), 600);
    EXPECT_EQ(qFromLittleEndian<qint32>(file.constData() + 36), file.size() - 40);
    EXPECT_EQ(Rll::decode(file), picture);
}
