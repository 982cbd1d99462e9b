// Files, listings, setup and the shell programs, with the command texts that
// the host sends and the replies it reads.
#include <gtest/gtest.h>
#include <utility>

#include "FileSystem.h"
#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

struct Started {
    explicit Started(const Profile& profile) : printer(profile) {
        EXPECT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(client.connectTo(printer.port()));
    }
    QByteArray text(const QByteArray& command) { return SimClient::replyText(client.command(++id, command)); }
    Printer printer;
    SimClient client;
    int id = 0;
};

Profile version(const char* v) {
    return Profile::forVersion(QString::fromLatin1(v));
}

// The number value of the second-to-last blank-separated field of a line.
qint64 secondToLast(const QByteArray& line) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    return fields.size() < 2 ? 0 : fields[fields.size() - 2].toLongLong();
}

} // namespace

TEST(FileSystem, ShellListingsAndChanges) {
    Started s(version("8.10"));
    ASSERT_TRUE(s.printer.putFile("c:LABEL.PRG", "10 PRINT 1\r\n"));
    EXPECT_EQ(s.text("RUN\"mkdir /c/my\\ dir\r"), "");
    EXPECT_EQ(s.text("RUN\"cp /c/LABEL.PRG /c/my\\ dir\r"), "");
    EXPECT_EQ(s.text("RUN\"ll -a /c\r"),
              "-rwxrwxrwx   1 wheel     sys           12 Jan  1  1980 LABEL.PRG\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 my dir/\r\n");
    EXPECT_EQ(s.text("RUN\"ll -a -R c:\r"),
              "-rwxrwxrwx   1 wheel     sys           12 Jan  1  1980 LABEL.PRG\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 my dir/\r\n"
              "\r\nc:my dir:\r\n"
              "-rwxrwxrwx   1 wheel     sys           12 Jan  1  1980 LABEL.PRG\r\n");
    // The size of a file stands from column 30 on.
    EXPECT_EQ(s.text("RUN\"ll -a c:my\\ dir/LABEL.PRG\r").mid(29, 12).trimmed(), "12");
    EXPECT_EQ(s.text("RUN\"ll -a /rom\r"),
              "-r-xr-xr-x   1 wheel     sys          222 Jan  1  1980 Kestrel logo.1\r\n"
              "-r-xr-xr-x   1 wheel     sys         2048 Jan  1  1980 Swiss 721 BT.ttf\r\n");
    EXPECT_EQ(s.text("RUN\"rm /rom/Swiss\\ 721\\ BT.ttf\r"),
              "rm: /rom/Swiss 721 BT.ttf: File is write protected\r\n");
    EXPECT_EQ(s.text("RUN\"rm -R /c/my\\ dir\r"), "");
    EXPECT_EQ(s.text("RUN\"rm c:nothing\r"), "rm: c:nothing: File not found\r\n");
    EXPECT_EQ(s.printer.files().keys(),
              (QList<QByteArray>{"c:LABEL.PRG", "rom:Kestrel logo.1", "rom:Swiss 721 BT.ttf"}));
    // A full device refuses a file and keeps what it had.
    ASSERT_TRUE(s.printer.putFile("tmp:big", QByteArray(16384 * 1024 / 4 - 20, 'x')));
    EXPECT_EQ(s.text("RUN\"cp c:LABEL.PRG tmp:\r"), "");
    EXPECT_EQ(s.text("RUN\"cp c:LABEL.PRG tmp:other\r"), "cp: c:LABEL.PRG: Device full\r\n");
    EXPECT_FALSE(s.printer.files().contains("tmp:other"));
}

