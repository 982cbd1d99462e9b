// Program operations against a scripted printer.
#include <gtest/gtest.h>

#include "Brindle/Printer.h"
#include "ErrorNumber.h"
#include "ScriptedPrinter.h"
#include "automation/Runtime.h"

using namespace Brindle;
using Automation::New;

namespace {

class PrinterProgramsTest : public ScriptedPrinterTest {
protected:
    PrinterProgramsTest() {
        sim.verbosity = 'F'; // level 5
        sim.errorMsgType = '1';
    }
    bool isTestLineList(const std::string& command) const {
        return Automation::like(command, "LIST 19999999##\r");
    }
};

} // namespace

TEST_F(PrinterProgramsTest, StatementsThatClearTheVariablesSetTheFramesSavedStateAgain) {
    printer->NewProgram();
    ASSERT_EQ(sim.commands.size(), 2u);
    EXPECT_EQ(sim.commands[0], "PRINT\"HELLO\r\n") << "an unknown state is learned first";
    EXPECT_EQ(sim.commands[1], "NEW\rQQISV19%=1:QQISV18%=5\r");

    // While a program operation runs, its reply leaves the state alone.
    sim.verbosity = 'A';
    sim.errorMsgType = '0';
    printer->NewProgram();
    printer->LoadProgramFile("c:LABEL.PRG");
    EXPECT_EQ(sim.commands[3], "LOAD\"c:LABEL.PRG\rQQISV19%=1:QQISV18%=5\r");
    printer->Command("OTHER");
    printer->NewProgram();
    EXPECT_EQ(sim.commands.back(), "NEW\rQQISV19%=0:QQISV18%=0\r");
}

TEST_F(PrinterProgramsTest, ModulesFilesAndSavesSendTheirTexts) {
    printer->LoadProgramModule("10 PRINT \"A\"\r20 END");
    EXPECT_EQ(sim.commands.back(), "\rIMMEDIATE OFF\r10 PRINT \"A\"\r20 END\rIMMEDIATE ON\r");
    printer->MergeProgramFile("c:PART.PRG");
    EXPECT_EQ(sim.commands.back(), "MERGE\"c:PART.PRG\r");

    struct Case {
        bool linenumberLess, isProtected;
        const char* sent;
    };
    const Case cases[] = {{true, true, "SAVE\"c:P.PRG\",L,P\r"},
                          {true, false, "SAVE\"c:P.PRG\",L\r"},
                          {false, true, "SAVE\"c:P.PRG\",P\r"},
                          {false, false, "SAVE\"c:P.PRG\"\r"}};
    for (const auto& c : cases) {
        printer->SaveProgramFile("c:P.PRG", c.linenumberLess, c.isProtected);
        EXPECT_EQ(sim.commands.back(), c.sent);
    }
    printer->SaveProgramFile("c:P.PRG");
    EXPECT_EQ(sim.commands.back(), "SAVE\"c:P.PRG\",L\r");
}

TEST_F(PrinterProgramsTest, PrinterErrorsAreRaisedOnlyWhenAsked) {
    sim.answer = [](const std::string&) {
        return Answer{"Error 30 in line 20: Undefined line number\r\n", 1};
    };
    printer->LoadProgramModule("20 GOTO 99");
    printer->MergeProgramFile("c:BAD.PRG");
    ASSERT_EQ(printer->Errors()->Count(), 1);
    EXPECT_EQ(printer->Errors()->Item(1)->Number(), 30);
    EXPECT_TRUE(isError(raisedError([&] { printer->MergeProgramFile("c:BAD.PRG", nullptr, true); }), 50030,
                        "ProtocolHandler:Command Method>Printer:MergeProgram Method",
                        "RB Error:Undefined line number"));
    EXPECT_EQ(raisedError([&] { printer->NewProgram(); }).Source(),
              "ProtocolHandler:Command Method>Printer:NewProgram Method");

    size_t before = sim.commands.size();
    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { printer->LoadProgramFile("c:A\"\rKILL\"c:B"); },
             [&] { printer->MergeProgramFile("c:\x01"); }, [&] { printer->SaveProgramFile("c:\""); }})
        EXPECT_EQ(errorNumberOf(call), 101);
    EXPECT_EQ(sim.commands.size(), before);
    auto unbound = New<Printer>();
    EXPECT_TRUE(isError(raisedError([&] { unbound->CanRunProgram(); }), 116, "Printer:CanRunProgram Method",
                        "No connection is set."));
    EXPECT_EQ(raisedError([&] { unbound->LoadProgramFile("c:A"); }).Source(), "Printer:LoadProgram Method");
}

TEST_F(PrinterProgramsTest, AProgramIsTriedOnAFreeLineAfterTheDebuggerIsOff) {
    int lists = 0;
    bool fails = false;
    sim.answer = [&](const std::string& command) {
        if (command == "PRINTSYSVAR(36);:LIST,B\r")
            return Answer{"1\r\n"};
        if (isTestLineList(command))
            return Answer{++lists <= 2 ? "1999999950 REM used\r\n" : "\r\n"};
        if (fails && command.find("RUN") != std::string::npos)
            return Answer{"PROGRAM CAN EXECUTE\r\nError 1022 in line 20: Invalid font\r\n", 1};
        return Answer{"HELLO\r\n"};
    };
    EXPECT_TRUE(printer->CanRunProgram());
    ASSERT_EQ(sim.commands.size(), 7u);
    EXPECT_EQ(sim.commands[2], "SYSVAR(36)=0\r");
    for (size_t i = 3; i <= 5; ++i)
        EXPECT_TRUE(isTestLineList(sim.commands[i])) << sim.commands[i];
    std::string n = sim.commands[5].substr(5, 10);
    EXPECT_EQ(sim.commands[6],
              n + "PRINT \"PROGRAM CAN EXECUTE\":END\rRUN " + n + "\r" + n + "\rQQISV19%=1:QQISV18%=5\r");

    fails = true;
    EXPECT_FALSE(printer->CanRunProgram()) << "a printer error of the run is the answer";

    lists = -100; // every line is in use
    sim.commands.clear();
    EXPECT_TRUE(isError(raisedError([&] { printer->CanRunProgram(); }), 101, "Printer:CanRunProgram Method",
                        "The operation failed because of invalid data."));
    EXPECT_EQ(sim.commands.size(), 22u) << "the debugger switched off, and a bounded search";
}
