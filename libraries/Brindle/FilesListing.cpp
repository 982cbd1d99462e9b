#include "Brindle/FilesListing.h"

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Brindle {

namespace {

constexpr std::string_view FilesOn = "Files on ";

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    for (size_t hit; (hit = text.find(from, at)) != std::string::npos; at = hit + from.size()) {
        out.append(text, at, hit - at);
        out += to;
    }
    out.append(text, at);
    text = std::move(out);
}

// Every run of the unit repeated becomes one unit.
void collapseRuns(std::string& text, std::string_view unit) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, unit.size(), unit) == 0) {
            out += unit;
            at += unit.size();
            while (text.compare(at, unit.size(), unit) == 0)
                at += unit.size();
        } else {
            out += text[at++];
        }
    }
    text = std::move(out);
}

// Blanks only: runs of two or more blanks become exactly two.
void collapseWideGaps(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_not_of(' ', at);
        if (end == std::string::npos)
            end = text.size();
        if (end - at >= 2) {
            out += "  ";
            at = end;
        } else {
            out += text[at++];
        }
    }
    text = std::move(out);
}

void dropAtEnds(std::string& text, std::string_view unit) {
    if (text.starts_with(unit))
        text.erase(0, unit.size());
    if (text.ends_with(unit))
        text.erase(text.size() - unit.size());
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    size_t at = 0;
    for (size_t hit; (hit = text.find(separator, at)) != std::string_view::npos; at = hit + separator.size())
        parts.emplace_back(text.substr(at, hit - at));
    parts.emplace_back(text.substr(at));
    return parts;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += separator;
        out += parts[i];
    }
    return out;
}

std::string rightAligned(int32_t value, size_t width) {
    std::string digits = std::to_string(value);
    return digits.size() >= width ? digits : std::string(width - digits.size(), ' ') + digits;
}

// Mode, link count, owner and group, size, the fixed date, and the name.
std::string line(std::string_view mode, std::string_view ownerAndGroup, int32_t size, size_t sizeWidth,
                 std::string_view name) {
    std::string out(mode);
    out += "   1 ";
    out += ownerAndGroup;
    out += ' ';
    out += rightAligned(size, sizeWidth);
    out += " Jan  1  1980 ";
    out += name;
    return out;
}

constexpr std::string_view WheelSys = "wheel     sys";
constexpr std::string_view WheelSysWide = "wheel      sys";
constexpr std::string_view RootRoot = "root     root";
constexpr size_t SizeWidth = 12;
constexpr size_t WideSizeWidth = 14;

std::string_view directoryMode(bool isReadWrite) {
    return isReadWrite ? "drwxrwxrwx" : "dr-xr-xr-x";
}

bool isRom(std::string_view device) {
    return device == "rom:";
}

} // namespace

std::string FilesListing::NormalizeDevicePath(std::string_view path) {
    if (!path.starts_with('/')) {
        size_t colon = path.find(':');
        if (colon == std::string_view::npos)
            return std::string(path);
        return Automation::lowerCase(path.substr(0, colon)) + std::string(path.substr(colon));
    }
    size_t second = path.find('/', 1);
    if (second == std::string_view::npos)
        return std::string(path);
    return Automation::lowerCase(path.substr(1, second - 1)) + ":" + std::string(path.substr(second + 1));
}

bool FilesListing::IsReadWriteDevice(std::string_view name) {
    size_t colon = name.find(':');
    std::string_view device =
        colon == std::string_view::npos ? std::string_view{} : name.substr(0, colon + 1);
    if (device == "ram:" || device == "tmp:" || device == "c:" || device == "card1:")
        return true;
    if (device == "rom:")
        return false;
    Automation::raise(Automation::RuntimeError::DeviceUnavailable, std::string(IsReadWriteDeviceSource));
}

