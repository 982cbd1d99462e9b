// Each named fault does what its name says, always or once and then recovers.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "Printer.h"
#include "SimClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::SimClient;

namespace {

const QByteArray Eot(1, '\x04');
const QByteArray Hello = "PRINT\"HELLO\r\n";

Fault fault(const char* name) {
    const auto f = Fault::parse(QString::fromLatin1(name));
    EXPECT_TRUE(f.has_value()) << name;
    return f.value_or(Fault());
}

struct Started {
    explicit Started(const char* faultName)
        : printer(Profile::forVersion(QStringLiteral("8.10")), {fault(faultName)}) {
        EXPECT_TRUE(printer.listen(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(client.connectTo(printer.port()));
    }
    Printer printer;
    SimClient client;
};

// The reply that a printer without faults gives to the hello with this id.
QByteArray cleanReply(int id, bool startUp) {
    const QByteArray n = QByteArray::number(id).rightJustified(2, '0');
    return "\x01"
           "CMD" +
           n +
           "\x02HELLO\r\n\x03"
           "CMD" +
           n + "A205" + (startUp ? "1" : "0") +
           "\x1e\r\n\x1eRubric 8.10\x1e"
           "0\x1e"
           "admin\r\n\x04";
}

} // namespace

TEST(Faults, NamesRoundTrip) {
    for (const QString& name : Fault::names()) {
        const auto f = Fault::parse(name + "@250:once");
        ASSERT_TRUE(f.has_value()) << name.toStdString();
        EXPECT_EQ(Fault::nameOf(f->kind), name);
        EXPECT_EQ(f->param, 250);
        EXPECT_TRUE(f->once);
    }
    EXPECT_FALSE(Fault::parse(QStringLiteral("slow-reply")).has_value());
    EXPECT_FALSE(Fault::parse(QStringLiteral("delayed-reply@-4")).has_value());
}

// What the client reads for the first and the second hello, for faults that
// change the bytes of a reply.
TEST(Faults, ReplyBytes) {
    struct Case {
        const char* fault;
        QByteArray first;
        QByteArray second;
    };
    const Case cases[] = {
        {"garbage-before-reply:once", "#~garbage\x7f\xfe\r\n" + cleanReply(1, true), cleanReply(2, false)},
        {"stray-soh", "\x01xx" + cleanReply(1, true), "\x01xx" + cleanReply(2, false)},
        {"xoff-in-reply:once", QByteArray(cleanReply(1, true)).insert(7, '\x13'), cleanReply(2, false)},
        {"duplicate-reply:once", cleanReply(1, true) + cleanReply(1, true), cleanReply(2, false)},
        {"stale-reply", cleanReply(1, true), cleanReply(1, true) + cleanReply(2, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Started s(c.fault);
        s.client.send(SimClient::frame(1, Hello));
        EXPECT_EQ(s.client.readFor(300), c.first);
        s.client.send(SimClient::frame(2, Hello));
        EXPECT_EQ(s.client.readFor(300), c.second);
    }
}

TEST(Faults, DelayedReplyOnceThenOnTime) {
    Started s("delayed-reply@700:once");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(s.client.command(1, Hello), cleanReply(1, true));
    EXPECT_GE(timer.elapsed(), 650);
    timer.restart();
    EXPECT_EQ(s.client.command(2, Hello), cleanReply(2, false));
    EXPECT_LT(timer.elapsed(), 500);
}

TEST(Faults, SplitReplyComesInTwoPieces) {
    Started s("split-reply@5");
    s.client.send(SimClient::frame(1, Hello));
    EXPECT_EQ(s.client.readFor(150), cleanReply(1, true).left(5));
    EXPECT_EQ(s.client.readUntil(Eot), cleanReply(1, true).mid(5));
}

TEST(Faults, RepliesThatNeverEnd) {
    struct Case {
        const char* fault;
        QByteArray first;
    };
    const Case cases[] = {
        {"unfinished-reply@9:once", cleanReply(1, true).left(9)},
        {"no-reply:once", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Started s(c.fault);
        s.client.send(SimClient::frame(1, Hello));
        EXPECT_EQ(s.client.readFor(400), c.first);
        EXPECT_EQ(s.client.command(2, Hello), cleanReply(2, false));
    }
}

TEST(Faults, DroppedLinkMidReplyThenAcceptsAgain) {
    Started s("dropped-link@20:once");
    s.client.send(SimClient::frame(1, Hello));
    EXPECT_TRUE(s.client.waitClosed(2000));
    EXPECT_EQ(s.client.readFor(0), cleanReply(1, true).left(20));
    SimClient again;
    ASSERT_TRUE(again.connectTo(s.printer.port()));
    EXPECT_EQ(again.command(2, Hello), cleanReply(2, false));
    EXPECT_EQ(s.printer.connections(), 2);
}

TEST(Faults, HelloIgnoredUntilTheBreakString) {
    Started s("hello-needs-break");
    s.client.send(SimClient::frame(1, Hello));
    EXPECT_EQ(s.client.readFor(300), "");
    s.printer.breakReceived();
    EXPECT_EQ(s.client.command(2, Hello), cleanReply(2, true));
}

TEST(Faults, TheRecordedInputHoldsTheBreakBytesAsTheyArrived) {
    Started s("hello-needs-break");
    s.printer.recordInput(true);
    const QByteArray breakBytes("\x1b.\r", 3);
    s.client.send("ignored" + breakBytes);
    const QByteArray hello = SimClient::frame(2, Hello);
    EXPECT_EQ(s.client.command(2, Hello), cleanReply(2, true));
    EXPECT_EQ(s.printer.receivedBytes(), "ignored" + breakBytes + hello);
    s.printer.recordInput(false);
    s.client.command(3, Hello);
    EXPECT_EQ(s.printer.receivedBytes().size(), 10 + hello.size());
}

TEST(Faults, RebootClosesTheLinkAndComesBack) {
    struct Case {
        const char* fault;
        int awayAtLeastMs;
    };
    // The plain reboot of the profile takes 1500 ms; the slow one the fault's time.
    const Case cases[] = {{"delayed-reply@0", 1400}, {"slow-reboot@3000:once", 2900}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Started s(c.fault);
        EXPECT_EQ(s.client.command(1, Hello), cleanReply(1, true));
        QElapsedTimer timer;
        timer.start();
        s.client.send("\rREBOOT\r");
        EXPECT_TRUE(s.client.waitClosed(1000));
        EXPECT_TRUE(s.printer.rebooting());
        // A client that connects while the printer is away is served once it is back.
        SimClient again;
        ASSERT_TRUE(again.connectTo(s.printer.port()));
        const QByteArray reply = again.command(2, Hello, 6000);
        EXPECT_GE(timer.elapsed(), c.awayAtLeastMs);
        EXPECT_EQ(reply, cleanReply(2, true));
    }
}
