#include "Brindle/Printer.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "Brindle/Global.h"
#include "ControlHarness.h"
#include "ErrorNumber.h"
#include "ScriptedPrinter.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

namespace {

class Client : public IPrinterClientObj {
public:
    int refreshes = 0;
    void PrinterRefresh() override { ++refreshes; }
};

using PrinterTest = ScriptedPrinterTest;

} // namespace

TEST_F(PrinterTest, RepliesFillThePrinterStateStartingWithTheHello) {
    auto client = New<Client>();
    printer->AddClient(client);
    sim.answer = [](const std::string& command) {
        return Answer{command == "PRINT\"HELLO\r\n" ? "HELLO\r\n" : "v\r\n"};
    };
    EXPECT_TRUE(printer->IsImmediateMode());
    EXPECT_EQ(printer->RubricVersionStr(), "Rubric 8.10 Beta 3");
    EXPECT_EQ(printer->RubricVersion(), "8.10");
    EXPECT_EQ(printer->StdIO(), 5);
    EXPECT_EQ(printer->StdioStr(), "net1:");
    EXPECT_EQ(printer->LegacyMode(), 0);
    EXPECT_EQ(printer->LineBreakStr(), "\r\n");
    EXPECT_EQ(printer->UserName(), "admin");
    EXPECT_EQ(client->refreshes, 1) << "the first version text";
    EXPECT_EQ(printer->Command("PRINT VERSION$(0)"), "v\r\n");
    ASSERT_EQ(sim.commands.size(), 2u);
    EXPECT_EQ(sim.commands[1], "PRINT VERSION$(0)\r");
    EXPECT_EQ(client->refreshes, 1) << "the same version is no change";
    printer->RemoveClient(client);
}

TEST_F(PrinterTest, PrinterErrorsAreRaisedWithTheirNumberAndText) {
    sim.answer = [](const std::string& command) {
        if (command.find("BAD") != std::string::npos)
            return Answer{"Error 1022 in line 20: Invalid font\r\nno error here\r\nError 5: second\r\n", 2};
        return Answer{"no error line\r\n", 1};
    };
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("BAD"); }), 51022,
                        "ProtocolHandler:Command Method", "RB Error:Invalid font"));
    ASSERT_EQ(printer->Errors()->Count(), 2);
    EXPECT_EQ(printer->Errors()->Item(2)->Number(), 5);
    EXPECT_EQ(printer->Command("BAD", nullptr, 0, true, false),
              "Error 1022 in line 20: Invalid font\r\nno error here\r\nError 5: second\r\n");
    EXPECT_EQ(printer->Command("GOOD"), "no error line\r\n")
        << "a count without an error line raises nothing";
    EXPECT_EQ(printer->Errors()->Count(), 0);
}

TEST_F(PrinterTest, ASilentPrinterTimesOut) {
    sim.answer = [](const std::string&) { return Answer{"", 0, true}; };
    auto timer = New<Tickard::Timer>();
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("X"); }), 119, "ProtocolHandler:Query Method",
                        "The printer does not respond."));
    EXPECT_GE(timer->Elapsed(), 2000) << "the network's first-response limit while the version is unknown";
    timer->Reset();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("X", nullptr, 3000); }), 120);
    EXPECT_GE(timer->Elapsed(), 3000) << "a given time-out replaces the first-response limit";
}

TEST_F(PrinterTest, AnUnfinishedReplyWaitsUntilAbortedOrTheLinkDrops) {
    sim.answer = [](const std::string&) { return Answer{"partial output", 0, false, 60}; };
    auto abortLater = New<Tickard::TimerEvent>();
    abortLater->setInterval(2500);
    auto c = abortLater->Timer.connect([&] {
        abortLater->setEnabled(false);
        printer->AbortCommand();
    });
    abortLater->setEnabled(true);
    auto timer = New<Tickard::Timer>();
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("SLOW"); }), 113, "ProtocolHandler:Query Method",
                        "The operation was cancelled."));
    EXPECT_GE(timer->Elapsed(), 2500);

    sim.answer = [](const std::string&) { return Answer{"partial output", 0, false, 60, true}; };
    timer->Reset();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("SLOW"); }), 108);
    EXPECT_LT(timer->Elapsed(), 2000);
}

TEST_F(PrinterTest, ACommandIsRefusedWhileOneRunsOrTheLinkIsBusy) {
    // Every handler that runs while a printer waits runs inside its connection's pump.
    int32_t busy = 0;
    auto r =
        connection->OnReceive.connect([&] { busy = errorNumberOf([&] { printer->Command("IN RECEIVE"); }); });
    sim.answer = [](const std::string&) { return Answer{"x"}; };
    printer->Command("Y");
    EXPECT_EQ(busy, 121);
    r.disconnect();

    // A handler without an owner pumps the thread itself; a second command
    // is refused and leaves an abort pending for the running one.
    auto handler = New<ProtocolHandler>();
    int32_t nested = 0;
    auto during = New<Tickard::TimerEvent>();
    during->setInterval(50);
    auto c = during->Timer.connect([&] {
        during->setEnabled(false);
        handler->Abort();
        std::string text = "NESTED";
        nested = errorNumberOf([&] { handler->Command(text, connection, nullptr, 0, true, true); });
    });
    sim.answer = [&](const std::string&) {
        during->setEnabled(true);
        return Answer{"", 0, true};
    };
    std::string text = "X";
    EXPECT_EQ(errorNumberOf([&] { handler->Command(text, connection, nullptr, 5000, true, true); }), 113);
    EXPECT_EQ(nested, 123);
}

