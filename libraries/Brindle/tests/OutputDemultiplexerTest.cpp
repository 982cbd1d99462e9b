#include "Brindle/OutputDemultiplexer.h"

#include <gtest/gtest.h>

#include "Tickard/Timer.h"
#include "messages/MessagePump.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

namespace {

// What a printer sends back for a framed command: the reply frame with its
// trailer (verbosity A+1, error type 2, legacy 0, channel 5, no start-up).
std::string replyFrame(const std::string& id, const std::string& text,
                       const std::string& version = "Rubric 8.10", int errors = 0) {
    return "\x01"
           "CMD" +
           id + "\x02" + text +
           "\x03"
           "CMD" +
           id + "B2050\x1e\r\n\x1e" + version + "\x1e" + std::to_string(errors) +
           "\x1e"
           "admin\r\n\x04";
}
// The printer's echo of a frame's first line and its prompt, as they precede a reply.
const std::string echo = "QQISV18%=SYSVAR(18):SYSVAR(18)=8\r\n";
const std::string prompt = "\r\nOk\r\n";

std::string debugFrame(const std::string& payload) {
    return "\x01"
           "DB10100\x02" +
           payload + "\x03\x04";
}
std::string applicationFrame(const std::string& payload) {
    std::string length = std::to_string(15 + payload.size() + 2);
    return "\x01"
           "AP101" +
           std::string(8 - length.size(), '0') + length + "\x02" + payload + "\x03\x04";
}

class Owner : public Automation::Object, public IProtocolHandlerCallback {
public:
    OutputDemultiplexer* demux = nullptr;
    std::string terminal, debug, application;
    int terminalCalls = 0;
    void TerminalReceived() override {
        ++terminalCalls;
        terminal += demux->TakeTerminal();
    }
    void DebugProtocolReceived() override { debug += demux->TakeDebug(); }
    void ApplicationProtocolReceived() override { application += demux->TakeApplication(); }
    void CommandProtocolReceived(const Ref<CommandReply>&) override {}
    void ProcessEvents() override {}
    void PackageDelay() override {}
};

class OutputDemultiplexerTest : public testing::Test {
protected:
    OutputDemultiplexerTest() : replies(New<CommandReplyCollection>()), demux(replies), owner(New<Owner>()) {
        owner->demux = &demux;
        demux.setOwner(owner);
    }
    // A command waiting for the reply with this id.
    Ref<CommandReply> expect(int32_t id) {
        auto reply = New<CommandReply>();
        reply->setMsgID(id);
        replies->Add(reply);
        demux.setRunningCommand(true, id);
        return reply;
    }
    void feed(std::string_view bytes) {
        demux.AddReceivedData(bytes);
        demux.ParseReceiveBuffer();
    }
    // Pumps until the condition holds or the limit passes.
    template <class F> bool pumpUntil(F done, int32_t limitMs) {
        auto timer = New<Tickard::Timer>();
        while (!done() && timer->Elapsed() < limitMs)
            Platform::WaitForEvents(20);
        return done();
    }

    Ref<CommandReplyCollection> replies;
    OutputDemultiplexer demux;
    Ref<Owner> owner;
};

} // namespace

TEST_F(OutputDemultiplexerTest, AReplySplitAtAnyByteIsParsedOnceItIsWhole) {
    const std::string stream =
        "\r\nOk\r\n" + echo + "more echo\r\n" + replyFrame("07", "1.00\r\n") + prompt + "after";
    // Every cut up to the frame's last byte; the prompt after it is the reply's when it came along.
    for (size_t cut = 1; cut <= stream.find('\x04'); ++cut) {
        SCOPED_TRACE(cut);
        replies->RemoveAll();
        demux.RawQueue().RemoveFront(demux.RawQueue().Count());
        owner->terminal.clear();
        auto reply = expect(7);
        feed(stream.substr(0, cut));
        EXPECT_FALSE(reply->Replied());
        feed(stream.substr(cut));
        ASSERT_TRUE(reply->Replied());
        EXPECT_EQ(reply->ReplyText(), "1.00\r\n");
        EXPECT_EQ(reply->VerbosityLevel(), 1);
        EXPECT_EQ(reply->ErrorMsgType(), 2);
        EXPECT_EQ(reply->LegacyMode(), 0);
        EXPECT_EQ(reply->StdIO(), 5);
        EXPECT_EQ(reply->StartUp(), 0);
        EXPECT_EQ(reply->LineBreakStr(), "\r\n");
        EXPECT_EQ(reply->RBVersionStr(), "Rubric 8.10");
        EXPECT_EQ(reply->UserName(), "admin");
        EXPECT_EQ(reply->LeadingGarbage(), "\r\nOk\r\n" + echo + "more echo\r\n");
        EXPECT_EQ(reply->TailingGarbage(), prompt);
        demux.setRunningCommand(false, 0);
        demux.ParseReceiveBuffer();
        EXPECT_EQ(owner->terminal, "after");
    }
}

TEST_F(OutputDemultiplexerTest, TheReplyCountsAsStartedFromItsHeaderOn) {
    auto reply = expect(3);
    std::string frame = replyFrame("03", "x");
    feed(frame.substr(0, 7));
    EXPECT_TRUE(demux.TakeReplyStarted());
    EXPECT_FALSE(demux.TakeReplyStarted()) << "read and cleared";
    feed(frame.substr(7, 10));
    EXPECT_TRUE(demux.TakeReplyStarted());
    feed(frame.substr(17));
    EXPECT_TRUE(reply->Replied());
}

