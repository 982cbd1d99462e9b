// The Rubric program in the interpreter's memory: cleared, loaded, merged,
// saved, and tried.
#include <chrono>
#include <optional>
#include <random>

#include "Brindle/Globals.h"
#include "Brindle/Printer.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

// A program may use any line; a few random tries find a free one among the
// hundred at the top almost surely, and a printer that lists something for
// every line cannot keep the search going for ever.
constexpr int freeLineTries = 20;
constexpr int32_t firstTestLine = 1999999900, lastTestLine = 1999999999;

} // namespace

std::string Printer::restoreLine() {
    return "QQISV19%=" + std::to_string(errorMsgType_) + ":QQISV18%=" + std::to_string(verbosityLevel_) +
           "\r";
}

std::string Printer::programCommand(const std::string& text,
                                    const Automation::Ref<Gaugely::Progress>& progress) {
    // Learned before the replies stop updating it, so an unknown state is
    // not written back to the printer as zeros.
    ensureState();
    struct Flag {
        bool& flag;
        explicit Flag(bool& f) : flag(f) { flag = true; }
        ~Flag() { flag = false; }
    } flag(programOperation_);
    return Command(text + restoreLine(), progress);
}

void Printer::NewProgram(const Automation::Ref<Gaugely::Progress>& Progress) {
    Globals::Operation(bool(connection_), "Printer:NewProgram Method",
                       [&] { programCommand("NEW\r", Progress); });
}

void Printer::LoadProgramFile(const std::string& Filename,
                              const Automation::Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:LoadProgram Method";
    Globals::CheckRubricValue(Filename, source);
    Globals::Operation(bool(connection_), source,
                       [&] { programCommand("LOAD\"" + Filename + "\r", Progress); });
}

void Printer::LoadProgramModule(const std::string& ModuleText,
                                const Automation::Ref<Gaugely::Progress>& Progress,
                                bool RaiseErrorFromRubric) {
    Globals::Operation(bool(connection_), "Printer:LoadProgramModule Method", [&] {
        Command("\rIMMEDIATE OFF\r" + ModuleText + "\rIMMEDIATE ON\r", Progress, 0, true,
                RaiseErrorFromRubric);
    });
}

void Printer::MergeProgramFile(const std::string& Filename,
                               const Automation::Ref<Gaugely::Progress>& Progress,
                               bool RaiseErrorFromRubric) {
    const std::string source = "Printer:MergeProgram Method";
    Globals::CheckRubricValue(Filename, source);
    Globals::Operation(bool(connection_), source, [&] {
        Command("MERGE\"" + Filename + "\r", Progress, 0, true, RaiseErrorFromRubric);
    });
}

void Printer::SaveProgramFile(const std::string& SaveToFilename, bool LinenumberLess, bool Protected,
                              const Automation::Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:SaveProgram Method";
    Globals::CheckRubricValue(SaveToFilename, source);
    std::string suffix = LinenumberLess && Protected ? "\",L,P"
                         : LinenumberLess            ? "\",L"
                         : Protected                 ? "\",P"
                                                     : "\"";
    Globals::Operation(bool(connection_), source,
                       [&] { Command("SAVE\"" + SaveToFilename + suffix + "\r", Progress); });
}

bool Printer::CanRunProgram(const Automation::Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:CanRunProgram Method";
    bool lineFound = true;
    try {
        Globals::Operation(bool(connection_), source, [&] {
            if (IsDebuggerEnabled())
                Command("SYSVAR(36)=0\r");
            std::mt19937 random(
                static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
            std::uniform_int_distribution<int32_t> lines(firstTestLine, lastTestLine);
            std::optional<std::string> line;
            for (int i = 0; i < freeLineTries && !line; ++i) {
                std::string n = std::to_string(lines(random));
                if (Globals::WithoutTrailingLineBreaks(Command("LIST " + n + "\r")).empty())
                    line = n;
            }
            if (!line) {
                lineFound = false;
                return;
            }
            // Enter the line, run from it, delete it again.
            programCommand(*line + "PRINT \"PROGRAM CAN EXECUTE\":END\rRUN " + *line + "\r" + *line + "\r",
                           Progress);
        });
    } catch (const Automation::Error& error) {
        // A printer error of the program's run is the answer, not a failure.
        if (!(error.Number() > 50000 && Errors()->Count() > 0))
            throw;
    }
    if (!lineFound)
        Platform::ErrorTextProvider::RaiseLibraryError(101, source);
    return Errors()->Count() == 0;
}

} // namespace Brindle
