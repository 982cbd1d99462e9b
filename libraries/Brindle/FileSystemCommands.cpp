#include "Brindle/FileSystemCommands.h"

#include "Brindle/FilesListing.h"
#include "Brindle/Globals.h"

namespace Brindle {

namespace {

const RubricVersionNumber V614(614);
const RubricVersionNumber V700(700);
const RubricVersionNumber V800(800);
constexpr std::string_view B = FilesListing::LineBreak;

std::string escaped(std::string_view path, const std::string& errorSource) {
    Globals::CheckRubricValue(path, errorSource);
    return Globals::EscapeBlanks(path);
}

std::string normalized(std::string_view path, const std::string& errorSource) {
    Globals::CheckRubricValue(path, errorSource);
    return FilesListing::NormalizeDevicePath(path);
}

} // namespace

std::string FileSystemCommands::KillDir(std::string_view path, const std::string& errorSource) {
    return "RUN\"rm -R " + escaped(path, errorSource) + "\r";
}

std::string FileSystemCommands::MakeDir(std::string_view path, const std::string& errorSource) {
    return "RUN\"mkdir " + escaped(path, errorSource) + "\r";
}

std::optional<std::string> FileSystemCommands::KillFile(RubricVersionNumber version, std::string_view path,
                                                        const std::string& errorSource) {
    if (version >= V700)
        return "RUN\"rm " + escaped(path, errorSource) + "\r";
    if (version >= V614)
        return "KILL\"" + normalized(path, errorSource) + "\r";
    return std::nullopt;
}

std::optional<std::string> FileSystemCommands::CopyFile(RubricVersionNumber version, std::string_view source,
                                                        std::string_view destination,
                                                        const std::string& errorSource) {
    if (version >= V800)
        return "RUN\"cp " + escaped(source, errorSource) + " " + escaped(destination, errorSource) + "\r";
    if (version >= V700)
        return "RUN\"cp " + FilesListing::NormalizeDevicePath(escaped(source, errorSource)) + " " +
               FilesListing::NormalizeDevicePath(escaped(destination, errorSource)) + "\r";
    if (version >= V614)
        return "COPY \"" + normalized(source, errorSource) + "\",\"" + normalized(destination, errorSource) +
               "\r";
    return std::nullopt;
}

std::string FileSystemCommands::RemoveImage(std::string_view imagesReply, std::string_view imageName,
                                            const std::string& errorSource) {
    Globals::CheckRubricValue(imageName, errorSource);
    std::string removal = "REMOVE IMAGE\"" + std::string(imageName) + "\"";
    // Entries are separated by line breaks or by runs of two blanks.
    std::string entries(imagesReply);
    for (size_t at; (at = entries.find("  ")) != std::string::npos;)
        entries.replace(at, 2, "\r\n");
    std::string command;
    size_t from = 0;
    for (size_t end = 0; end != std::string::npos; from = end + 2) {
        end = entries.find("\r\n", from);
        std::string_view entry =
            std::string_view(entries).substr(from, end == std::string::npos ? end : end - from);
        if (entry != imageName)
            continue;
        if (!command.empty())
            command += ':';
        command += removal;
    }
    return (command.empty() ? removal : command) + "\r";
}

std::vector<std::string> FileSystemCommands::ListDevices(RubricVersionNumber version, bool card1Mounted) {
    std::vector<std::string> devices;
    if (version >= V700)
        devices = {"c:", "tmp:", "rom:"};
    else if (version >= V614)
        devices = {"ram:", "rom:"};
    else
        return devices;
    if (card1Mounted)
        devices.push_back("card1:");
    return devices;
}

std::string FileSystemCommands::GetFiles(RubricVersionNumber version, std::string_view path, bool recursive,
                                         const std::function<bool()>& card1Mounted, const Run& run,
                                         const std::string& errorSource) {
    if (version >= V800) {
        std::string reply =
            run("RUN\"ll -a " + std::string(recursive ? "-R " : "") + escaped(path, errorSource) + "\r");
        return recursive ? reply : std::string(path) + ":" + std::string(B) + reply;
    }
    if (version < V614)
        return {};
    bool shell = version >= V700;
    std::string result;
    if (path != "/") {
        if (shell) {
            std::string command =
                "RUN\"ll -a " + FilesListing::NormalizeDevicePath(escaped(path, errorSource)) + "\r";
            result = FilesListing::ShellDirectoryListing(path, run(command));
        } else {
            result = FilesListing::ParseFilesListing(run("FILES\"" + normalized(path, errorSource) + "\r"));
        }
    } else {
        std::vector<std::string> devices = ListDevices(version, card1Mounted());
        result = FilesListing::RootListing(devices, shell ? FilesListing::DeviceOwner::WheelSys
                                                          : FilesListing::DeviceOwner::RootRoot);
        if (recursive) {
            result += B;
            for (const std::string& device : devices) {
                result += B;
                result += shell ? FilesListing::ShellDeviceBlock(device, run("RUN\"ll -a " + device + "\r"))
                                : FilesListing::ParseFilesListing(run("FILES \"" + device + "\r"));
            }
        }
    }
    return result + std::string(B);
}

} // namespace Brindle