TEST_F(OutputDemultiplexerTest, FramesBetweenRepliesGoToTheirStreams) {
    demux.setAPSeparationEnable(true);
    auto first = expect(1);
    feed("out1" + debugFrame("execution=ON") + "\r\n" + applicationFrame("app") + replyFrame("01", "one") +
         "out2");
    EXPECT_TRUE(first->Replied());
    EXPECT_EQ(first->ReplyText(), "one");
    EXPECT_EQ(owner->debug, "execution=ON");
    EXPECT_EQ(demux.RubricMode(), enumRubricMode::RBMode_run);
    EXPECT_EQ(owner->application, applicationFrame("app"));
    auto second = expect(2);
    feed(debugFrame("dbstdio=ON execution=ON") + "X" + replyFrame("02", "t" + debugFrame("inner") + "wo"));
    EXPECT_TRUE(second->Replied());
    EXPECT_EQ(second->ReplyText(), "t" + debugFrame("inner") + "wo")
        << "a frame inside a reply is its output";
    EXPECT_EQ(demux.RubricMode(), enumRubricMode::RBMode_Break);
    EXPECT_EQ(owner->terminal, "out1out2X") << "only a line end after a debug frame is dropped";
}

TEST_F(OutputDemultiplexerTest, OutputWithoutAFrameFlowsAtOnceUnlessACommandWaits) {
    feed("Ok\r\nhello");
    EXPECT_EQ(owner->terminal, "Ok\r\nhello");
    auto reply = expect(4);
    feed("echo\r\n");
    EXPECT_EQ(owner->terminal, "Ok\r\nhello") << "it may be the echo in front of the reply";
    feed(std::string("\x13") + replyFrame("04", ""));
    EXPECT_TRUE(reply->Replied());
    EXPECT_EQ(reply->ReplyText(), "");
    EXPECT_TRUE(demux.XonXoffWarning());
}

TEST_F(OutputDemultiplexerTest, BadApplicationFramesAndStaleRepliesAreOutput) {
    std::string shortLength = "\x01"
                              "AP10100000016\x02......\x03\x04";
    std::string badEnd = applicationFrame("x");
    badEnd.back() = 'Z';
    feed(shortLength + badEnd);
    EXPECT_EQ(owner->terminal, shortLength + badEnd);
    owner->terminal.clear();

    auto reply = expect(5);
    feed(replyFrame("05", "first"));
    EXPECT_TRUE(reply->Replied());
    demux.setRunningCommand(false, 0);
    feed(replyFrame("05", "again") + replyFrame("42", "unknown"));
    EXPECT_EQ(owner->terminal, replyFrame("05", "again") + replyFrame("42", "unknown"));
    EXPECT_EQ(reply->ReplyText(), "first");
}

TEST_F(OutputDemultiplexerTest, AStrayFrameStartDoesNotHideTheReplyBehindIt) {
    auto reply = expect(9);
    feed("program \x01 output\r\n" + replyFrame("42", "stale") + replyFrame("09", "mine"));
    EXPECT_TRUE(reply->Replied());
    EXPECT_EQ(reply->ReplyText(), "mine");
    EXPECT_EQ(owner->terminal, "program \x01 output\r\n" + replyFrame("42", "stale"));
}

TEST_F(OutputDemultiplexerTest, TheRunningReplyAfterTheIdWrapSupersedesAStuckOne) {
    auto stuck = expect(99);
    std::string partial = replyFrame("99", "cut off").substr(0, 14);
    feed(partial);
    EXPECT_TRUE(demux.TakeReplyStarted());
    auto reply = expect(1);
    feed(replyFrame("01", "after the wrap"));
    EXPECT_TRUE(reply->Replied());
    EXPECT_FALSE(stuck->Replied());
    EXPECT_EQ(owner->terminal, partial);
}

TEST_F(OutputDemultiplexerTest, AnIncompleteFrameIsGivenUpAfterASecondOfSilence) {
    std::string partial = "\x01"
                          "DB10100\x02"
                          "half";
    feed("a" + partial);
    EXPECT_EQ(owner->terminal, "");
    EXPECT_TRUE(demux.WatchdogEnabled());
    auto timer = New<Tickard::Timer>();
    ASSERT_TRUE(pumpUntil([&] { return !owner->terminal.empty(); }, 3000));
    EXPECT_GE(timer->Elapsed(), 900);
    EXPECT_EQ(owner->terminal, "a" + partial);
    EXPECT_FALSE(demux.WatchdogEnabled());

    // A stale reply cut off in front of the running command's one.
    owner->terminal.clear();
    auto old = expect(10);
    feed(replyFrame("10", "x").substr(0, 12));
    auto reply = expect(11);
    feed("more");
    ASSERT_TRUE(pumpUntil([&] { return !owner->terminal.empty(); }, 3000));
    EXPECT_EQ(owner->terminal, replyFrame("10", "x").substr(0, 12) + "more");
    feed(replyFrame("11", "ok"));
    EXPECT_TRUE(reply->Replied());
}

TEST_F(OutputDemultiplexerTest, TheRunningCommandsOwnReplyWaitsAsLongAsTheCommand) {
    auto reply = expect(12);
    std::string frame = replyFrame("12", "slow");
    feed(frame.substr(0, 10));
    EXPECT_FALSE(demux.WatchdogEnabled());
    pumpUntil([] { return false; }, 1500);
    EXPECT_TRUE(owner->terminal.empty());
    feed(frame.substr(10));
    EXPECT_TRUE(reply->Replied());
    EXPECT_EQ(reply->ReplyText(), "slow");
}