TEST(FileSystem, DfAndMountProbes) {
    struct Case {
        const char* version;
        bool card;
        QByteArray command;
        QByteArray reply;
    };
    const Case cases[] = {
        {"8.10", true, "RUN\"df card1:\r",
         "Filesystem   1k-blocks      Used Available Use% Mounted on\r\n"
         "card1:           16384         0     16384   0% /card1\r\n"},
        {"10.20", false, "RUN\"df card1:\r", "df: card1:: No such device\r\n"},
        {"6.50", true, "OPEN\"card1:\" FOR INPUT AS #9091:CLOSE 9091\r", ""},
        {"6.50", false, "OPEN\"card1:\" FOR INPUT AS #9091:CLOSE 9091\r", "Error 39: File not found\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        Profile profile = version(c.version);
        profile.cardInserted = c.card;
        Started s(profile);
        EXPECT_EQ(s.text(c.command), c.reply);
    }
}

TEST(FileSystem, FilesListingsWithTheirTotals) {
    Started s(version("6.50"));
    ASSERT_TRUE(s.printer.putFile("ram:A.PRG", QByteArray(100, 'a')));
    ASSERT_TRUE(s.printer.putFile("ram:B.PRG", QByteArray(20, 'b')));
    ASSERT_TRUE(s.printer.putFile("ram:C.PRG", QByteArray(3, 'c')));
    EXPECT_EQ(s.text("FILES \"ram:\r"), "Files on ram:\r\n"
                                        "A.PRG                    100    B.PRG                     20\r\n"
                                        "C.PRG                      3    \r\n"
                                        "\r\n       123 bytes used\r\n   1048453 bytes free\r\n");
    // A file that is not there still gives the device's totals.
    EXPECT_EQ(s.text("FILES\"ram:NONE.PRG\r"),
              "No files on ram:\r\n\r\n       123 bytes used\r\n   1048453 bytes free\r\n");
    EXPECT_EQ(s.text("FILES \"tmp:\r"), "Error 39: File not found\r\n");
    EXPECT_EQ(s.text("KILL\"ram:B.PRG\rCOPY \"ram:A.PRG\",\"ram:D.PRG\r"), "");
    EXPECT_EQ(s.printer.files().keys(), (QList<QByteArray>{"ram:A.PRG", "ram:C.PRG", "ram:D.PRG",
                                                           "rom:Kestrel logo.1", "rom:Swiss 721 BT.ttf"}));
    EXPECT_EQ(s.text("FORMAT \"ram:\"\rFORMAT \"rom:\"\r"), "Error 45: File is write protected\r\n");
    EXPECT_EQ(s.printer.files().size(), 2);
}

TEST(FileSystem, MemoryAndPartitionSizes) {
    for (const char* v : {"7.00", "8.10", "10.20"}) {
        SCOPED_TRACE(v);
        const Profile profile = version(v);
        Started s(profile);
        qint64 flash = 0;
        for (const QByteArray& line : s.text("run\"partinfo\r").replace('\t', ' ').split('\n'))
            if (!line.contains("flashx:"))
                flash += secondToLast(line);
        EXPECT_EQ(flash, profile.flashKb);
        const QByteArray meminfo = s.text("run\"meminfo\r");
        EXPECT_EQ(secondToLast(meminfo.mid(meminfo.indexOf(" Ram") - 10).split('\n').first()), profile.ramKb);
    }
}

TEST(FileSystem, FlashHoldsAnEightMegabyteFileFromSevenOn) {
    for (const QString& v : Profile::knownVersions()) {
        SCOPED_TRACE(v.toStdString());
        const Profile profile = Profile::forVersion(v);
        Printer printer(profile);
        // The requirement checks read the flash size in kB against whole megabytes.
        EXPECT_EQ(
            printer.putFile(profile.major() >= 7 ? "c:big.bin" : "ram:big.bin", QByteArray(8 << 20, 'x')),
            profile.major() >= 7);
    }
}

TEST(FileSystem, ARemovedOrReplacedLongFileLendsItsMemoryToTheNextUpload) {
    FileSystem files(version("8.10"));
    for (bool replaced : {false, true}) {
        QByteArray dropped(2 << 20, 'b');
        const char* memory = dropped.constData();
        files.write("c:f.bin", std::exchange(dropped, QByteArray()));
        if (replaced)
            files.write("c:f.bin", "short");
        else
            files.remove("c:f.bin", false);
        QByteArray buffer = files.buffer(1 << 20);
        EXPECT_EQ(buffer.constData(), memory);
        EXPECT_TRUE(buffer.isEmpty());
        buffer.append("new");
        files.write("c:g.bin", buffer);
        EXPECT_EQ(files.read("c:g.bin"), "new");
    }
}

TEST(FileSystem, AFullDeviceRefusesAFileOnEveryWritePath) {
    Started s(version("8.10"));
    ASSERT_TRUE(s.printer.putFile("c:A.PRG", "10 PRINT 1\r\n"));
    // c: holds 12 MiB; four bytes are left, so the 12-byte program does not fit.
    ASSERT_TRUE(s.printer.putFile("c:fill.bin", QByteArray(12 * 1024 * 1024 - 12 - 4, 'f')));
    const struct {
        QByteArray command;
        QByteArray reply;
    } cases[] = {
        {"RUN\"cp c:A.PRG c:B.PRG\r", "cp: c:A.PRG: Device full\r\n"},
        {"COPY \"c:A.PRG\",\"c:B.PRG\r", "Error 44: Device full\r\n"},
        {"LOAD \"c:A.PRG\"\rSAVE \"c:B.PRG\"\r", "Error 44: Device full\r\n"},
        // Refused at once; the five bytes are read and dropped, not run as commands.
        {"RUN\"cat -S2 -5 >c:B.PRG\rPRINT", "cat: c:B.PRG: Device full\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        EXPECT_EQ(s.text(c.command), c.reply);
        EXPECT_FALSE(s.printer.files().contains("c:B.PRG"));
    }
    // What fits is still taken, by the same paths.
    EXPECT_EQ(s.text("RUN\"cat -S2 -4 >c:B.PRG\rABCD"), "");
    EXPECT_EQ(s.printer.files().value("c:B.PRG"), "ABCD");
}

TEST(FileSystem, HardwareProbeFindsTheProfilesOptions) {
    const QByteArray probe =
        "PRINT\"HeadRes:\"+STR$(SYSVAR(21)):PRINT\"HeadW:\"+STR$(SYSVAR(22)):SYSVAR(19)=1\r"
        "JUNK$=\"\":SETUP GET\"prt\",\"SER-COM,UART3,BAUDRATE\",JUNK$\r"
        "If LEN(JUNK$)>0 Then PRINT\"Duart\"\r"
        "JUNK$=\"\":OPEN\"centronics:\" FOR INPUT AS 147:JUNK$=\"A\":CLOSE147\r"
        "If LEN(JUNK$)>0 Then PRINT\"Centronics\"\r"
        "JUNK$=\"\":OPEN\"net1:\" FOR INPUT AS 147:JUNK$=\"A\":CLOSE147\r"
        "IF LEN(JUNK$)>0 THEN PRINT\"Ethernet\"\r"
        "JUNK$=\"\":JUNK$=STR$(PORTIN(101)):JUNK$ = \"A\"\r"
        "IF LEN(JUNK$)>0 THEN PRINT \"Ind.IF\"\r"
        "JUNK$=STR$(SYSVAR(15))\r";
    struct Case {
        const char* version;
        QByteArray reply;
    };
    const Case cases[] = {
        {"7.40", "HeadRes:12\r\nHeadW:1248\r\nDuart\r\nEthernet\r\n"},
        {"8.10", "HeadRes:8\r\nHeadW:832\r\nEthernet\r\n"},
        {"10.20", "HeadRes:8\r\nHeadW:832\r\nCentronics\r\nEthernet\r\nInd.IF\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Started s(version(c.version));
        const QByteArray reply = s.client.command(1, probe);
        EXPECT_EQ(SimClient::replyText(reply), c.reply);
        // The probe reads the error counter itself, so the reply counts none.
        EXPECT_EQ(SimClient::trailer(reply).value(3), "0");
    }
}

TEST(FileSystem, MediaInformationProgram) {
    Started s(version("7.30"));
    const QByteArray reply = s.text("PRINT\"RESOLUTION:\";SYSVAR(21)\rPRINT\"NUMOFDOTS:\";SYSVAR(22)\r"
                                    "PRINT \"ACTLEN:\";ACTLEN\rRUN\"setup sw \r");
    const QByteArray head = "RESOLUTION:12\r\nNUMOFDOTS:1248\r\nACTLEN:0\r\n";
    ASSERT_TRUE(reply.startsWith(head)) << reply.toStdString();
    // The setup text after the third line holds each media key once, with its value after the last comma.
    const QList<QByteArray> setup = reply.mid(head.size()).split('\n');
    for (const char* line : {"MEDIA,MEDIA SIZE,WIDTH,1248\r", "MEDIA,MEDIA SIZE,LENGTH,1200\r",
                             "MEDIA,MEDIA SIZE,XSTART,0\r", "MEDIA,MEDIA TYPE,LABEL (W GAPS)\r"})
        EXPECT_EQ(setup.count(line), 1) << line;
}

TEST(FileSystem, SetupChangesReadsAndDumps) {
    Started s(version("8.10"));
    EXPECT_EQ(
        s.text("SETUP\"MEDIA,MEDIA SIZE,WIDTH,800\rSETUP GET\"prt\",\"MEDIA,MEDIA SIZE,WIDTH\",QQVS0$:PRINT "
               "QQVS0$;\r"),
        "800");
    EXPECT_EQ(s.printer.setupValue("MEDIA,MEDIA SIZE,WIDTH"), "800");
    EXPECT_EQ(s.text("SETUP GET\"prt\",\"MEDIA,NO SUCH\",QQVS0$:PRINT QQVS0$;\r"),
              "Error 26: Parameter out of range\r\n");
    const QByteArray dump = s.text("RUN\"setup sw \r");
    EXPECT_TRUE(dump.startsWith("SER-COM,UART1,BAUDRATE,9600\r\nSER-COM,UART1,PARITY,NONE\r\n"));
    EXPECT_TRUE(dump.contains("\r\nMEDIA,MEDIA SIZE,WIDTH,800\r\n"));
    Started old(version("6.50"));
    EXPECT_TRUE(old.text("SETUP WRITE\"net1:\r").contains("\r\nSERVICE,MEDIA TYPE,LABEL (W GAPS)\r\n"));
}

TEST(FileSystem, ProgramsSavedLoadedAndTheDisplay) {
    Started s(version("8.10"));
    EXPECT_EQ(s.text("NEW\r10 PRINT \"a\"\r20 END\rSAVE\"c:P.PRG\",L\rSAVE\"c:Q.PRG\"\r"), "");
    EXPECT_EQ(s.printer.files().value("c:P.PRG"), "PRINT \"a\"\r\nEND\r\n");
    EXPECT_EQ(s.printer.files().value("c:Q.PRG"), "10 PRINT \"a\"\r\n20 END\r\n");
    EXPECT_EQ(s.text("NEW\rLOAD\"c:P.PRG\rLIST\r"), "10 PRINT \"a\"\r\n20 END\r\n");
    EXPECT_EQ(s.text("MERGE\"c:Q.PRG\rLIST 20\r"), "20 END\r\n");
    EXPECT_EQ(s.text("RUN\"restr -a upgrade\r"), "admin,supervisor\r\n");
    EXPECT_EQ(s.text("OPEN\"CONSOLE:\"FOR OUTPUT AS 10956:PRINT#10956,\"Rebooting\";\rCLOSE10956\r"), "");
    EXPECT_EQ(s.printer.display(), "Rebooting");
}
