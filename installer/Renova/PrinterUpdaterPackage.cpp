// The steps of a package job that read the package and put its contents
// onto the printer.
#include <algorithm>

#include "Gaugely/Progress.h"
#include "Renova/PrinterUpdater.h"
#include "Scrivel/PackageDocument.h"
#include "automation/Runtime.h"
#include "errors/ErrorInfoHolder.h"
#include "files/FilePaths.h"

namespace Renova {

using Automation::Ref;

namespace {

// What the printer's shell would read as more than a path: a path with
// these reaches mkdir, cat and rm as a shell word.
bool unsafePrinterPath(const std::string& path) {
    if (path.find_first_of(";|&<>$`\"") != std::string::npos)
        return true;
    if (std::any_of(path.begin(), path.end(), [](char c) { return static_cast<uint8_t>(c) < 0x20; }))
        return true;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\:", start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

void PrinterUpdater::LoadRbiFile() {
    step("LoadRbiFile", nullptr, [&] {
        setAction(AI_Loading_Rbi);
        log("Load Rbi File");
        const std::string& path = job_->SourcePath();
        if (!Platform::Files::FileExists(path))
            Automation::raise(InvalidContent, LibrarySource, "Rbi file is missing: \"" + path + "\"");
        package_ = Scrivel::ReadPackageDocument(path, "PrinterUpdater:LoadRbiFile");
        CheckPackagePaths();
    });
}

void PrinterUpdater::CheckPackagePaths() {
    auto refuse = [](const std::string& kind, const std::string& path) {
        Automation::raise(
            InvalidContent, LibrarySource,
            "The package's " + kind + " \"" + path +
                "\" holds \"..\", a control character or one of ; | & < > $ ` \" and is refused");
    };
    for (const auto& dir : *package_->PrinterDirectories())
        if (unsafePrinterPath(dir->Path()))
            refuse("directory", dir->Path());
    for (const auto& file : *package_->PrinterFiles())
        if (unsafePrinterPath(file->DestinationPath()))
            refuse("file destination", file->DestinationPath());
}

void PrinterUpdater::LoadUffFile() {
    step("LoadUffFile", nullptr, [&] {
        setAction(AI_Loading_Uff);
        log("Load Uff file");
        report(0);
        // A file the UFF file does not hold fails here, before any printer is reached.
        flashFile_ = Scrivel::ReadPackageFlashFile(*package_, LibrarySource);
        report(100);
    });
}

void PrinterUpdater::CreateDirectories() {
    if (package_->PrinterDirectories()->Count() <= 0)
        return;
    // One failing statement is logged and the step goes on with the next.
    auto resumeNext = [&](auto&& statement) {
        try {
            statement();
            return true;
        } catch (...) {
            Automation::Error error = currentError();
            logQuietly(errorLine("CreateDirectories error: ", error.Number(), error.Description()));
            return false;
        }
    };
    setAction(AI_CreatingDirectories);
    resumeNext([&] { log("Create directories"); });
    resumeNext([&] { report(0); });
    for (const auto& dir : *package_->PrinterDirectories()) {
        const std::string path = dir->Path();
        if (resumeNext([&] { printer_->MakeDir(path); }))
            resumeNext([&] { log("Created directory: " + path); });
    }
    resumeNext([&] { report(100); });
}

void PrinterUpdater::UploadFiles() {
    setAction(AI_CopyingFiles);
    Ref<Gaugely::Progress> progress;
    Platform::Files::TemporaryFile temporary;
    try {
        log("File upload");
        // A progress without tasks has no percentage to report.
        if (package_->PrinterFiles()->Count() == 0) {
            report(100);
            return;
        }
        progress = NewProgress();
        auto resources = flashFile_->Resources();
        for (const auto& file : *package_->PrinterFiles())
            progress->TaskAdd("Uploading " + file->FileTitle(), resources->Item(file->FileTitle())->Size());
        progress->setStart(true);
        int32_t task = 1;
        for (const auto& file : *package_->PrinterFiles()) {
            CancelPoint();
            temporary = GetTempFileFromData(resources->Item(file->FileTitle())->DataString());
            progress->setTaskIndex(task);
            log("File upload: " + file->DestinationPath());
            printer_->FileUpload(temporary.Path(), file->DestinationPath(), progress);
            ++task;
            temporary.Remove();
        }
        progress->setStart(false);
    } catch (...) {
        Platform::ErrorInfoHolder captured;
        captured.Capture(std::current_exception());
        logQuietly("File upload\t" + captured.Description());
        // The temporary file goes however the upload failed.
        temporary.Remove();
        if (captured.Number() == Aborted) {
            if (progress)
                progress->setStart(false);
            NotifyError(printerName_, AI_CopyingFiles, Aborted);
        }
        captured.Raise();
    }
}

} // namespace Renova
