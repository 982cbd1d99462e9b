// What a firmware upgrade meets in the printer: flakef and its record, the
// display's history, tmp: room that the image buffer gives up, and presets.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

struct Started {
    explicit Started(const Profile& profile, const FaultPlan& faults = {}) : printer(profile, faults) {
        EXPECT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(client.connectTo(printer.port()));
    }
    QByteArray text(const QByteArray& command) { return SimClient::replyText(client.command(++id, command)); }
    // The "N bytes free" of a FILES listing.
    qint64 free(const QByteArray& device) {
        for (const QByteArray& line : text("FILES \"" + device + "\r").split('\n'))
            if (line.contains("bytes free"))
                return line.trimmed().split(' ').first().toLongLong();
        return -1;
    }
    Printer printer;
    SimClient client;
    int id = 0;
};

Profile version(const char* v) {
    return Profile::forVersion(QString::fromLatin1(v));
}

} // namespace

TEST(Flash, FlakefIsRecordedAcrossTheRebootThatEmptiesTmp) {
    Started s(version("8.10"));
    const QByteArray kernel("@(#)KERN\0\x01\xff kernel", 18);
    ASSERT_TRUE(s.printer.putFile("tmp:KERNEL.BIN", kernel));
    EXPECT_EQ(s.text("RUN\"flakef tmp:KERNEL.BIN\r"), "flakef: tmp:KERNEL.BIN stored\r\n");
    EXPECT_EQ(s.text("RUN\"flakef tmp:NONE.BIN\r"), "flakef: tmp:NONE.BIN: File not found\r\n");
    s.client.send("\rREBOOT\r");
    EXPECT_TRUE(s.client.waitClosed(1000));
    SimClient again;
    ASSERT_TRUE(again.connectTo(s.printer.port()));
    again.command(1, "PRINT\"HELLO\r", 6000);
    EXPECT_FALSE(s.printer.files().contains("tmp:KERNEL.BIN"));
    const auto stored = s.printer.storedKernels();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].path, "tmp:KERNEL.BIN");
    EXPECT_EQ(stored[0].data, kernel);
}

TEST(Flash, FlakefFailsWhenAskedThenRecovers) {
    Started s(version("8.10"), {*Fault::parse(QStringLiteral("flakef-fails:once"))});
    ASSERT_TRUE(s.printer.putFile("tmp:KERNEL.BIN", "kernel"));
    const QByteArray reply = s.client.command(++s.id, "RUN\"flakef tmp:KERNEL.BIN\r");
    EXPECT_EQ(SimClient::replyText(reply), "Error 44: Device full\r\n");
    EXPECT_EQ(SimClient::trailer(reply).value(3), "1");
    EXPECT_TRUE(s.printer.storedKernels().isEmpty());
    EXPECT_EQ(s.text("RUN\"flakef tmp:KERNEL.BIN\r"), "flakef: tmp:KERNEL.BIN stored\r\n");
    EXPECT_EQ(s.printer.storedKernels().size(), 1);
}

TEST(Flash, SlowFlakefShowsTheHeadOfItsReplyAtOnce) {
    Started s(version("8.10"), {*Fault::parse(QStringLiteral("slow-flakef@700:once"))});
    ASSERT_TRUE(s.printer.putFile("tmp:KERNEL.BIN", "kernel"));
    s.client.send(SimClient::frame(1, "RUN\"flakef tmp:KERNEL.BIN\r"));
    EXPECT_EQ(s.client.readFor(300), "\x01"
                                     "CMD01\x02");
    EXPECT_TRUE(s.client.readUntil("\x04").startsWith("flakef: tmp:KERNEL.BIN stored\r\n\x03"));
    // Once: the next one answers at once.
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(s.text("RUN\"flakef tmp:KERNEL.BIN\r"), "flakef: tmp:KERNEL.BIN stored\r\n");
    EXPECT_LT(timer.elapsed(), 500);
}

TEST(Flash, DisplayHistoryKeepsEveryTextInOrder) {
    Started s(version("8.10"));
    s.text("RUN\"cat -5 > console:\rfirst\rSOUND 1000,5\r");
    s.text("OPEN\"CONSOLE:\"FOR OUTPUT AS 10956:PRINT#10956,\"second\";\rCLOSE10956\r");
    s.text("RUN\"cat -5 > console:\rthird\r");
    EXPECT_EQ(s.printer.displayHistory(), (QList<QByteArray>{"first", "second", "third"}));
    EXPECT_EQ(s.printer.display(), "third");
    // The raw text is no received line; the command around it is.
    EXPECT_FALSE(s.printer.receivedLines().contains("first"));
    EXPECT_TRUE(s.printer.receivedLines().contains("SOUND 1000,5"));
}

TEST(Flash, TmpTakesTheImageBufferThatASmallerMediaSizeGivesUp) {
    Profile profile = version("8.10");
    profile.ramKb = 64;
    Started s(profile);
    EXPECT_EQ(s.free("tmp:"), 16384);
    s.text("SETUP\"MEDIA,MEDIA SIZE,WIDTH,1\r");
    EXPECT_EQ(s.free("tmp:"), 16384 + 832 * 1200 / 8 - 1200 / 8);
    s.text("SETUP\"MEDIA,MEDIA SIZE,LENGTH,1\r");
    EXPECT_EQ(s.free("tmp:"), 16384 + 832 * 1200 / 8);
    ASSERT_TRUE(s.printer.putFile("tmp:BIG.BIN", QByteArray(100000, 'k')));
    // Put back, the media size takes its memory again; tmp: then has no room left.
    s.text("SETUP\"MEDIA,MEDIA SIZE,WIDTH,832\rSETUP\"MEDIA,MEDIA SIZE,LENGTH,1200\r");
    EXPECT_EQ(s.free("tmp:"), 0);
    EXPECT_EQ(s.free("c:"), 16384 * 1024 * 3 / 4);
}

TEST(Flash, PresetReceiveBufferAndUpgradeUsers) {
    Profile profile = version("7.40");
    profile.recBuf = 300;
    Started old(profile);
    EXPECT_EQ(old.text("SETUP GET\"prt\",\"SER-COM,UART1,REC BUF\",QQVS0$:PRINT QQVS0$;\r"), "300");
    EXPECT_EQ(old.printer.setupValue("SER-COM,UART3,REC BUF"), "300");
    profile = version("8.10");
    profile.upgradeUsers = "admin,service";
    Started s(profile);
    EXPECT_EQ(s.text("RUN\"restr -a upgrade\r"), "admin,service\r\n");
}
