// The command frame as the host sends it, and the printer's reply: text,
// trailer, errors, and the Rubric statements that the commands use.
#include <gtest/gtest.h>

#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

struct Started {
    explicit Started(const Profile& profile = Profile::forVersion(QStringLiteral("8.10")),
                     const FaultPlan& faults = {})
        : printer(profile, faults) {
        EXPECT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(client.connectTo(printer.port()));
    }
    Printer printer;
    SimClient client;
};

const QByteArray Eot(1, '\x04');

} // namespace

TEST(Frame, HelloReplyByteForByte) {
    Started s;
    const QByteArray frame =
        "\rQQISV18%=SYSVAR(18):SYSVAR(18)=8\rPRINT CHR$(1)+\"CMD01\"+CHR$(2);\r"
        "QQISV19%=SYSVAR(19):SYSVAR(19)=2:QQISV15%=SYSVAR(15)\rPRINT\"HELLO\r\n"
        "QQISV15%=SYSVAR(15):SYSVAR(19)=0\rQQISV24%=SYSVAR(24)\rQQISV43%=SYSVAR(43)\r"
        "MAP1,0,49:MAP2,0,50:MAP3,0,51:MAP4,0,52\rMAP5,0,53\r"
        "QQISTDIO$=\"" +
        QByteArray(1, '\0') +
        "\":MAP1,0,0:MAP2,0,0:MAP3,0,0:MAP4,0,0\rMAP5,0,0\r"
        "PRINT CHR$(3)+\"CMD01\"+CHR$(QQISV18%+65)+STR$(QQISV19%)+STR$(QQISV43%)+QQISTDIO$+STR$(QQISV24%)+"
        "CHR$(30);:PRINT:PRINT CHR$(30)+VERSION$(0)+CHR$(30)+STR$(QQISV15%)+CHR$(30);:RUN\"whoami\"\r"
        "SYSVAR(19)=QQISV19%:SYSVAR(18)=QQISV18%:PRINTCHR$(4);\r";
    ASSERT_EQ(frame, SimClient::frame(1, "PRINT\"HELLO\r\n"));
    s.client.send(frame.left(100));
    s.client.send(frame.mid(100));
    EXPECT_EQ(s.client.readUntil(Eot), QByteArray("\x01"
                                                  "CMD01\x02HELLO\r\n\x03"
                                                  "CMD01A2051\x1e\r\n\x1eRubric 8.10\x1e"
                                                  "0\x1e"
                                                  "admin\r\n\x04"));
    // The start-up flag is reported once; the printer's state is put back.
    EXPECT_EQ(SimClient::trailer(s.client.command(2, "PRINT\"HELLO\r\n"))[0], "A2050");
    EXPECT_EQ(s.printer.sysvar(18), 0);
    EXPECT_EQ(s.printer.sysvar(19), 2);
}

TEST(Frame, TrailerOfEveryProfile) {
    for (const QString& version : Profile::knownVersions()) {
        SCOPED_TRACE(version.toStdString());
        Profile profile = Profile::forVersion(version);
        Started s(profile);
        const QList<QByteArray> fields = SimClient::trailer(s.client.command(7, "PRINT\"HELLO\r\n"));
        ASSERT_EQ(fields.size(), 5);
        EXPECT_EQ(fields[0], "A2051");
        EXPECT_EQ(fields[1], "\r\n");
        EXPECT_EQ(fields[2], "Rubric " + version.toLatin1());
        EXPECT_EQ(fields[3], "0");
        // 6.x and older have no shell: whoami is a program file that is not there.
        EXPECT_EQ(fields[4], profile.hasShell() ? QByteArray("admin\r\n") : QByteArray());
    }
}

TEST(Frame, ConfigurableVersionText) {
    Profile profile = Profile::forVersion(QStringLiteral("8.10 Beta 3"));
    profile.versionText = "Rubric 8.10  Beta 3 (build 77)";
    Started s(profile);
    EXPECT_EQ(SimClient::trailer(s.client.command(1, "PRINT VERSION$(0);\r"))[2],
              "Rubric 8.10  Beta 3 (build 77)");
}

