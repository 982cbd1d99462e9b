// Configuration and setup commands of every version against a scripted printer.
#include <gtest/gtest.h>
#include <tuple>

#include "Brindle/Printer.h"
#include "ErrorNumber.h"
#include "ScriptedPrinter.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

namespace {

class SetupClient : public IPrinterClientObj {
public:
    std::vector<std::string> setups;
    void SetupRefresh(const std::string& NewData) override { setups.push_back(NewData); }
};

class PrinterSetupTest : public ScriptedPrinterTest {
protected:
    // The printer learns the version; what it is sent afterwards is recorded anew.
    void useVersion(const char* version) {
        sim.version = version;
        printer->Command("FIRST");
        sim.commands.clear();
    }
    std::string sent() const { return sim.commands.empty() ? std::string() : sim.commands.back(); }
};

const char* const hardwareProbe =
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

} // namespace

TEST_F(PrinterSetupTest, HardwareOptionsFollowTheProbeAndTheVersion) {
    struct Case {
        const char* version;
        const char* reply;
        int32_t options;
    };
    const char* dualWithEthernet = "HeadRes:12\r\nHeadW:104\r\nDuart\r\nEthernet\r\n";
    const Case cases[] = {
        {"Rubric 8.00", dualWithEthernet, 2048 + 1 + 8},
        {"Rubric 7.10", dualWithEthernet, 2048 + 1 + 4},
        {"Rubric 10.10", dualWithEthernet, 2048 + 1 + 64},
        {"Rubric 8.10", "HeadRes: 8\r\nCentronics\r\nInd.IF\r\n", 1024 + 32 + 16},
        {"Rubric 8.10", "HeadRes:16\r\nRS485\r\n", 4096 + 2},
        {"Rubric 8.10", "HeadRes:10\r\nHeadRes:12\r\n", 0},
        {"Rubric 8.10", "HeadRes\r\n", 0},
    };
    for (const auto& c : cases) {
        useVersion(c.version);
        sim.answer = [&](const std::string&) { return Answer{c.reply}; };
        EXPECT_EQ(printer->GetHardwareConfiguration(), c.options) << c.version << " " << c.reply;
        ASSERT_EQ(sim.commands.size(), 1u);
        EXPECT_EQ(sim.commands[0], hardwareProbe);
    }
    useVersion("Rubric 6.50");
    EXPECT_TRUE(isError(raisedError([&] { printer->GetHardwareConfiguration(); }), 200,
                        "Printer:GetHardwareConfiguration Method",
                        "The operation is not supported by this printer's version."));
    useVersion("Rubric 5.00");
    EXPECT_EQ(printer->GetHardwareConfiguration(), 0);
    EXPECT_TRUE(sim.commands.empty());
}

TEST_F(PrinterSetupTest, MemorySizesAreReadFromThePrintersPrograms) {
    sim.answer = [](const std::string& command) {
        if (command == "run\"partinfo\r")
            return Answer{"Partitions\r\n\r\nc:\t\t6144 kB\r\nrom:\t2048 kB\r\nflashx:\t\t512 kB\r\n"};
        if (command == "run\"meminfo\r")
            return Answer{"TotalRam: 1 kB\r\n Total Ram:  32768 kB\r\nFree Ram: 100 kB\r\n"};
        if (command == "run\"df\r")
            return Answer{"Device  Size  Used\r\n card1:  16384 12\r\n"};
        return Answer{""};
    };
    for (const char* version : {"Rubric 7.10", "Rubric 10.10"}) {
        useVersion(version);
        EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_flash), 8192) << version;
        EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_ram), 32768);
        EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_card1), 16384);
        EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_Rom), 0);
        EXPECT_EQ(sim.commands, (std::vector<std::string>{"run\"partinfo\r", "run\"meminfo\r", "run\"df\r"}));
    }
    sim.answer = [](const std::string&) { return Answer{"no such lines\r\n"}; };
    EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_ram), 0);
    EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_card1), 0);
    sim.answer = [](const std::string&) { return Answer{"c: 2000000000 kB\r\nd: 2000000000 kB\r\n"}; };
    auto overflow = raisedError([&] { printer->GetMemoryConfiguration(MemoryType_flash); });
    EXPECT_EQ(overflow.Number(), 6);
    EXPECT_TRUE(overflow.Source().ends_with(">Printer:GetMemoryConfiguration Method")) << overflow.Source();

    useVersion("Rubric 6.50");
    for (auto type : {MemoryType_Rom, MemoryType_flash, MemoryType_ram, MemoryType_card1})
        EXPECT_EQ(errorNumberOf([&] { printer->GetMemoryConfiguration(type); }), 200) << type;
    useVersion("Rubric 5.00");
    EXPECT_EQ(printer->GetMemoryConfiguration(MemoryType_flash), 0);
    EXPECT_TRUE(sim.commands.empty());
}

