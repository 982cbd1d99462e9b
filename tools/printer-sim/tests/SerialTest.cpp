// The serial port on a pseudo-terminal and the line model: the printer answers
// only a host at its speed whose frame carries its characters, and the sweep
// of the connection search finds it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "Printer.h"
#include "PtyClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::PtyClient;

namespace {

const QByteArray HelloProbe = "\x11\rINPUT OFF\rIMMEDIATE ON\rPRINT CHR$(1)+\"Hello\x02\"\r";
const QByteArray StdioProbe = QByteArray("MAP1,0,49:MAP2,0,50:MAP3,0,51\rPRINT CHR$(1)+\"STDIO:") + '\0' +
                              "\"+CHR$(3)+\"END\"+CHR$(4)\rMAP1,0,0:MAP2,0,0:MAP3,0,0\r";
const QByteArray ReadBackProbe = "SETUP WRITE \"uart1:\"\rPRINT CHR$(3)+\"END\"+CHR$(4)\r";
const QByteArray EndMarker = "\x03"
                             "END\x04";

QByteArray stripHighBits(QByteArray bytes) {
    for (char& c : bytes)
        c = static_cast<char>(c & 0x7f);
    return bytes;
}

struct SerialPrinter {
    explicit SerialPrinter(Profile profile = Profile::forVersion(QStringLiteral("8.10")),
                           const FaultPlan& faults = {})
        : printer(profile, faults) {}
    bool open() { return printer.openSerial(com1()); }
    QString com1() const { return folder.path() + "/COM1"; }

    QTemporaryDir folder;
    Printer printer;
};

// The candidates in the order of the connection search, each speed with each
// frame: the search's own frames, then two more.
QStringList candidates() {
    QStringList list;
    for (const char* baud : {"115200", "57600", "38400", "19200", "9600", "4800", "2400"})
        for (const char* frame : {"m,8,2", "n,8,2", "n,7,2", "n,7,1", "e,7,1", "n,8,1"})
            list << QString(baud) + "," + frame;
    return list;
}

// The first candidate at which the hello probe is answered, as the search
// tries them; empty when none is.
QString sweep(PtyClient& host, const QString& device, const QStringList& order) {
    for (const QString& candidate : order) {
        const qsizetype comma = candidate.indexOf(',');
        if (!host.open(device, candidate.left(comma).toInt(), candidate.mid(comma + 1)))
            return QStringLiteral("cannot open");
        host.send(HelloProbe);
        if (stripHighBits(host.read(150, "\x01Hello\x02")).contains("\x01Hello\x02"))
            return candidate;
    }
    return {};
}

} // namespace

