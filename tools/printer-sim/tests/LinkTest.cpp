// The TCP link: one client at a time, the others waiting their turn, and the
// printer's state carried from one to the next.
#include <gtest/gtest.h>

#include "Interpreter.h"
#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

TEST(Link, ClientsThatArriveTogetherAreServedInTurn) {
    Printer printer;
    ASSERT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
    SimClient first;
    ASSERT_TRUE(first.connectTo(printer.port()));
    EXPECT_EQ(SimClient::replyText(first.command(1, "QQNOTE$=\"from the first\"\r")), "");
    // These wait in the listen queue while the first is served, so they are
    // accepted together when it leaves; one of them gives up before its turn.
    SimClient second, quitter, third;
    ASSERT_TRUE(second.connectTo(printer.port()));
    ASSERT_TRUE(quitter.connectTo(printer.port()));
    ASSERT_TRUE(third.connectTo(printer.port()));
    second.send(SimClient::frame(2, "PRINT QQNOTE$\r"));
    quitter.socket().disconnectFromHost();
    third.send(SimClient::frame(3, "PRINT \"third\"\r"));
    EXPECT_EQ(second.readFor(300), "");
    first.socket().disconnectFromHost();

    EXPECT_EQ(SimClient::replyText(second.readUntil("\x04")), "from the first\r\n");
    EXPECT_EQ(third.readFor(300), "");
    EXPECT_EQ(SimClient::replyText(second.command(4, "PRINT \"second again\"\r")), "second again\r\n");
    second.socket().disconnectFromHost();
    EXPECT_EQ(SimClient::replyText(third.readUntil("\x04")), "third\r\n");
    EXPECT_EQ(printer.connections(), 4);
}

TEST(Link, ALineLongerThanTheInputBufferIsCutAndRefused) {
    Printer printer;
    ASSERT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
    SimClient client;
    ASSERT_TRUE(client.connectTo(printer.port()));
    const QByteArray chunk(64 * 1024, 'A');
    client.send("QQ$=\"before\"\rQQ$=\"");
    for (int i = 0; i < 16; ++i)
        client.send(chunk);
    client.send("\"\r");
    EXPECT_EQ(client.readUntil("\r\n"), "Error 1: Syntax error\r\n");
    EXPECT_EQ(printer.receivedLines().value(1), "QQ$=\"" + QByteArray(Interpreter::MaxLineBytes - 5, 'A'));
    EXPECT_EQ(printer.variableText("QQ$"), "before");
    // The next line is read whole again.
    EXPECT_EQ(SimClient::replyText(client.command(1, "PRINT \"next\"\r")), "next\r\n");
}

TEST(Link, TheLogOfReceivedLinesKeepsTheLatest) {
    Printer printer;
    ASSERT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
    SimClient client;
    ASSERT_TRUE(client.connectTo(printer.port()));
    // By bytes: long lines push the oldest out.
    const QByteArray longLine = "QQ$=\"" + QByteArray(Interpreter::MaxLineBytes - 6, 'A') + "\"\r";
    const qsizetype sent = Interpreter::KeptBytes / Interpreter::MaxLineBytes + 10;
    for (qsizetype i = 0; i < sent; ++i)
        client.send(longLine);
    client.send("PRINT \"long done\"\r");
    EXPECT_EQ(client.readUntil("long done\r\n"), "long done\r\n");
    QList<QByteArray> kept = printer.receivedLines();
    qsizetype keptBytes = 0;
    for (const QByteArray& line : kept)
        keptBytes += line.size();
    EXPECT_LE(keptBytes, Interpreter::KeptBytes);
    EXPECT_GE(keptBytes, Interpreter::KeptBytes - Interpreter::MaxLineBytes);
    EXPECT_EQ(kept.value(kept.size() - 2), longLine.chopped(1));

    // By count: many short lines.
    client.send(QByteArray(Interpreter::KeptLines, '\r') + "PRINT \"short done\"\r");
    EXPECT_EQ(client.readUntil("short done\r\n"), "short done\r\n");
    kept = printer.receivedLines();
    EXPECT_EQ(kept.size(), Interpreter::KeptLines);
    EXPECT_EQ(kept.value(0), "");
    EXPECT_EQ(kept.value(Interpreter::KeptLines - 1), "PRINT \"short done\"");
}

TEST(BreakEndpoint, RequestsAreBoundedInSizeAndTime) {
    Profile profile = Profile::forVersion(QStringLiteral("8.10"));
    profile.httpTimeoutMs = 300;
    Printer printer(profile);
    ASSERT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
    ASSERT_TRUE(printer.listenHttp());
    struct Case {
        QByteArray request;
        QByteArray status;
    };
    const QByteArray post = "POST /rb/running HTTP/1.0\r\n";
    const Case cases[] = {
        {post + "X-Filler: " + QByteArray(16 * 1024, 'x'), "431 Request Header Fields Too Large"},
        {post + "Content-Length: 100000000\r\n\r\nBRK=", "413 Content Too Large"},
        {post + "Content-Length: ten\r\n\r\nBRK=<ESC>.", "400 Bad Request"},
        // A body that never arrives whole.
        {post + "Content-Length: 20\r\n\r\nBRK=", "408 Request Timeout"},
        {post + "Content-Length: 8\r\n\r\nBRK=text", "200 OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        SimClient client;
        ASSERT_TRUE(client.connectTo(printer.httpPort()));
        client.send(c.request);
        EXPECT_EQ(client.readUntil("\r\n"), "HTTP/1.0 " + c.status + "\r\n");
        EXPECT_TRUE(client.waitClosed(3000));
    }
}