TEST_F(PrinterSetupTest, SetupParametersAreChangedAndReadPerVersion) {
    auto client = New<SetupClient>();
    printer->AddClient(client);
    sim.answer = [](const std::string& command) {
        return Answer{command.find("setup sw") != std::string::npos || command.rfind("SETUP WRITE", 0) == 0
                          ? "[SER-COM]\r\n"
                          : "9600"};
    };
    struct Case {
        const char* version;
        const char* value;
        const char* change;       // what ChangeSetupParameter sends, "" for nothing
        const char* notification; // what the clients hear of it
        const char* setup;        // what GetSetup sends
    };
    const Case cases[] = {
        {"Rubric 7.10", "9600",
         "SETUP\"SER-COM,UART1,BAUDRATE,9600\rSETUP GET\"prt\",\"SER-COM,UART1,BAUDRATE\",QQVS0$:PRINT "
         "QQVS0$;\r",
         "SER-COM,UART1,BAUDRATE,9600", "RUN\"setup sw \r"},
        {"Rubric 10.10", "9600",
         "SETUP\"SER-COM,UART1,BAUDRATE,9600\rSETUP GET\"prt\",\"SER-COM,UART1,BAUDRATE\",QQVS0$:PRINT "
         "QQVS0$;\r",
         "SER-COM,UART1,BAUDRATE,9600", "RUN\"setup sw \r"},
        {"Rubric 6.50", "19200", "SETUP\"SER-COM,UART1,BAUDRATE,19200\r", "SER-COM,UART1,BAUDRATE,19200",
         "SETUP WRITE\"net1:\r"},
        {"Rubric 5.00", "9600", "", "", ""},
    };
    for (const auto& c : cases) {
        useVersion(c.version);
        client->setups.clear();
        printer->ChangeSetupParameter("SER-COM,UART1,BAUDRATE", c.value);
        EXPECT_EQ(sent(), c.change) << c.version;
        sim.commands.clear();
        EXPECT_EQ(printer->GetSetup(), *c.setup ? "[SER-COM]\r\n" : "") << c.version;
        EXPECT_EQ(sent(), c.setup) << c.version;
        EXPECT_EQ(client->setups,
                  (std::vector<std::string>{c.notification, *c.setup ? "[SER-COM]\r\n" : ""}));
    }
    client->setups.clear();
    EXPECT_EQ(printer->GetSetupParameter("MEDIA,MEDIA SIZE,WIDTH"), "9600") << "no version gate";
    EXPECT_EQ(sent(), "SETUP GET\"prt\",\"MEDIA,MEDIA SIZE,WIDTH\",QQVS0$:PRINT QQVS0$;\r");
    printer->setRefreshNotificationsEnabled(false);
    printer->GetSetupParameter("A");
    EXPECT_EQ(client->setups, (std::vector<std::string>{"MEDIA,MEDIA SIZE,WIDTH,9600"}));
    printer->RemoveClient(client);
}

