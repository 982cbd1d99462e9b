#pragma once
// The printer's directory listings in one form, that of a Unix "ls -l": newer
// firmware prints it itself; for older firmware the lines are rebuilt here
// from fixed templates, and the old FILES output is turned into such lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Brindle {

class FilesListing {
public:
    // Owner and group of the device lines differ between firmware families.
    enum class DeviceOwner { WheelSys, RootRoot };
    // The self and parent lines of a recursive root listing's device sections
    // are narrower than those of the listing of one directory.
    enum class HeaderWidth { DeviceSection, Directory };

    static constexpr std::string_view LineBreak = "\r\n";

    // "C:dir/x" and "/C/dir/x" both give "c:dir/x"; "/" and "/c" stay as they are.
    static std::string NormalizeDevicePath(std::string_view path);
    // "ram:", "tmp:", "c:", "card1:" are writable and "rom:" is not, judged
    // on the text up to its first colon; any other device raises 68.
    static bool IsReadWriteDevice(std::string_view name);
    // One file or directory line (a name ending in "/" is a directory).
    static std::string MakeListingLine(std::string_view name, int32_t size, bool isReadWrite);
    // The device's line of a root listing: the template followed by the name.
    static std::string DeviceLine(std::string_view device, DeviceOwner owner);
    // The "./" and "../" lines that open a device section or a directory.
    static std::string SelfLine(bool isReadWrite, HeaderWidth width);
    static std::string ParentLine(HeaderWidth width);

    // The output of one or more FILES commands as listing lines, one device
    // section after the other, separated by an empty line.
    static std::string ParseFilesListing(std::string_view text);

    // The listing of the root "/": "/:" and one line per device.
    static std::string RootListing(const std::vector<std::string>& devices, DeviceOwner owner);
    // A device's block of a recursive root listing on shell firmware before
    // 8.00: its header, its self and parent lines and the printer's reply.
    static std::string ShellDeviceBlock(std::string_view device, std::string_view reply);
    // The listing of one directory on shell firmware before 8.00, which
    // lists it without its self and parent lines.
    static std::string ShellDirectoryListing(std::string_view path, std::string_view reply);

    // Raised for a device the printer does not have.
    static constexpr std::string_view IsReadWriteDeviceSource = "Printer:IsReadWriteDevice method";
};

} // namespace Brindle