std::string FilesListing::MakeListingLine(std::string_view name, int32_t size, bool isReadWrite) {
    std::string_view mode = name.ends_with('/') ? directoryMode(isReadWrite)
                            : isReadWrite       ? "-rwxrwxrwx"
                                                : "-r-xr-xr-x";
    return line(mode, WheelSys, size, SizeWidth, Automation::trim(name));
}

std::string FilesListing::DeviceLine(std::string_view device, DeviceOwner owner) {
    return line(directoryMode(!isRom(device)), owner == DeviceOwner::WheelSys ? WheelSys : RootRoot, 0,
                SizeWidth, device);
}

std::string FilesListing::SelfLine(bool isReadWrite, HeaderWidth width) {
    if (width == HeaderWidth::Directory)
        return line(directoryMode(isReadWrite), WheelSysWide, 0, WideSizeWidth, "./");
    return line(directoryMode(isReadWrite), WheelSys, 0, SizeWidth, "./");
}

std::string FilesListing::ParentLine(HeaderWidth width) {
    if (width == HeaderWidth::Directory)
        return line("drwxr-xr-x", WheelSysWide, 0, WideSizeWidth, "../");
    return line("drwxr-xr-x", WheelSys, 0, SizeWidth, "../");
}

std::string FilesListing::ParseFilesListing(std::string_view text) {
    std::string all(text);
    replaceAll(all, "No files on ", FilesOn);
    collapseRuns(all, FilesOn);
    dropAtEnds(all, FilesOn);

    std::string out;
    auto newLine = [&] {
        if (!out.empty())
            out += LineBreak;
    };
    for (std::string& section : split(all, FilesOn)) {
        collapseRuns(section, LineBreak);
        dropAtEnds(section, LineBreak);
        std::vector<std::string> lines = split(section, LineBreak);
        if (lines.empty())
            continue;
        newLine();
        const std::string& device = lines[0];
        bool isReadWrite = IsReadWriteDevice(device);
        newLine();
        out += device;
        out += ':';
        for (size_t i = 1; i < lines.size(); ++i) {
            std::string entries = lines[i];
            if (entries.find("bytes free") != std::string::npos ||
                entries.find("bytes used") != std::string::npos)
                continue;
            // A directory is listed without a size.
            replaceAll(entries, "/ ", "/  0");
            collapseWideGaps(entries);
            dropAtEnds(entries, "  ");
            std::vector<std::string> fields = split(entries, "  ");
            if (fields.size() != 2 && fields.size() != 4)
                continue;
            for (size_t f = 0; f < fields.size(); f += 2) {
                int32_t size = Automation::toLong(Automation::textToDouble(fields[f + 1]));
                newLine();
                out += MakeListingLine(fields[f], size, isReadWrite);
            }
        }
    }
    return out;
}

std::string FilesListing::RootListing(const std::vector<std::string>& devices, DeviceOwner owner) {
    std::vector<std::string> lines;
    for (const std::string& device : devices)
        lines.push_back(DeviceLine(device, owner));
    return "/:" + std::string(LineBreak) + join(lines, LineBreak);
}

std::string FilesListing::ShellDeviceBlock(std::string_view device, std::string_view reply) {
    std::string entries(reply);
    if (isRom(device))
        replaceAll(entries, "rwxrwxrwx", "r-xr-xr-x");
    std::string out(device);
    out += ':';
    out += LineBreak;
    out += SelfLine(!isRom(device), HeaderWidth::DeviceSection);
    out += LineBreak;
    out += ParentLine(HeaderWidth::DeviceSection);
    out += LineBreak;
    out += entries;
    return out;
}

std::string FilesListing::ShellDirectoryListing(std::string_view path, std::string_view reply) {
    std::string device = NormalizeDevicePath(path);
    std::string out = device;
    out += ':';
    out += LineBreak;
    out += SelfLine(!Automation::equalsText(device, "rom:"), HeaderWidth::Directory);
    out += LineBreak;
    out += ParentLine(HeaderWidth::Directory);
    out += LineBreak;
    out += reply;
    return out;
}

} // namespace Brindle