TEST(SerialLink, TheSearchFindsThePrinterAtItsSpeedAndReadsItsChannelAndSetup) {
    struct Case {
        int baudRate;
        const char* parity;
        int dataBits;
        int stopBits;
        const char* found;
    };
    // The first frame whose data bits and parity agree with the printer's
    // answers: stop bits do not matter, and "m,8,2" garbles the answers of a
    // printer with one stop bit (the host takes the next start bit for its
    // stop bit).
    const Case cases[] = {{9600, "NONE", 8, 1, "9600,n,8,2"},
                          {19200, "NONE", 8, 2, "19200,m,8,2"},
                          {38400, "NONE", 7, 1, "38400,n,7,2"},
                          {115200, "EVEN", 7, 1, "115200,e,7,1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.found);
        Profile profile = Profile::forVersion(QStringLiteral("7.40"));
        profile.baudRate = c.baudRate;
        profile.parity = c.parity;
        profile.dataBits = c.dataBits;
        profile.stopBits = c.stopBits;
        SerialPrinter s(profile);
        ASSERT_TRUE(s.open()) << s.printer.errorString().toStdString();
        PtyClient host;
        QStringList order = candidates();
        ASSERT_EQ(sweep(host, s.com1(), order), c.found);

        host.send(StdioProbe);
        const QByteArray stdio = stripHighBits(host.read(2000, EndMarker));
        EXPECT_EQ(stdio.mid(stdio.indexOf("\x01STDIO:"), 13), "\x01STDIO:1\x03"
                                                              "END\x04");
        host.send(ReadBackProbe);
        const QByteArray setup = host.read(2000, EndMarker);
        EXPECT_TRUE(setup.contains("SER-COM,UART1,BAUDRATE," + QByteArray::number(c.baudRate) + "\r\n"));
        EXPECT_TRUE(setup.contains("SER-COM,UART1,PARITY," + QByteArray(c.parity) + "\r\n"));
        EXPECT_TRUE(setup.contains("SER-COM,UART1,CHARLENGTH," + QByteArray::number(c.dataBits) + "\r\n"));
        EXPECT_TRUE(setup.contains("SER-COM,UART1,STOPBITS," + QByteArray::number(c.stopBits) + "\r\n"));
        EXPECT_TRUE(setup.contains(EndMarker));

        // The search then starts with what answered: found at once.
        order.move(order.indexOf(c.found), 0);
        EXPECT_EQ(sweep(host, s.com1(), order.mid(0, 1)), c.found);
    }
}

TEST(SerialLink, OtherSpeedIsSilenceBothWaysAndOtherDataBitsOrParityIsGarbage) {
    SerialPrinter s; // 9600, n,8,1
    ASSERT_TRUE(s.open());
    PtyClient host;
    ASSERT_TRUE(host.open(s.com1(), 19200));
    host.send("PRINT \"lost\"\r");
    EXPECT_EQ(host.read(200), "");
    // Mark parity is one more stop bit to the printer, which hears every
    // character; the host then reads the printer's stop bit as the parity
    // bit and the next start bit as its stop bit.
    ASSERT_TRUE(host.open(s.com1(), 9600, "m,8,2"));
    host.send("PRINT \"heard\"\r");
    EXPECT_FALSE(stripHighBits(host.read(300)).contains("heard"));
    // Seven data bits: the printer takes the host's stop bit as its eighth
    // data bit and then a start bit as its stop bit.
    ASSERT_TRUE(host.open(s.com1(), 9600, "n,7,1"));
    host.send("PRINT \"garbled\"\r");
    (void)host.read(300);
    // Other stop bits alone do not matter.
    ASSERT_TRUE(host.open(s.com1(), 9600, "n,8,2"));
    host.send("\rPRINT \"clear\"\r");
    EXPECT_TRUE(host.read(1000, "clear\r\n").endsWith("clear\r\n"));
    const QList<QByteArray> lines = s.printer.receivedLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.front(), "PRINT \"heard\"");
    EXPECT_EQ(lines.back(), "PRINT \"clear\"");
    for (const QByteArray& line : lines)
        EXPECT_FALSE(stripHighBits(line).contains("garbled"));
}

TEST(SerialLink, TheLinkIsTheHostsEndAndGoesWithThePrinter) {
    QString link;
    {
        SerialPrinter s;
        ASSERT_TRUE(s.open());
        link = s.com1();
        EXPECT_TRUE(QFile::symLinkTarget(link).startsWith("/dev/pts/"));
        Printer second;
        EXPECT_FALSE(second.openSerial(link));
        EXPECT_TRUE(second.errorString().contains("exists already")) << second.errorString().toStdString();
    }
    EXPECT_FALSE(QFile::exists(link));
}

