// Configuration, setup and program operations against the simulated printer over TCP.
#include <gtest/gtest.h>

#include "Brindle/Printer.h"
#include "ErrorNumber.h"
#include "SimulatedPrinterBench.h"
#include "Tickard/Timer.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

using Bench = SimulatedPrinterBench;

TEST(PrinterConfigurationE2E, HardwareAndMemoryAreWhatThePrinterCarries) {
    struct Case {
        const char* version;
        int32_t options; // what the simulated model carries
    };
    const Case cases[] = {
        {"7.50", HardwareOption_300DPI + HardwareOption_DuelRS232 + HardwareOption_HubletK1},
        {"8.10", HardwareOption_200DPI + HardwareOption_HubletK1x},
        {"10.20", HardwareOption_200DPI + HardwareOption_Centronics + HardwareOption_IndustrialIF +
                      HardwareOption_HubletN3},
    };
    for (const auto& c : cases) {
        Bench bench(c.version);
        EXPECT_EQ(bench.printer->GetHardwareConfiguration(), c.options) << c.version;
        EXPECT_EQ(bench.printer->GetMemoryConfiguration(MemoryType_flash), bench.profile.flashKb)
            << c.version;
        EXPECT_EQ(bench.printer->GetMemoryConfiguration(MemoryType_ram), bench.profile.ramKb) << c.version;
        EXPECT_EQ(bench.printer->GetMemoryConfiguration(MemoryType_card1), 16384) << c.version;
    }
    Bench old("6.50");
    EXPECT_EQ(errorNumberOf([&] { old.printer->GetHardwareConfiguration(); }), 200);
    EXPECT_EQ(errorNumberOf([&] { old.printer->GetMemoryConfiguration(MemoryType_ram); }), 200);
}

TEST(PrinterConfigurationE2E, SetupIsChangedReadBackAndDumped) {
    for (const char* version : {"8.10", "6.50"}) {
        Bench bench(version);
        bench.printer->ChangeSetupParameter("SER-COM,UART1,BAUDRATE", "19200");
        EXPECT_EQ(bench.sim.setupValue("SER-COM,UART1,BAUDRATE"), "19200") << version;
        EXPECT_EQ(bench.printer->GetSetupParameter("SER-COM,UART1,BAUDRATE"), "19200") << version;
        std::string setup = bench.printer->GetSetup();
        EXPECT_NE(setup.find("19200"), std::string::npos) << version << setup;
    }
}

TEST(PrinterConfigurationE2E, TheUserChangesWithTheRightPassword) {
    Bench bench("8.10");
    bench.printer->ChangeUser("supervisor", "vantor");
    EXPECT_EQ(bench.sim.user(), "supervisor");
    bench.printer->ChangeUser("admin", "wrong");
    EXPECT_EQ(bench.sim.user(), "supervisor");
    EXPECT_EQ(bench.printer->UserName(), "supervisor") << "the trailer of the last reply";
    bench.printer->ChangeUser("user");
    EXPECT_EQ(bench.printer->UserName(), "user");
    EXPECT_FALSE(bench.printer->IsDebuggerEnabled());
}

TEST(PrinterConfigurationE2E, ARebootClosesTheLinkAndForgetsThePrinterState) {
    for (bool silent : {false, true}) {
        Bench bench("8.10");
        EXPECT_EQ(bench.printer->RubricVersion(), "8.10");
        auto timer = New<Tickard::Timer>();
        bench.printer->Reboot(silent);
        EXPECT_GE(timer->Elapsed(), 1000);
        EXPECT_FALSE(bench.connection->PortOpen());
        EXPECT_TRUE(bench.received("REBOOT"));
        EXPECT_EQ(bench.received("LED0ON:LED1ON"), !silent);
        EXPECT_EQ(bench.sim.display(), silent ? QByteArray()
                                              : QByteArray("\x9b"
                                                           "2JRebooting        WAIT..."));
        EXPECT_EQ(bench.printer->LegacyMode(), 0) << "nothing known, and no printer to ask";
    }
}

TEST(PrinterConfigurationE2E, ProgramsAreEnteredSavedLoadedAndTried) {
    Bench bench("8.10");
    bench.printer->LoadProgramModule("10 PRINT \"X\"\r20 END");
    bench.printer->SaveProgramFile("c:T.PRG", false, false);
    EXPECT_TRUE(bench.sim.files().contains("c:T.PRG")) << bench.sim.files().keys().join(' ').toStdString();
    bench.printer->NewProgram();
    bench.printer->LoadProgramFile("c:T.PRG");
    EXPECT_TRUE(bench.printer->CanRunProgram());
    bench.printer->MergeProgramFile("c:T.PRG");
    EXPECT_TRUE(bench.printer->CanRunProgram());
    EXPECT_EQ(bench.sim.sysvar(18), 0) << "the verbosity restored";
    EXPECT_EQ(bench.sim.sysvar(19), 2) << "the error message type restored";
}