TEST_F(PrinterSetupTest, UsersDevicesAndTheDebuggerAreReachedByTheirCommands) {
    useVersion("Rubric 8.10");
    printer->ChangeUser("supervisor");
    EXPECT_EQ(sent(), "RUN\"su supervisor\r");
    printer->ChangeUser("supervisor", "vantor");
    EXPECT_EQ(sent(), "RUN\"su -p vantor supervisor\r");
    printer->FormatDevice("card1:");
    EXPECT_EQ(sent(), "FORMAT \"card1:\"\r");

    struct Case {
        const char* version;
        const char* reply;
        bool enabled;
    };
    const Case cases[] = {{"Rubric 8.10", "1\r\n", true},       {"Rubric 8.10", "0\r\n", false},
                          {"Rubric 8.10", "0\r\n10\r\n", true}, {"Rubric 7.62", "", false},
                          {"Rubric 10.00", "1", true},          {"Rubric 7.60", "1\r\n", false}};
    for (const auto& c : cases) {
        useVersion(c.version);
        sim.answer = [&](const std::string&) { return Answer{c.reply}; };
        EXPECT_EQ(printer->IsDebuggerEnabled(), c.enabled) << c.version << " " << c.reply;
        EXPECT_EQ(sent(), std::string(c.version) == "Rubric 7.60" ? "" : "PRINTSYSVAR(36);:LIST,B\r")
            << c.version;
    }
}

TEST_F(PrinterSetupTest, UnsafeValuesAndAMissingConnectionAreRefusedBeforeSending) {
    useVersion("Rubric 8.10");
    // The description says which value and why; a password is named, never shown.
    const char* quote = "holds a quotation mark, which a printer command cannot carry.";
    const std::tuple<const char*, std::string, std::function<void()>> unsafe[] = {
        {"Printer:ChangeSetupParameter Method", std::string("The value \"A\",\"B\" ") + quote,
         [&] { printer->ChangeSetupParameter("A\",\"B", "1"); }},
        {"Printer:ChangeSetupParameter Method",
         "The value \"1<13>KILL\"c:x\" holds a control character (code 13), which a printer command cannot "
         "carry.",
         [&] { printer->ChangeSetupParameter("A", "1\rKILL\"c:x"); }},
        {"Printer:GetSetupParameter Method", std::string("The value \"A\"\" ") + quote,
         [&] { printer->GetSetupParameter("A\""); }},
        {"Printer:ChangeUser Method",
         "The password holds a quotation mark or a control character, which a printer command cannot carry.",
         [&] { printer->ChangeUser("admin", "x\"\rKILL\"c:a"); }},
        {"Printer:ChangeUser Method",
         "The password holds a blank, which would end it on the printer's command line.",
         [&] { printer->ChangeUser("admin", "two words"); }},
        {"Printer:ChangeUser Method",
         "The value \"ad<10>min\" holds a control character (code 10), which a printer command cannot carry.",
         [&] { printer->ChangeUser("ad\nmin"); }},
        {"Printer:FormatDevice Method", std::string("The value \"c:\"+\"\" ") + quote,
         [&] { printer->FormatDevice("c:\"+\""); }},
    };
    for (const auto& [source, detail, call] : unsafe)
        EXPECT_TRUE(isError(raisedError(call), 101, source,
                            "The operation failed because of invalid data. " + detail));
    EXPECT_TRUE(sim.commands.empty());

    auto unbound = New<Printer>();
    const std::pair<const char*, std::function<void()>> unconnected[] = {
        {"Printer:FormatDevice Method", [&] { unbound->FormatDevice("c:"); }},
        {"Printer:GetHardwareConfiguration Method", [&] { unbound->GetHardwareConfiguration(); }},
        {"Printer:GetMemoryConfiguration Method", [&] { unbound->GetMemoryConfiguration(MemoryType_ram); }},
        {"Printer:ChangeSetupParameter Method", [&] { unbound->ChangeSetupParameter("A", "1"); }},
        {"Printer:GetSetupParameter Method", [&] { unbound->GetSetupParameter("A"); }},
        {"Printer:GetSetup Method", [&] { unbound->GetSetup(); }},
        {"Printer:ChangeUser Method", [&] { unbound->ChangeUser("admin"); }},
        {"Printer:IsDebuggerEnabled Method", [&] { unbound->IsDebuggerEnabled(); }},
    };
    for (const auto& [source, call] : unconnected)
        EXPECT_TRUE(isError(raisedError(call), 116, source, "No connection is set."));
}