TEST(SerialLink, LineFaultsStrikeEveryFiftiethByteOrOnlyTheFirst) {
    const QByteArray text(120, 'x');
    const QByteArray sent = text + "\r\n";
    auto without = [&](std::initializer_list<int> positions) {
        QByteArray bytes = sent;
        for (auto it = std::rbegin(positions); it != std::rend(positions); ++it)
            bytes.remove(*it, 1);
        return bytes;
    };
    auto flipped = [&](std::initializer_list<int> positions) {
        QByteArray bytes = sent;
        for (const int at : positions)
            bytes[at] = static_cast<char>(bytes[at] ^ 0x08);
        return bytes;
    };
    const struct {
        const char* fault;
        QByteArray expected;
    } cases[] = {
        {"line-drops-bytes", without({49, 99})},
        {"line-drops-bytes:once", without({49})},
        {"line-flips-bits", flipped({49, 99})},
        {"line-flips-bits:once", flipped({49})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        SerialPrinter s(Profile::forVersion(QStringLiteral("8.10")),
                        {*Fault::parse(QString::fromLatin1(c.fault))});
        ASSERT_TRUE(s.open());
        PtyClient host;
        ASSERT_TRUE(host.open(s.com1(), 9600));
        host.send("PRINT \"" + text + "\"\r");
        EXPECT_EQ(host.read(2000, "\r\n"), c.expected);
    }
}

TEST(SerialLink, ProbeFaultsLeaveOutTheChannelTheEndMarkerOrALineOrSetBit7) {
    struct Case {
        const char* fault;
        bool stdioAnswered;
        bool readbackEnds;
        const char* missingKey;
    };
    const Case cases[] = {
        {"stdio-unanswered", false, true, nullptr},
        {"readback-unfinished", true, false, nullptr},
        {"readback-lacks-line", true, true, ",CHARLENGTH,"},
        {"readback-lacks-line@7", true, true, ",FLOWCONTROL,XON/XOFF,DATAFROMHOST,"},
        {"line-sets-bit7", true, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        SerialPrinter s(Profile::forVersion(QStringLiteral("8.10")),
                        {*Fault::parse(QString::fromLatin1(c.fault))});
        ASSERT_TRUE(s.open());
        ASSERT_TRUE(s.printer.setSetupValue("SER-COM,UART1,FLOWCONTROL,RTS/CTS", "ENABLE"));
        EXPECT_FALSE(s.printer.setSetupValue("SER-COM,UART9,BAUDRATE", "1"));
        PtyClient host;
        ASSERT_TRUE(host.open(s.com1(), 9600));
        host.send(HelloProbe);
        const QByteArray hello = host.read(1000, "\x02");
        EXPECT_EQ(hello.contains("\x01Hello\x02"), c.fault != std::string("line-sets-bit7"));
        EXPECT_TRUE(stripHighBits(hello).contains("\x01Hello\x02"));

        host.send(StdioProbe);
        const QByteArray stdio = stripHighBits(host.read(c.stdioAnswered ? 2000 : 500, EndMarker));
        EXPECT_EQ(stdio.contains("\x01STDIO:1"), c.stdioAnswered);

        host.send(ReadBackProbe);
        const QByteArray setup = stripHighBits(host.read(c.readbackEnds ? 2000 : 500, EndMarker));
        EXPECT_EQ(setup.contains(EndMarker), c.readbackEnds);
        EXPECT_TRUE(setup.contains("SER-COM,UART1,FLOWCONTROL,RTS/CTS,ENABLE\r\n"));
        EXPECT_TRUE(setup.contains("SER-COM,UART1,BAUDRATE,9600\r\n"));
        if (c.missingKey)
            EXPECT_FALSE(setup.contains(c.missingKey));
        else
            EXPECT_TRUE(setup.contains(",CHARLENGTH,8\r\n"));

        // The STDIO answer keeps its own end marker whatever the read-back's fault.
        if (c.stdioAnswered) {
            host.send(StdioProbe);
            EXPECT_TRUE(stripHighBits(host.read(2000, EndMarker)).contains(EndMarker));
        }
    }
}

TEST(SerialLink, RebootOnTheLineComesBackOnTheSameLine) {
    SerialPrinter s;
    ASSERT_TRUE(s.open());
    ASSERT_TRUE(s.printer.putFile("tmp:KERNEL.BIN", "k"));
    PtyClient host;
    ASSERT_TRUE(host.open(s.com1(), 9600));
    host.send("\rREBOOT\r");
    QElapsedTimer away;
    away.start();
    while (!s.printer.rebooting() && away.elapsed() < 1000)
        QThread::msleep(10);
    EXPECT_TRUE(s.printer.rebooting());
    while (s.printer.rebooting() && away.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_FALSE(s.printer.rebooting());
    EXPECT_FALSE(s.printer.files().contains("tmp:KERNEL.BIN"));
    host.send(HelloProbe);
    EXPECT_TRUE(stripHighBits(host.read(2000, "Hello\x02")).contains("Hello\x02"));
}
