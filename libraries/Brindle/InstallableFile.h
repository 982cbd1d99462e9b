#pragma once
// Which PC files the printer installs as resources after a raw upload:
// 1-bit PCX images, the two signed font formats and TrueType fonts.
#include <string>
#include <string_view>

namespace Brindle {

class InstallableFile {
public:
    // Reads the table directory and the "head" table; every read is checked
    // against the file's length, so a short or broken file gives False.
    static bool IsTTFFont(const std::string& fileNameTTF);
    // NameOrData names a PC file, or, when no such file exists, holds the
    // leading bytes themselves.
    static bool IsInstallableFile(const std::string& nameOrData);
};

} // namespace Brindle