TEST(Frame, CommandTextsAndTheirReplies) {
    struct Case {
        QByteArray command;
        QByteArray text;
        QByteArray errors;
    };
    const Case cases[] = {
        {"PRINT \"A\";\"B\"\r", "AB\r\n", "0"},
        {"PRINT \"A\",\"B\";\r", "A         B", "0"},
        {"PRINT CHR$(65)+STR$(12)+STR$(-3);\r", "A12-3", "0"},
        {"PRINT VERSION$(0)\r", "Rubric 8.10\r\n", "0"},
        {"PRINT VERSION$(1);\r", "Ravo", "0"},
        {"PRINT VERSION$(2);\r", "ravo-mainboard rev 3", "0"},
        {"PRINT VERSION$(3);\r", "Error 26: Parameter out of range\r\n", "1"},
        {"PRINT\"HeadRes:\"+STR$(SYSVAR(21)):PRINT\"HeadW:\"+STR$(SYSVAR(22))\r",
         "HeadRes:8\r\nHeadW:832\r\n", "0"},
        {"PRINTSYSVAR(36);:LIST,B\r", "0", "0"},
        {"SYSVAR(36)=1:PRINTSYSVAR(36);\r", "1", "0"},
        {"SYSVAR(21)=12\r", "Error 26: Parameter out of range\r\n", "1"},
        {"PRINT SYSVAR(99)\r", "Error 26: Parameter out of range\r\n", "1"},
        {"PRINT \"RESOLUTION:\";SYSVAR(21)\r", "RESOLUTION:8\r\n", "0"},
        {"FROBNICATE 12\r", "Error 1: Syntax error\r\n", "1"},
        {"PRINT \"x\";:FROB:PRINT \"never\"\r", "x\r\nError 1: Syntax error\r\n", "1"},
        {"PRINT (1+2\r", "Error 2: Unbalanced parentheses\r\n", "1"},
        {"PRINT 1+\"A\"\r", "Error 13: Type mismatch\r\n", "1"},
        {"A%=7/2:B$=\"n\"+STR$(A%):PRINT B$;\r", "n3", "0"},
        {"If LEN(\"ab\")>1 Then PRINT\"Duart\"\r", "Duart\r\n", "0"},
        {"IF LEN(\"\")>0 THEN PRINT\"x\":PRINT\"y\"\r", "", "0"},
        {"JUNK$=\"\":JUNK$=STR$(PORTIN(101)):JUNK$ = \"A\"\rIF LEN(JUNK$)>0 THEN PRINT \"Ind.IF\"\r",
         "Error 26: Parameter out of range\r\n", "1"},
        {"\rqqBC$=BARCODENAME$(0):WHILE LEN(qqBC$)>0:Print qqBC$:qqBC$=BARCODENAME$(-1):WEND\r",
         "CODE128\r\nCODE39\r\nEAN13\r\nEAN8\r\nUPCA\r\nQRCODE\r\nDATAMATRIX\r\n", "0"},
        {"LED0ON:LED1ON\r", "", "0"},
        {"RUN\"uname -a\r", "Linux ravo 2.6.32-vantor Rubric 8.10 armv5tel\r\n", "0"},
        {"RUN\"nosuchprogram\"\r", "Error 39: File not found\r\n", "1"},
        // What the firmware loader and the installation engine send.
        {"LED 0 OFF\r", "", "0"},
        {"SETUP\"SER-COM,UART1,REC BUF,600\r", "", "0"},
        {"SETUP GET\"prt\",\"SER-COM,UART1,REC BUF\",QQVS0$:PRINT QQVS0$;\r", "600", "0"},
        {"RUN\"restr -a upgrade\r", "admin,supervisor\r\n", "0"},
        {"RUN\"flakef tmp:KERNEL.BIN\r", "flakef: tmp:KERNEL.BIN: File not found\r\n", "0"},
        {"print \"hello\"\r", "hello\r\n", "0"},
    };
    Started s;
    int id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        const QByteArray reply = s.client.command(++id, c.command);
        EXPECT_EQ(SimClient::replyText(reply), c.text);
        EXPECT_EQ(SimClient::trailer(reply).value(3), c.errors);
    }
}

TEST(Frame, ErrorsPrintOnlyWhileTheMessageTypeIsTwo) {
    Started s;
    EXPECT_EQ(SimClient::replyText(s.client.command(1, "SYSVAR(19)=0:FROB\r")), "");
    // The frame put back the type the printer had before the command (2).
    EXPECT_EQ(SimClient::replyText(s.client.command(2, "FROB\r")), "Error 1: Syntax error\r\n");
    // Outside a frame an unknown statement is answered too, never silence.
    s.client.send("FROB\r");
    EXPECT_EQ(s.client.readUntil("\r\n"), "Error 1: Syntax error\r\n");
}

TEST(Frame, ProgramLinesRunAndReportTheirLine) {
    Started s;
    EXPECT_EQ(SimClient::replyText(s.client.command(1, "NEW\rQQISV19%=2:QQISV18%=0\r")), "");
    const QByteArray reply = s.client.command(
        2, "10 PRINT \"one\"\r20 PRINT CHR$(999)\r30 PRINT \"never\"\rRUN\rQQISV19%=2:QQISV18%=0\r");
    EXPECT_EQ(SimClient::replyText(reply), "one\r\nError 26 in line 20: Parameter out of range\r\n");
    EXPECT_EQ(SimClient::replyText(s.client.command(3, "LIST\r")),
              "10 PRINT \"one\"\r\n20 PRINT CHR$(999)\r\n30 PRINT \"never\"\r\n");
    // A line that can run, run on its own and removed again.
    EXPECT_EQ(SimClient::replyText(s.client.command(4, "LIST 1999999950\r")), "");
    EXPECT_EQ(SimClient::replyText(s.client.command(
                  5, "1999999950 PRINT \"PROGRAM CAN EXECUTE\":END\rRUN 1999999950\r1999999950\r"
                     "QQISV19%=2:QQISV18%=0\r")),
              "PROGRAM CAN EXECUTE\r\n");
    EXPECT_EQ(SimClient::replyText(s.client.command(6, "LIST 1999999950\r")), "");
    // A module typed in without line numbers is numbered 10, 20, ... after the last line.
    s.client.command(7, "\rIMMEDIATE OFF\rPRINT \"a\"\rPRINT \"b\"\r\rIMMEDIATE ON\r");
    EXPECT_EQ(SimClient::replyText(s.client.command(8, "LIST 40\r")), "40 PRINT \"a\"\r\n");
}

