// The printer's configuration: devices, hardware and memory, setup
// parameters, the shell user, the debugger and the reboot.
#include <cmath>

#include "Brindle/Globals.h"
#include "Brindle/Printer.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

using Dialect = RubricVersionNumber::Dialect;
using Platform::ErrorTextProvider;

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The reply's lines, without empty ones, each trimmed.
std::vector<std::string> replyLines(const std::string& reply) {
    return Globals::Split(reply, "\r\n", true, true);
}

// The blank-separated fields of a line.
std::vector<std::string> fields(const std::string& line) {
    return Globals::Split(line, " ", true);
}

// The probe program that prints what the printer carries, one line each.
constexpr const char* hardwareProbe[] = {
    "PRINT\"HeadRes:\"+STR$(SYSVAR(21)):PRINT\"HeadW:\"+STR$(SYSVAR(22)):SYSVAR(19)=1",
    "JUNK$=\"\":SETUP GET\"prt\",\"SER-COM,UART3,BAUDRATE\",JUNK$",
    "If LEN(JUNK$)>0 Then PRINT\"Duart\"",
    "JUNK$=\"\":OPEN\"centronics:\" FOR INPUT AS 147:JUNK$=\"A\":CLOSE147",
    "If LEN(JUNK$)>0 Then PRINT\"Centronics\"",
    "JUNK$=\"\":OPEN\"net1:\" FOR INPUT AS 147:JUNK$=\"A\":CLOSE147",
    "IF LEN(JUNK$)>0 THEN PRINT\"Ethernet\"",
    "JUNK$=\"\":JUNK$=STR$(PORTIN(101)):JUNK$ = \"A\"",
    "IF LEN(JUNK$)>0 THEN PRINT \"Ind.IF\"",
    "JUNK$=STR$(SYSVAR(15))",
};

int32_t headResolutionOption(const std::string& reply) {
    for (const auto& line : Globals::Split(reply, "\r\n")) {
        if (!contains(line, "HeadRes"))
            continue;
        auto pieces = Globals::Split(line, ":");
        double dotsPerMm = pieces.size() > 1 ? Automation::val(pieces[1]) : 0;
        if (std::fabs(dotsPerMm) >= 1e6)
            return 0;
        switch (Automation::toLong(dotsPerMm)) {
        case 8:
            return HardwareOption_200DPI;
        case 12:
            return HardwareOption_300DPI;
        case 16:
            return HardwareOption_400DPI;
        default:
            return 0;
        }
    }
    return 0;
}

// The total of the flash partitions that partinfo lists, without the spare one.
int32_t flashTotal(const std::string& reply) {
    std::string text = reply;
    for (char& c : text)
        if (c == '\t')
            c = ' ';
    int32_t total = 0;
    for (const auto& line : replyLines(text)) {
        auto f = fields(line);
        // A line without a size field (a heading) adds nothing.
        if (contains(line, "flashx:") || f.size() < 2)
            continue;
        total = Automation::toLong(total + Automation::val(f[f.size() - 2]));
    }
    return total;
}

// The number in a field of the first line that holds the marker; 0 without such a line.
double fieldOfLine(const std::string& reply, std::string_view marker, bool secondToLast) {
    for (const auto& line : replyLines(reply)) {
        if (!contains(line, marker))
            continue;
        auto f = fields(line);
        if (f.size() < 2)
            return 0;
        return Automation::val(secondToLast ? f[f.size() - 2] : f[1]);
    }
    return 0;
}

// Whether the printer's version has the configuration programs: nothing is
// asked below 6.14, and the versions before 7.00 refuse with 200.
bool probesConfiguration(Printer& printer, const std::string& source) {
    Dialect dialect = Globals::Operation(bool(printer.Connection()), source, [&] {
        return RubricVersionNumber::FromText(printer.RubricVersion()).CommandDialect();
    });
    if (dialect == Dialect::Basic)
        ErrorTextProvider::RaiseLibraryError(200, source);
    return dialect == Dialect::Shell;
}

} // namespace

void Printer::FormatDevice(const std::string& DeviceName,
                           const Automation::Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:FormatDevice Method";
    Globals::CheckRubricValue(DeviceName, source);
    Globals::Operation(bool(connection_), source,
                       [&] { Command("FORMAT \"" + DeviceName + "\"\r", Progress); });
}

void Printer::UpgradeFirmware(const Automation::Variant&, const Automation::Ref<Gaugely::Progress>&) {}

int32_t Printer::GetHardwareConfiguration() {
    const std::string source = "Printer:GetHardwareConfiguration Method";
    if (!probesConfiguration(*this, source))
        return 0;
    return Globals::Operation(bool(connection_), source, [&] {
        std::string probe;
        for (const char* line : hardwareProbe)
            probe += std::string(line) + "\r";
        std::string reply = Command(probe);
        int32_t options = headResolutionOption(reply);
        if (contains(reply, "Centronics"))
            options += HardwareOption_Centronics;
        if (contains(reply, "RS485"))
            options += HardwareOption_RS485;
        if (contains(reply, "Duart"))
            options += HardwareOption_DuelRS232;
        if (contains(reply, "Ind.IF"))
            options += HardwareOption_IndustrialIF;
        // The reply's trailer may have brought another version.
        if (contains(reply, "Ethernet"))
            options += RubricVersionNumber::FromText(RubricVersion()).NetworkCardOption();
        return options;
    });
}

