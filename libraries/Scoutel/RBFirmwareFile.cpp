#include "Scoutel/RBFirmwareFile.h"

#include <cmath>
#include <filesystem>
#include <glob.h>

#include "Scoutel/KernelHeaderLayout.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/FileContents.h"

namespace Scoutel {

namespace {

constexpr const char* kLibrary = "Scoutel";

namespace Header = KernelHeaderLayout;
// A bootHdr image keeps its identifier at a fixed place.
constexpr int32_t kBootIdentifierPosition = 49;
constexpr int32_t kBootIdentifierWindow = 34;
constexpr int32_t kKernIdentifierWindow = 100;
// "@(#)KERN" is looked for at the first 1001 positions, "bootHdr" at the
// first 21; the start of the file that a header search needs holds a header
// found at the last of them whole, and the preamble in front of it.
constexpr int32_t kKernSearchRange = 1000;
constexpr int32_t kBootSearchRange = 20;
constexpr int32_t kHeadLength = kKernSearchRange + 1 + static_cast<int32_t>(Header::Length);

// A pattern for glob(3) that matches "*" and "?" only, as find-first-file does.
std::string globPattern(const std::string& name) {
    std::string pattern;
    for (char c : name) {
        if (c == '[' || c == ']' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

} // namespace

bool RBFirmwareFile::FileExists(const std::string& Filename) {
    std::error_code error;
    if (Filename.empty())
        return false;
    if (std::filesystem::exists(Filename, error))
        return true;
    if (Filename.find_first_of("*?") == std::string::npos)
        return false;
    glob_t found{};
    bool any = ::glob(globPattern(Filename).c_str(), 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    ::globfree(&found);
    return any;
}

void RBFirmwareFile::LoadFile(const std::string& PathName) {
    load(PathName, true);
}

void RBFirmwareFile::LoadHead(const std::string& PathName) {
    load(PathName, false);
}

void RBFirmwareFile::load(const std::string& PathName, bool whole) {
    if (!FileExists(PathName))
        Automation::raise(Automation::RuntimeError::FileNotFound, "FWRubric:LoadFile method",
                          "File not found.");
    if (whole) {
        buffer_.LoadFile(PathName);
        fileLength_ = buffer_.Count();
    } else {
        fileLength_ = buffer_.LoadFileStart(PathName, kHeadLength);
    }
    path_ = PathName;
    whole_ = whole;
    headerPosition_ = 0;
    bootHdr_ = false;
}

int32_t RBFirmwareFile::HeaderPosition() {
    if (headerPosition_ > 0)
        return headerPosition_;
    headerPosition_ = buffer_.FindStr(1, "@(#)KERN", kKernSearchRange);
    bootHdr_ = false;
    if (headerPosition_ <= 0) {
        int32_t found = buffer_.FindStr(1, "bootHdr", kBootSearchRange);
        // "bootHdr" stands 8 bytes after the image start; found any earlier,
        // there is no start for the image in the file.
        if (found > 8) {
            headerPosition_ = found - 8;
            bootHdr_ = true;
        }
    }
    return headerPosition_;
}

bool RBFirmwareFile::IsFirmware() {
    return HeaderPosition() > 0;
}

int32_t RBFirmwareFile::FirmwareLength() {
    if (!IsFirmware())
        return 0;
    int32_t p = HeaderPosition();
    if (p == 1)
        return FileLength();
    int32_t stated = GetNETKernelLength();
    return stated >= 1 && p > 1 ? stated : 0;
}

int32_t RBFirmwareFile::FirmwareShortfall() {
    int64_t end = int64_t{HeaderPosition()} - 1 + FirmwareLength();
    return end > FileLength() ? static_cast<int32_t>(end - FileLength()) : 0;
}

int32_t RBFirmwareFile::GetNETKernelLength() {
    int32_t p = HeaderPosition();
    if (p < 2)
        return 0;
    int32_t c = buffer_.FindStrRev(p, "cat", 100);
    if (c < 1 || c >= p)
        return 0;
    int32_t length = p - c;
    std::string preamble = buffer_.MidStr(c, length);
    for (std::string_view word : Automation::split(preamble, ' ')) {
        if (auto value = Automation::parseNumber(word); value && Automation::like(word, "-####*")) {
            double rounded = std::nearbyint(std::fabs(*value));
            if (!(rounded <= INT32_MAX))
                Automation::raise(Automation::RuntimeError::Overflow, kLibrary,
                                  "Overflow: the image length " + std::string(word) +
                                      " in the preamble is not a 32-bit number");
            return static_cast<int32_t>(rounded);
        }
    }
    return 0;
}

std::optional<int64_t> RBFirmwareFile::IdentifierStart() {
    int32_t p = HeaderPosition();
    if (p <= 0)
        return std::nullopt;
    if (bootHdr_)
        return kBootIdentifierPosition;
    int32_t length = Header::Length;
    Automation::ByteArray header = buffer_.MidByteArray(p, length);
    // A header cut off by the end of the file locates nothing.
    if (length < int32_t{Header::Length})
        return std::nullopt;
    return int64_t{p} + Header::field(header, Header::IdentifierAddressOffset) -
           Header::field(header, Header::BaseAddressOffset);
}

std::string RBFirmwareFile::KernelID() {
    std::optional<int64_t> s = IdentifierStart();
    if (!s)
        return "Unknown";
    if (*s < 1 || *s > FileLength())
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, "FifoBuf: MidStr",
                          "Subscript out of range: the kernel identifier lies outside the file");
    auto start = static_cast<int32_t>(*s);
    const int32_t window = bootHdr_ ? kBootIdentifierWindow : kKernIdentifierWindow;
    // The window, or what the file holds from the start on when the window
    // reaches its last byte.
    int32_t length = int64_t{start} + window < FileLength() ? window : FileLength() - start + 1;
    std::string stretch = whole_ ? buffer_.MidStr(start, length)
                                 : Platform::Files::ReadFileStretch(path_, static_cast<uint64_t>(start - 1),
                                                                    static_cast<size_t>(length), kLibrary);
    return stretch.substr(0, stretch.find('\0'));
}

std::string RBFirmwareFile::ImageDefect() {
    if (!IsFirmware())
        return "holds no kernel header at its start";
    const int32_t length = FirmwareLength();
    if (length == 0)
        return "states no image length in front of its kernel header";
    if (int32_t shortfall = FirmwareShortfall(); shortfall > 0)
        return "ends " + std::to_string(shortfall) + " bytes short of the " + std::to_string(length) +
               " bytes its preamble states";
    if (!bootHdr_ && length < int32_t{Header::Length})
        return "ends inside its kernel header, after " + std::to_string(length) + " of its " +
               std::to_string(Header::Length) + " bytes";
    std::optional<int64_t> s = IdentifierStart();
    if (!s || *s < 1 || *s > FileLength())
        return "has its kernel identifier outside the file";
    return {};
}

Automation::ByteArray RBFirmwareFile::GetFirmwareData() {
    if (!IsFirmware())
        return {};
    if (!whole_)
        Automation::raise(Automation::RuntimeError::InvalidProcedureCall, kLibrary,
                          "Invalid procedure call: only the start of \"" + path_ + "\" was read");
    int32_t length = FirmwareLength();
    if (length == 0)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, kLibrary,
                          "Subscript out of range: the image states no length in front of its header");
    return buffer_.MidByteArray(HeaderPosition(), length);
}

} // namespace Scoutel