TEST_F(PrinterTest, ThePackageDelayAndTheCommandFormsFollowTheVersion) {
    struct Case {
        const char* version;
        bool delayed;
        const char* probe; // what IsDeviceMounted sends, "" for nothing
    };
    const Case cases[] = {
        {"Rubric 7.40", true, "RUN\"df card1:\r"},
        {"Rubric 8.10", false, "RUN\"df card1:\r"},
        {"Rubric 10.20", false, "RUN\"df card1:\r"},
        {"Rubric 6.50", false, "OPEN\"card1:\" FOR INPUT AS #9091:CLOSE 9091\r"},
        {"Rubric 5.00", false, ""},
    };
    sim.answer = [](const std::string&) { return Answer{"x"}; };
    for (const auto& c : cases) {
        sim.version = c.version;
        printer->Command("FIRST"); // learns the version
        sim.commands.clear();
        sim.packageGaps.clear();
        printer->IsDeviceMounted("card1:");
        EXPECT_EQ(sim.commands.empty() ? std::string() : sim.commands[0], c.probe) << c.version;
        if (!sim.packageGaps.empty()) {
            EXPECT_EQ(sim.packageGaps[0] >= 450, c.delayed) << c.version << " gap " << sim.packageGaps[0];
        }
    }
    sim.commands.clear();
    EXPECT_TRUE(isError(raisedError([&] { printer->IsDeviceMounted("c:\"+KILL\"x"); }), 101,
                        "Printer:IsDeviceMounted Method", "The operation failed because of invalid data."));
    EXPECT_TRUE(sim.commands.empty());
}

TEST_F(PrinterTest, DisplayAndFreeSpaceCommandsFollowTheVersion) {
    struct Case {
        const char* version;
        const char* display; // what SetDisplay sends, "" for nothing
    };
    const Case cases[] = {
        {"Rubric 7.40", "RUN\"cat -20 > console:\rLine one is long oky\rSOUND 440,100\r\r"},
        {"Rubric 10.20", "RUN\"cat -20 > console:\rLine one is long oky\rSOUND 440,100\r\r"},
        {"Rubric 6.50", "OPEN\"CONSOLE:\"FOR OUTPUT AS 10956:PRINT#10956,\"Line one is long  oky\";\r"
                        "CLOSE10956\rSOUND 440,100\r\r"},
        {"Rubric 5.00", ""},
    };
    sim.answer = [](const std::string& command) {
        return Answer{command.rfind("FILES", 0) == 0 ? "a.txt 12\r\n  123456 bytes free\r\n" : ""};
    };
    for (const auto& c : cases) {
        sim.version = c.version;
        printer->Command("FIRST");
        sim.commands.clear();
        printer->SetDisplay("Line one is long oky", 440, 100);
        EXPECT_EQ(sim.commands.empty() ? std::string() : sim.commands[0], c.display) << c.version;
    }
    sim.version = "Rubric 6.50";
    printer->Command("FIRST");
    sim.commands.clear();
    EXPECT_EQ(errorNumberOf([&] { printer->SetDisplay("say \"hi\""); }), 101)
        << "inside a quoted string on 6.x";
    EXPECT_EQ(printer->GetBytesFree("CARD1:"), 123456);
    ASSERT_EQ(sim.commands.size(), 1u);
    EXPECT_EQ(sim.commands[0], "FILES \"card1:\r");
}

TEST_F(PrinterTest, ALegacyModeChangeCountsOnlyFromVersion8On) {
    auto client = New<Client>();
    printer->AddClient(client);
    int refreshed = 0;
    auto e = printer->OnPrinterRefresh.connect([&] { ++refreshed; });
    sim.answer = [](const std::string&) { return Answer{""}; };
    for (const char* version : {"Rubric 7.40", "Rubric 8.10"}) {
        sim.version = version;
        printer->Command("A"); // a new version text is a change
        refreshed = 0;
        sim.legacyMode = sim.legacyMode == '0' ? '1' : '0';
        printer->Command("B");
        EXPECT_EQ(refreshed, std::string(version) == "Rubric 8.10" ? 1 : 0) << version;
        EXPECT_EQ(printer->LegacyMode(), sim.legacyMode - '0');
    }
    printer->RemoveClient(client);
}

TEST(PrinterOnSerial, WaitsTheSerialFirstResponseLimitWithoutAPause) {
    Platform::Serial::Testing::Pty pty;
    Platform::Serial::Testing::ComDir com{pty.slaveName()};
    auto connection = Tethra::Global::CreateSerialConnectionObj(1, 115200, Tethra::Parity_None, 8, 1,
                                                                Tethra::HandShake_None);
    connection->setPortOpen(true);
    auto printer = Global::CreatePrinterObj(connection);
    auto timer = New<Tickard::Timer>();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("PRINT 1"); }), 119);
    EXPECT_GE(timer->Elapsed(), 1000);
    EXPECT_LT(timer->Elapsed(), 1500) << "no pause between the packages and a limit of 1000 ms";
    Global::TeardownPrinterObj(printer);
}