int32_t Printer::GetMemoryConfiguration(enumMemoryTypes MemoryType) {
    const std::string source = "Printer:GetMemoryConfiguration Method";
    if (!probesConfiguration(*this, source))
        return 0;
    return Globals::Operation(bool(connection_), source, [&]() -> int32_t {
        switch (MemoryType) {
        case MemoryType_flash:
            return flashTotal(Command("run\"partinfo\r"));
        case MemoryType_ram:
            return Automation::toLong(fieldOfLine(Command("run\"meminfo\r"), " Ram", true));
        case MemoryType_card1:
            return Automation::toLong(fieldOfLine(Command("run\"df\r"), "card1", false));
        default:
            return 0;
        }
    });
}

void Printer::Reboot(bool Silent) {
    Automation::Ref<Printer> keepAlive = self<Printer>();
    if (!Silent) {
        Command("LED0ON:LED1ON\r");
        SetDisplay("\x9b"
                   "2JRebooting        WAIT...",
                   1500, 10);
    }
    // No reply comes: the printer goes away at once.
    Automation::Ref<Tethra::Connection> connection = connection_;
    connection->Send("\rREBOOT\r");
    connection->Wait(1000, true);
    connection->setPortOpen(false);
    ClearCache();
}

void Printer::ChangeSetupParameter(const std::string& SetupKey, const std::string& NewValue) {
    const std::string source = "Printer:ChangeSetupParameter Method";
    Globals::CheckRubricValue(SetupKey, source);
    Globals::CheckRubricValue(NewValue, source);
    Globals::Operation(bool(connection_), source, [&] {
        std::string change = "SETUP\"" + SetupKey + "," + NewValue + "\r";
        std::string notification;
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case Dialect::Shell:
            notification = SetupKey + "," +
                           Command(change + "SETUP GET\"prt\",\"" + SetupKey + "\",QQVS0$:PRINT QQVS0$;\r");
            break;
        case Dialect::Basic:
            Command(change);
            notification = SetupKey + "," + NewValue;
            break;
        case Dialect::None:
            break;
        }
        if (refreshNotificationsEnabled_)
            NotifyClientsAboutSetupRefresh(notification);
    });
}

std::string Printer::GetSetupParameter(const std::string& SetupKey) {
    const std::string source = "Printer:GetSetupParameter Method";
    Globals::CheckRubricValue(SetupKey, source);
    return Globals::Operation(bool(connection_), source, [&] {
        std::string value = Command("SETUP GET\"prt\",\"" + SetupKey + "\",QQVS0$:PRINT QQVS0$;\r");
        if (refreshNotificationsEnabled_)
            NotifyClientsAboutSetupRefresh(SetupKey + "," + value);
        return value;
    });
}

std::string Printer::GetSetup(const Automation::Ref<Gaugely::Progress>& Progress) {
    return Globals::Operation(bool(connection_), "Printer:GetSetup Method", [&] {
        std::string setup;
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case Dialect::Shell:
            setup = Command("RUN\"setup sw \r", Progress);
            break;
        case Dialect::Basic:
            // Written to the channel that the reply comes back on.
            setup = Command("SETUP WRITE\"" + StdioStr() + "\r", Progress);
            break;
        case Dialect::None:
            break;
        }
        if (refreshNotificationsEnabled_)
            NotifyClientsAboutSetupRefresh(setup);
        return setup;
    });
}

void Printer::ChangeUser(const std::string& UserName, const std::string& Password) {
    const std::string source = "Printer:ChangeUser Method";
    Globals::CheckRubricValue(UserName, source);
    Globals::CheckRubricPassword(Password, source);
    Globals::Operation(bool(connection_), source, [&] {
        Command(Password.empty() ? "RUN\"su " + UserName + "\r"
                                 : "RUN\"su -p " + Password + " " + UserName + "\r");
    });
}

bool Printer::IsDebuggerEnabled() {
    return Globals::Operation(bool(connection_), "Printer:IsDebuggerEnabled Method", [&] {
        if (!RubricVersionNumber::FromText(RubricVersion()).ReportsDebugger())
            return false;
        // The switch's value, then the breakpoints between line breaks.
        auto pieces = Globals::Split(Command("PRINTSYSVAR(36);:LIST,B\r", nullptr, 3000), LineBreakStr());
        if (pieces.empty())
            return false;
        return Automation::val(pieces[0]) == 1 || pieces.size() >= 3;
    });
}

} // namespace Brindle
