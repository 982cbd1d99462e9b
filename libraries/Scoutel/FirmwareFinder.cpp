#include "Scoutel/FirmwareFinder.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "Scoutel/KernelHeaderLayout.h"
#include "Scoutel/RBFirmwareFile.h"
#include "Scoutel/frmFirmwareSelect.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/FileContents.h"
#include "messages/MessagePump.h"

namespace Scoutel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibrary = "Scoutel";

namespace Header = KernelHeaderLayout;
// The identifier read after a header at the start of a file.
constexpr size_t kNameLength = 101;

struct FamilyPattern {
    const char* pattern;
    int32_t flag;
};
// The first pattern that matches decides; "Rubric 10" must not be taken by
// "Rubric 1*", so the order is part of the rule.
constexpr FamilyPattern kFamilies[] = {{"Rubric 8*", FF_Rubric_8},
                                       {"Rubric 7*", FF_Rubric_7},
                                       {"Tessel 2*", FF_Tessel_2},
                                       {"Rubric 10*", FF_Rubric_10},
                                       {"RB 10*", FF_Rubric_10}};

// The text after the last point of the file's name, as the scripting
// run-time's file system object gives it; empty without a point.
std::string extensionOf(const fs::path& file) {
    std::string name = file.filename().string();
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

// The names of the folder's files, subfolders left out.
std::vector<std::string> filesOf(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored))
            names.push_back(it->path().filename().string());
    }
    return names;
}

// The cleaned identifier of an image, or nothing for a file that is not one
// or cannot be parsed: one bad file must not hide the others of the folder.
// Only the file's start and its identifier are read, so a large file costs
// no more than a small one.
std::optional<std::string> kernelOf(const std::string& path) {
    try {
        auto image = Automation::New<RBFirmwareFile>();
        image->LoadHead(path);
        if (!image->IsFirmware())
            return std::nullopt;
        return CleanKernelName(image->KernelID());
    } catch (const Automation::Error&) {
        return std::nullopt;
    }
}

// The 24 header bytes at the start of the file, zeros where it ends short;
// nothing when there is no such file.
std::optional<std::string> headerAtStart(const std::string& path) {
    if (!RBFirmwareFile::FileExists(path))
        return std::nullopt;
    std::string header = Platform::Files::ReadFileStretch(path, 0, Header::Length, kLibrary);
    header.resize(Header::Length, '\0');
    return header;
}

bool isKernHeader(const std::string& header) {
    return header.compare(Header::KindOffset, 4, "KERN") == 0;
}

} // namespace

std::string CleanKernelName(const std::string& name) {
    static constexpr std::string_view kCompressed = "(compressed)";
    std::string cleaned;
    int32_t from = 1;
    for (int32_t at; (at = Automation::inStr(from, name, kCompressed, Automation::CompareMethod::Text)) > 0;
         from = at + static_cast<int32_t>(kCompressed.size()))
        cleaned.append(name, static_cast<size_t>(from - 1), static_cast<size_t>(at - from));
    cleaned.append(name, static_cast<size_t>(from - 1));
    std::string single;
    for (char c : cleaned)
        if (c != ' ' || single.empty() || single.back() != ' ')
            single += c;
    return single;
}

bool FirmwareFinder::MatchesFilter(const std::string& name) const {
    for (const auto& family : kFamilies)
        if (Automation::like(name, family.pattern))
            return (filter_ & family.flag) != 0;
    return false;
}

Automation::Ref<Firmwares> FirmwareFinder::GetFirmwares(const std::string& sDir, const std::string& FileExt) {
    std::error_code error;
    if (sDir.empty() || !fs::is_directory(sDir, error))
        return nullptr;
    // A handler may release this finder.
    auto keep = self<FirmwareFinder>();
    auto found = Automation::New<Firmwares>();
    std::vector<std::string> names = filesOf(sDir);
    std::sort(names.begin(), names.end());
    const fs::path folder = fs::absolute(sDir, error);
    int32_t scanned = 0;
    for (const auto& name : names) {
        ++scanned;
        const fs::path file = folder / name;
        if (extensionOf(file) != FileExt)
            continue;
        const std::string path = file.string();
        if (auto kernel = kernelOf(path); kernel && MatchesFilter(*kernel))
            FirmwareFound.raise(found->Add(path, path, *kernel));
        // Keeps the client's window alive during a long scan, whatever the
        // files are: a folder of images that are none takes its time too.
        Platform::DoEvents();
        int32_t scannedSoFar = scanned;
        auto total = static_cast<int32_t>(filesOf(sDir).size());
        bool stop = false;
        Progress.raise(scannedSoFar, total, stop);
        if (stop)
            break;
    }
    return found;
}

Automation::Ref<Firmware> FirmwareFinder::ShowFirmwareDialog(const std::string& sInitDir, int32_t lHwnd) {
    try {
        frmFirmwareSelect form;
        form.setShowRecent(false);
        form.setShowNew(true);
        form.setShowSplash(false);
        auto dialog = Automation::New<CommonDialog>();
        form.setcD(dialog);
        dialog->setInitDir(sInitDir);
        dialog->setFilter("Rubric Firmware (*.bin)|*.bin|All Files (*.*)|*.*");
        dialog->setFilterIndex(1);
        dialog->setFlags(6144); // the path and the file must exist
        dialog->setDefaultExt(".bin");
        dialog->setHookDialog(true);
        dialog->setDialogTitle("Select Firmware File");
        dialog->sethwnd(lHwnd);
        form.Load();
        dialog->ShowOpen();
        const std::string path = form.Filename();
        const std::string name = form.KernelName();
        const bool cancelled = form.Cancelled();
        form.setcD(nullptr);
        form.Unload();
        Platform::DoEvents();
        if (cancelled)
            return nullptr;
        return Automation::New<Firmware>(Firmware::Token{}, std::string(), path, name);
    } catch (const Automation::Error&) {
        return nullptr;
    }
}

bool FirmwareFinder::IsKernelFile(const std::string& KernelFileName) {
    auto header = headerAtStart(KernelFileName);
    return header && isKernHeader(*header);
}

std::string FirmwareFinder::GetKernelName(const std::string& KernelFileName) {
    auto header = headerAtStart(KernelFileName);
    if (!header || !isKernHeader(*header))
        return {};
    int64_t offset = int64_t{Header::field(*header, Header::IdentifierAddressOffset)} -
                     Header::field(*header, Header::BaseAddressOffset);
    if (offset < 0)
        Automation::raise(Automation::RuntimeError::BadRecordNumber, kLibrary,
                          "Bad record number: the kernel identifier of \"" + KernelFileName +
                              "\" lies before the start of the file");
    std::string name = Platform::Files::ReadFileStretch(KernelFileName, static_cast<uint64_t>(offset),
                                                        kNameLength, kLibrary);
    return name.substr(0, name.find('\0'));
}

} // namespace Scoutel
