#pragma once
// A printer kernel image file (".bin"): whether it is one, what the kernel
// calls itself, and which of its bytes go to the printer.
#include <cstdint>
#include <optional>
#include <string>

#include "Scoutel/byteArray.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Scoutel {

class RBFirmwareFile : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{8B71E4C2-05D9-4F3A-A6E8-1C9D3B5F2E07}",
                                                     "Scoutel.RBFirmwareFile",
                                                     "{D24C8A13-7F56-4E09-B3A1-6E0F92C7D548}"};

    // Reads the whole file; the next member searches the new contents.
    void LoadFile(const std::string& PathName);
    // Reads only what telling the kernel needs, however large the file: its
    // start, where the header searches and the preamble lie, and its length;
    // the identifier is read from the file when it is asked for. Every member
    // answers as after LoadFile but GetFirmwareData, which needs LoadFile.
    void LoadHead(const std::string& PathName);
    bool IsFirmware();
    int32_t FileLength() const { return fileLength_; }
    // The number of image bytes to send.
    int32_t FirmwareLength();
    std::string KernelID();
    // FirmwareLength bytes from the header on, cut at the end of the file.
    Automation::ByteArray GetFirmwareData();
    // Whether a find-first-file search finds an entry: a folder, or a
    // wildcard pattern that matches, counts too.
    static bool FileExists(const std::string& Filename);
    // The image length written in the preamble, else 0.
    int32_t GetNETKernelLength();
    // How many of the bytes FirmwareLength promises lie past the end of the
    // file: a preamble that states more than the file holds marks a
    // truncated image, which must not be sent.
    int32_t FirmwareShortfall();
    // What keeps the image from going to a printer whole, said of the file
    // ("ends inside its kernel header, ..."); empty for a sound image.
    std::string ImageDefect();

private:
    void load(const std::string& PathName, bool whole);
    int32_t HeaderPosition();
    // Where the identifier begins (it may lie outside the file); nothing when
    // there is no header, or the header is cut off, to locate it.
    std::optional<int64_t> IdentifierStart();

    byteArray buffer_;
    std::string path_;
    // Whether buffer_ holds the whole file, or only its start.
    bool whole_ = true;
    int32_t fileLength_ = 0;
    int32_t headerPosition_ = 0;
    bool bootHdr_ = false;
};

} // namespace Scoutel