TEST(Frame, DebugAndApplicationFramesBetweenTheOutput) {
    Started s;
    const QByteArray on = "\x01"
                          "DB10100\x02"
                          "execution=ON\x03"
                          "DB101\x04\r\n";
    const QByteArray off = "\x01"
                           "DB10100\x02"
                           "execution=OFF\x03"
                           "DB101\x04\r\n";
    // Without the debugger a program runs silently; with it, its start and
    // end are announced around its output.
    s.client.send("10 PRINT \"run\"\rRUN\r");
    EXPECT_EQ(s.client.readUntil("run\r\n"), "run\r\n");
    s.client.send("SYSVAR(36)=1\rRUN\r");
    EXPECT_EQ(s.client.readUntil(off), on + "run\r\n" + off);
    s.client.send("SYSVAR(36)=0\rRUN 20\rRUN\r");
    EXPECT_EQ(s.client.readUntil("run\r\n"), "Error 30: Undefined line number\r\nrun\r\n");

    // On demand: a frame whose length counts it from SOH to EOT.
    s.printer.sendApplicationFrame("abc");
    EXPECT_EQ(s.client.readUntil("\x04"), "\x01"
                                          "AP10100000020\x02"
                                          "abc\x03\x04");
    s.printer.sendDebugFrame("Break in line 10");
    EXPECT_EQ(s.client.readUntil("\r\n"), "\x01"
                                          "DB10100\x02"
                                          "Break in line 10\x03"
                                          "DB101\x04\r\n");
}

TEST(Frame, EchoAndPromptWhenTheVerbosityAsksForThem) {
    Started s;
    s.client.send("SYSVAR(18)=3\r");
    EXPECT_EQ(s.client.readUntil("Ok\r\n"), "Ok\r\n");
    const QByteArray reply = s.client.command(1, "PRINT\"HELLO\r\n");
    // The echo of the frame's first lines stands in front of the reply, the
    // prompt after the restored verbosity behind it.
    EXPECT_TRUE(reply.startsWith("\r\nOk\r\nQQISV18%=SYSVAR(18):SYSVAR(18)=8\r\n\x01"
                                 "CMD01\x02HELLO\r\n\x03"
                                 "CMD01D2051"));
    EXPECT_EQ(s.client.readUntil("Ok\r\n", 1000), "\r\nOk\r\n");
}

TEST(Frame, MapTurnsNulIntoTheChannelDigit) {
    Started s;
    s.client.send(QByteArray("MAP5,0,55:MAP1,0,49\rPRINT \"<") + '\0' + ">\"\rMAP5,0,0\rPRINT \"<" + '\0' +
                  ">\"\r");
    EXPECT_EQ(s.client.readUntil(">\r\n"), "<7>\r\n");
    EXPECT_EQ(s.client.readUntil(">\r\n"), QByteArray("<") + '\0' + ">\r\n");
    EXPECT_EQ(s.printer.receivedLines().value(1), "PRINT \"<7>\"");
}

TEST(Frame, SohThatStartsNoReplyIsPlainOutputInOrder) {
    Started s;
    // Within one print, and with the bytes that tell it from a reply in later prints.
    s.client.send("PRINT \"a\";CHR$(1);\"CMx\"\rPRINT CHR$(1);\rPRINT \"C\";\rPRINT \"y\"\r");
    EXPECT_EQ(s.client.readUntil("y\r\n"), "a\x01"
                                           "CMx\r\n\x01"
                                           "Cy\r\n");
    // A reply that comes in pieces still goes out whole, after the plain output before it.
    s.client.send("PRINT \"b\";CHR$(1);\rPRINT \"CMD\";\rPRINT \"9\";CHR$(4);\"c\"\r");
    EXPECT_EQ(s.client.readUntil("c\r\n"), "b\x01"
                                           "CMD9\x04"
                                           "c\r\n");
}

TEST(Frame, ShellUserChangesWithSu) {
    Started s;
    EXPECT_EQ(SimClient::trailer(s.client.command(1, "RUN\"su user\r"))[4], "user\r\n");
    EXPECT_EQ(SimClient::replyText(s.client.command(2, "RUN\"su admin\r")), "su: incorrect password\r\n");
    EXPECT_EQ(SimClient::trailer(s.client.command(3, "RUN\"su -p admin admin\r"))[4], "admin\r\n");
    EXPECT_EQ(s.printer.user(), "admin");
}
