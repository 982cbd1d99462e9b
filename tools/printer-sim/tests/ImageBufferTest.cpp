// The image buffer: the layout statements that draw into it, printing, and
// saving it as an RLL image that the host reads back.
#include <gtest/gtest.h>

#include <QtEndian>

#include "Printer.h"
#include "Rll.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

// The 8.10 printer: 832 head dots, the media 1200 dots long.
constexpr int Width = 832;
constexpr int Length = 1200;

class ImageBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        ASSERT_TRUE(client.connectTo(printer.port()));
    }
    // The command's output.
    QByteArray run(const QByteArray& command) {
        return SimClient::replyText(client.command(++id, command + "\r"));
    }
    // Output that may hold any byte, ETX and EOT included.
    QByteArray runBinary(const QByteArray& command) {
        const QByteArray end = "\x03"
                               "CMD" +
                               QByteArray::number(++id).rightJustified(2, '0');
        client.send(SimClient::frame(id, command + "\r"));
        QByteArray reply = client.readUntil(end);
        client.readUntil("\x04");
        reply.chop(end.size());
        return reply.mid(reply.indexOf('\x02') + 1);
    }
    // The rows of the buffer from (left, top) on, "X" black and "." white.
    QList<QByteArray> region(int left, int top, int width, int height) const {
        const Bitmap buffer = printer.imageBuffer();
        QList<QByteArray> rows;
        for (int y = top; y < top + height; ++y) {
            QByteArray row;
            for (int x = left; x < left + width; ++x)
                row += buffer.black(x, y) ? 'X' : '.';
            rows.append(row);
        }
        return rows;
    }
    // The smallest rectangle around the black dots: left, top, right, bottom.
    QList<int> inkBox() const {
        const Bitmap buffer = printer.imageBuffer();
        QList<int> box{buffer.width(), buffer.height(), -1, -1};
        for (int y = 0; y < buffer.height(); ++y)
            for (int x = 0; x < buffer.width(); ++x)
                if (buffer.black(x, y))
                    box = {qMin(box[0], x), qMin(box[1], y), qMax(box[2], x), qMax(box[3], y)};
        return box;
    }
    int blackDots() const {
        const Bitmap buffer = printer.imageBuffer();
        int count = 0;
        for (int y = 0; y < buffer.height(); ++y)
            for (int x = 0; x < buffer.width(); ++x)
                count += buffer.black(x, y);
        return count;
    }
    // An image of three by two dots stored as c:MARK.1:  X . .
    //                                                     X X X
    void storeMark() {
        Bitmap mark(3, 2);
        const std::pair<int, int> dots[] = {{0, 0}, {0, 1}, {1, 1}, {2, 1}};
        for (const auto& [x, y] : dots)
            mark.set(x, y, true);
        ASSERT_TRUE(printer.putFile("c:MARK.1", Rll::encode(mark)));
    }

    Printer printer{Profile::forVersion(QStringLiteral("8.10"))};
    SimClient client;
    int id = 0;
};

} // namespace

