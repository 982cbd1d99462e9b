// The Printer's members that list and change the printer's file system and
// move files between the PC and the printer.
#include "Brindle/FileSystemCommands.h"
#include "Brindle/FileTransfer.h"
#include "Brindle/Globals.h"
#include "Brindle/Printer.h"
#include "automation/Error.h"

namespace Brindle {

namespace {

using Automation::Ref;

// Runs a member's body, raising any error again with the member's source
// appended.
template <class F> auto guarded(const std::string& source, F body) {
    try {
        return body();
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

} // namespace

std::string Printer::GetFiles(const std::string& Path, bool Recursive,
                              const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:GetFiles Method";
    requireConnection(source);
    std::string result = guarded(source, [&] {
        return FileSystemCommands::GetFiles(
            RubricVersionNumber::FromText(RubricVersion()), Path, Recursive,
            [this] { return IsDeviceMounted("card1:"); },
            [&](const std::string& command) { return Command(command, Progress); }, source);
    });
    if (!result.empty() && refreshNotificationsEnabled_)
        NotifyClientsAboutFilesystemUpdate(result);
    return result;
}

void Printer::KillDir(const std::string& Path, const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:KillDir Method";
    requireConnection(source);
    guarded(source, [&] { Command(FileSystemCommands::KillDir(Path, source), Progress); });
}

void Printer::KillFile(const std::string& Path, const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:KillFile Method";
    requireConnection(source);
    guarded(source, [&] {
        if (auto command =
                FileSystemCommands::KillFile(RubricVersionNumber::FromText(RubricVersion()), Path, source))
            Command(*command, Progress);
    });
}

void Printer::MakeDir(const std::string& NewDirFullPath) {
    const std::string source = "Printer:MakeDir Method";
    requireConnection(source);
    guarded(source, [&] { Command(FileSystemCommands::MakeDir(NewDirFullPath, source)); });
}

void Printer::CopyFile(const std::string& SourceFilename, const std::string& DestinationFilename,
                       const Ref<Gaugely::Progress>&) {
    const std::string source = "Printer:CopyFile Method";
    requireConnection(source);
    guarded(source, [&] {
        if (auto command = FileSystemCommands::CopyFile(RubricVersionNumber::FromText(RubricVersion()),
                                                        SourceFilename, DestinationFilename, source))
            Command(*command);
    });
}

void Printer::RemoveImage(const std::string& ImageName, const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:RemoveImage Method";
    requireConnection(source);
    guarded(source, [&] {
        // The name is refused before the listing is asked for.
        Globals::CheckRubricValue(ImageName, source);
        Command(FileSystemCommands::RemoveImage(Command("IMAGES\r"), ImageName, source), Progress);
    });
}

void Printer::FileDownload(const std::string& SourceFilename, const std::string& DestinationFilename,
                           const Ref<Gaugely::Progress>& Progress) {
    guarded("Printer:FileDownload Method",
            [&] { prepareFileTransfer()->Download(SourceFilename, DestinationFilename, Progress); });
}

void Printer::FileUpload(const std::string& SourceFilename, const std::string& DestinationFilename,
                         const Ref<Gaugely::Progress>& Progress) {
    guarded("Printer:FileUpload Method",
            [&] { prepareFileTransfer()->Upload(SourceFilename, DestinationFilename, Progress); });
}

void Printer::UploadDataToFile(const std::string& Expression, const std::string& DestinationFilename,
                               const Ref<Gaugely::Progress>& Progress) {
    guarded("Printer:UploadDataToFile Method",
            [&] { prepareFileTransfer()->UploadDataToFile(Expression, DestinationFilename, Progress); });
}

} // namespace Brindle
