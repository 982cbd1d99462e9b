// The raw cat transfers over TCP and the break string that unblocks a printer.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

const QByteArray EndMarker = "\x01\x02<@END>\x03\x04";
const QByteArray BeginMarker = "\x01\x02<@BEGIN>\x03\x04";
const QByteArray EndLine = "\rPRINTCHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4)\r";

struct Started {
    explicit Started(const FaultPlan& faults = {})
        : printer(Profile::forVersion(QStringLiteral("8.10")), faults) {
        EXPECT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(client.connectTo(printer.port()));
    }
    Printer printer;
    SimClient client;
};

// Every byte value, the frame's control bytes and line ends included.
QByteArray sample(int size) {
    QByteArray data;
    for (int i = 0; i < size; ++i)
        data += static_cast<char>((i * 7 + 1) % 256);
    return data;
}

} // namespace

TEST(RawTransfer, UploadWritesExactlyTheAnnouncedBytes) {
    for (const int size : {0, 1, 2049}) {
        SCOPED_TRACE(size);
        Started s;
        const QByteArray data = sample(size);
        s.client.send("\rRUN\"cat -S5 -" + QByteArray::number(size) + " >c:my\\ file.bin\r");
        s.client.send(data);
        s.client.send(EndLine);
        EXPECT_EQ(s.client.readUntil(EndMarker), EndMarker);
        EXPECT_EQ(s.printer.files().value("c:my file.bin"), data);
    }
}

TEST(RawTransfer, UploadRefusals) {
    struct Case {
        QByteArray line;
        QByteArray sent;
        QByteArray answer;
        int atLeastMs;
    };
    const Case cases[] = {
        // Silence longer than -S: the printer gives up and its command line is back.
        {"\rRUN\"cat -S1 -100 >c:part.bin\r", "0123456789", "Timer Expired\r\n", 900},
        // A destination that cannot be written: the bytes are read and dropped.
        {"\rRUN\"cat -S2 -5 >nodevice:x\r", "ABCDE", "Error in file name\r\n", 0},
        {"\rRUN\"cat -S2 -5 >rom:x\r", "ABCDE", "Error in file name\r\n", 0},
        {"\rRUN\"cat -S2 -5 >c:nodir/x\r", "ABCDE", "Error in file name\r\n", 0},
        {"\rRUN\"cat -S2 -0 >rom:x\r", "", "Error in file name\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        Started s;
        QElapsedTimer timer;
        timer.start();
        s.client.send(c.line);
        s.client.send(c.sent);
        EXPECT_EQ(s.client.readUntil("\r\n", 3000), c.answer);
        EXPECT_GE(timer.elapsed(), c.atLeastMs);
        EXPECT_EQ(SimClient::replyText(s.client.command(1, "PRINT\"READY?\r")), "READY?\r\n");
        EXPECT_EQ(s.printer.files().size(), 2); // the two files of rom:
    }
}

// The bytes of a refused upload are read and dropped as they come, so that
// an announced size of any length takes no memory; an accepted one is held.
TEST(RawTransfer, ARefusedUploadKeepsNoneOfItsBytes) {
    const QByteArray half(1 << 20, 'x');
    for (const QByteArray destination : {"rom:x", "c:x"}) {
        SCOPED_TRACE(destination.toStdString());
        Started s;
        s.client.send("\rRUN\"cat -S5 -" + QByteArray::number(2 * half.size()) + " >" + destination + "\r");
        s.client.send(half);
        const bool refused = destination == "rom:x";
        if (refused) {
            EXPECT_EQ(s.client.readUntil("\r\n"), "Error in file name\r\n");
        }
        QElapsedTimer timer;
        timer.start();
        const qint64 expected = refused ? 0 : half.size();
        while (s.printer.heldUploadBytes() != expected && timer.elapsed() < 3000)
            QThread::msleep(5);
        EXPECT_EQ(s.printer.heldUploadBytes(), expected);
        s.client.send(half);
        EXPECT_EQ(SimClient::replyText(s.client.command(1, "PRINT\"READY?\r")), "READY?\r\n");
        EXPECT_EQ(s.printer.files().contains("c:x"), !refused);
    }
}

TEST(RawTransfer, DownloadBetweenTheMarkers) {
    Started s;
    const QByteArray data = sample(5000);
    ASSERT_TRUE(s.printer.putFile("c:data.bin", data));
    s.client.send("\rPRINTCHR$(1)+CHR$(2)+\"<@BEGIN>\"+CHR$(3)+CHR$(4);:RUN\"cat -B c:data.bin\":PRINT "
                  "CHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4);\r");
    EXPECT_EQ(s.client.readFor(500), BeginMarker + data + EndMarker);
    s.client.send("\rRUN\"cat -B c:none.bin\r");
    EXPECT_EQ(s.client.readUntil("\r\n"), "cat: c:none.bin: File not found\r\n");
}

TEST(RawTransfer, TextToTheDisplay) {
    Started s;
    const QByteArray text = QByteArray("\x9b") + "2JRebooting        WAIT...";
    const QByteArray reply = s.client.command(1, "RUN\"cat -" + QByteArray::number(text.size()) +
                                                     " > console:\r" + text + "\rSOUND 1500,10\r\r");
    EXPECT_EQ(SimClient::replyText(reply), "");
    EXPECT_EQ(s.printer.display(), text);
}

TEST(BreakString, OnTheLinkOrPostedToThePrintServer) {
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp);
        Started s({*Fault::parse(QStringLiteral("hello-needs-break"))});
        ASSERT_TRUE(s.printer.listenHttp());
        s.client.send(SimClient::frame(1, "print \"hello\"\r"));
        EXPECT_EQ(s.client.readFor(300), "");
        if (overHttp) {
            QProcess curl;
            curl.start(QStringLiteral("curl"),
                       {"-s", "-o", "/dev/null", "-w", "%{http_code}", "--data-binary", "BRK=<ESC>.<CR>",
                        "http://127.0.0.1:" + QString::number(s.printer.httpPort()) + "/rb/running"});
            ASSERT_TRUE(curl.waitForFinished(5000));
            EXPECT_EQ(curl.readAllStandardOutput(), "200");
        } else {
            s.client.send("\x1b.\r");
        }
        EXPECT_EQ(SimClient::replyText(s.client.command(2, "print \"hello\"\r")), "hello\r\n");
    }
}