TEST_F(ImageBufferTest, AnImageIsPlacedByPositionAlignmentAndDirection) {
    storeMark();
    struct Case {
        const char* layout;
        int left;
        int top;
        QList<QByteArray> rows;
    };
    // The position counts from the lower left corner, y upward: row 1199 is y 0.
    const Case cases[] = {
        {"PP100,100:AN1:DIR1", 100, 1098, {"X..", "XXX"}},
        {"PRPOS 100,100:AN1:DIR2", 100, 1100, {"XX", "X.", "X."}},
        {"PP100,100:AN1:DIR3", 97, 1100, {"XXX", "..X"}},
        {"PP100,100:AN1:DIR4", 98, 1097, {".X", ".X", "XX"}},
        {"PP100,100:AN3:DIR1", 97, 1098, {"X..", "XXX"}},
        {"PP100,100:AN9:DIR1", 97, 1100, {"X..", "XXX"}},
        {"PP100,100:AN1:DIR1:INVIMAGE", 100, 1098, {".XX", "..."}},
        // Clipped at the right edge and at the bottom.
        {"PP831,0:AN1:DIR1:CLIPON", 831, 1198, {"X", "X"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        EXPECT_EQ(run(QByteArray("CLL:NORIMAGE:") + c.layout + ":PRIMAGE\"MARK.1\""), "");
        const int width = static_cast<int>(c.rows.first().size());
        EXPECT_EQ(region(c.left, c.top, width, static_cast<int>(c.rows.size())), c.rows);
        EXPECT_EQ(blackDots(), static_cast<int>(QByteArray(c.rows.join()).count('X')));
    }
    // Without clipping a field that does not fit is refused whole.
    EXPECT_EQ(run("CLL:CLIPOFF:PP831,0:AN1:DIR1:PRIMAGE\"MARK.1\""), "Error 1003: Field out of label\r\n");
    EXPECT_EQ(blackDots(), 0);
}

TEST_F(ImageBufferTest, TextTakesItsSizeWidthAndSlantFromTheFont) {
    // At 8 dots a millimetre 12 points are 34 dots: glyph dots of 4 x 4.
    EXPECT_EQ(run("CLL:PP10,20:AN1:DIR1:FONT\"Swiss 721 BT\",12:PRTXT\"I\""), "");
    const QList<int> normal = inkBox();
    const int height = normal[3] - normal[1] + 1;
    const int width = normal[2] - normal[0] + 1;
    EXPECT_EQ(height, 7 * 4);
    EXPECT_EQ(normal[3], Length - 1 - 20 - 4) << "the cell's blank bottom row stands on the position";
    EXPECT_EQ(run("CLL:FONT\"Swiss 721 BT\",24,0,100:PRTXT\"I\""), "");
    EXPECT_EQ(inkBox()[3] - inkBox()[1] + 1, 2 * height);
    EXPECT_EQ(inkBox()[2] - inkBox()[0] + 1, 2 * width);
    EXPECT_EQ(run("CLL:FONT\"Swiss 721 BT\",12,0,200:PRTXT\"I\""), "");
    EXPECT_EQ(inkBox()[3] - inkBox()[1] + 1, height);
    EXPECT_EQ(inkBox()[2] - inkBox()[0] + 1, 2 * width);
    // Slanted 45 degrees each row moves right by its height above the
    // field's bottom row: the glyph's lowest dots by one glyph dot (4), its
    // top row by the cell's height less one.
    EXPECT_EQ(run("CLL:FONT\"Swiss 721 BT\",12,45:PRTXT\"I\""), "");
    EXPECT_EQ(inkBox()[0], normal[0] + 4);
    EXPECT_EQ(inkBox()[2], normal[2] + 8 * 4 - 1);
    // Strings and numbers joined as PRINT joins them; two characters side by side.
    EXPECT_EQ(run("CLL:FONT\"Swiss 721 BT\":A$=\"I\":PRTXT A$;1"), "");
    EXPECT_GT(inkBox()[2] - normal[0], width + 4 * 4);
}

TEST_F(ImageBufferTest, BadLayoutValuesFontsAndImagesAreRefused) {
    ASSERT_TRUE(printer.putFile("c:broken.pcx", "PCX"));
    const struct {
        const char* command;
        const char* error;
    } cases[] = {
        {"FONT\"Courier\"", "Error 19: Invalid font"},
        {"FONT\"swiss 721 bt\"", "Error 19: Invalid font"},
        {"FONT\"Swiss 721 BT\",0", "Error 26: Parameter out of range"},
        {"AN0", "Error 26: Parameter out of range"},
        {"DIR5", "Error 26: Parameter out of range"},
        {"CLIPMAYBE", "Error 1: Syntax error"},
        {"PRIMAGE\"NOSUCH.1\"", "Error 39: File not found"},
        {"PRIMAGE\"broken.pcx\"", "Error 3: Feature not implemented"},
        {"PRBOX 10,10,10", "Error 1: Syntax error"},
        {"IMAGE BUFFER SAVE\"rom:BUF.RLL\"", "Error 45: File is write protected"},
        {"IMAGE BUFFER SAVE\"tmp:\"", "Error 58: File already exists"},
        {"IMAGE BUFFER SAVE\"nodev:BUF.RLL\"", "Error 39: File not found"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(c.command), QByteArray(c.error) + "\r\n") << c.command;
    // A font file on the printer is a font too.
    ASSERT_TRUE(printer.putFile("c:Courier.ttf", "TTF"));
    EXPECT_EQ(run("FONT\"Courier\",10,0,50"), "");
}

TEST_F(ImageBufferTest, PrintingFeedsTheLabelAndClearsTheBuffer) {
    EXPECT_EQ(run("PRINT ACTLEN"), "0\r\n");
    EXPECT_EQ(run("CLL:PP1,1:PRIMAGE\"Kestrel logo.1\""), "");
    EXPECT_GT(blackDots(), 0);
    EXPECT_EQ(run("PF:PRINT ACTLEN"), "1200\r\n");
    EXPECT_EQ(blackDots(), 0);
    // The buffer takes a new media length when it is cleared.
    EXPECT_EQ(run("SETUP\"MEDIA,MEDIA SIZE,LENGTH,600\":CLL"), "");
    EXPECT_EQ(printer.imageBuffer().height(), 600);
    EXPECT_EQ(printer.imageBuffer().width(), Width);
    EXPECT_EQ(run("PF:PRINT ACTLEN"), "600\r\n");
}

TEST_F(ImageBufferTest, TheSavedBufferIsAnRllImageThatCatSendsAndImagesList) {
    EXPECT_EQ(run("CLL:PP40,1000:AN7:DIR2:PRIMAGE\"Kestrel logo.1\":INVIMAGE:PP400,400:FONT\"Swiss 721 BT\":"
                  "PRTXT\"Kestrup\""),
              "");
    EXPECT_EQ(run("IMAGE BUFFER SAVE\"tmp:TMP_IMAGE.RLL\""), "");
    const QByteArray file = runBinary("RUN\"cat -B tmp:TMP_IMAGE.RLL >net1:");
    EXPECT_EQ(file, printer.files().value("tmp:TMP_IMAGE.RLL"));
    EXPECT_TRUE(file.startsWith("@(#)LOGO"));
    EXPECT_EQ(qFromLittleEndian<qint16>(file.constData() + 32), Length);
    EXPECT_EQ(qFromLittleEndian<qint16>(file.constData() + 34), Width);
    EXPECT_EQ(qFromLittleEndian<qint32>(file.constData() + 36), file.size() - 40);
    const std::optional<Bitmap> saved = Rll::decode(file);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, printer.imageBuffer());
    EXPECT_GT(blackDots(), 1000) << "saving keeps the buffer";
    EXPECT_EQ(run("IMAGES"), "Kestrel logo.1\r\nTMP_IMAGE.RLL\r\n");

    // Without its file the image is still kept, and drawn, until it is removed.
    EXPECT_EQ(run("KILL\"tmp:TMP_IMAGE.RLL\""), "");
    EXPECT_EQ(run("CLL:NORIMAGE:PP0,0:AN1:DIR1:PRIMAGE\"TMP_IMAGE.RLL\""), "");
    EXPECT_EQ(printer.imageBuffer(), *saved);
    EXPECT_EQ(run("REMOVE IMAGE\"TMP_IMAGE.RLL\""), "");
    EXPECT_EQ(run("IMAGES"), "Kestrel logo.1\r\n");
    EXPECT_EQ(run("REMOVE IMAGE\"TMP_IMAGE.RLL\""), "Error 39: File not found\r\n");

    // A device without room for the file refuses it, and no image is kept.
    ASSERT_TRUE(printer.putFile("tmp:FILLER", QByteArray(4 * 1024 * 1024 - 20, 'x')));
    EXPECT_EQ(run("IMAGE BUFFER SAVE\"tmp:TMP_IMAGE.RLL\""), "Error 44: Device full\r\n");
    EXPECT_FALSE(printer.files().contains("tmp:TMP_IMAGE.RLL"));
    EXPECT_EQ(run("IMAGES"), "Kestrel logo.1\r\n");
}
