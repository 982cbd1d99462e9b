#pragma once
// One firmware image file found by a scan or chosen by the user.
#include <string>

#include "automation/Object.h"

namespace Scoutel {

class Firmwares;
class FirmwareFinder;

class Firmware : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{6A2F0C93-4B17-4E8D-A5C1-97D3E0B24F58}",
                                                     "Scoutel.Firmware",
                                                     "{E1B84D27-3C05-4A96-8F72-5D0A6C91B3E4}"};

    // Only the library creates firmware objects.
    class Token {
        Token() = default;
        friend class Firmwares;
        friend class FirmwareFinder;
    };
    Firmware(Token, std::string key, std::string path, std::string name)
        : key_(std::move(key)), path_(std::move(path)), name_(std::move(name)) {}

    // The kernel's identifier, cleaned.
    const std::string& FirmwareName() const { return name_; }
    const std::string& Path() const { return path_; }
    // The key in its Firmwares: the path for a scan's result, else empty.
    const std::string& Key() const { return key_; }

private:
    std::string key_;
    std::string path_;
    std::string name_;
};

} // namespace Scoutel
