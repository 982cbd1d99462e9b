#include "Brindle/FileTransfer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "Brindle/InstallableFile.h"
#include "Brindle/KermitTransfer.h"
#include "Brindle/RAWTransfer.h"
#include "Brindle/TransferCommands.h"
#include "Brindle/ZModemTransfer.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"
#include "Tethra/modClassIDGenerator.h"
#include "automation/Error.h"
#include "errors/ErrorTextProvider.h"
#include "files/ReplacementFile.h"
#include "files/TemporaryFile.h"

namespace Brindle {

namespace fs = std::filesystem;
using Automation::Ref;
using Platform::ErrorTextProvider;

namespace {

constexpr int32_t PortSerial = 1;
constexpr int32_t PortNetwork = 2;

} // namespace

FileTransfer::FileTransfer() : instanceId_(Tethra::modClassIDGenerator::NextInstanceID("FileTransfer")) {}

void FileTransfer::setRawTransferUploadCancelCatTimeout(int32_t value) {
    cancelCatTimeout_ = std::max(value, MinimumCancelCatTimeoutMs);
}

void FileTransfer::setRawTransferUploadRestoreTimeout(int32_t value) {
    restoreTimeout_ = std::max(value, MinimumRestoreTimeoutMs);
}

void FileTransfer::errorExit(const Automation::Error& error, const std::string& source) {
    if (error.Number() > 50000 && printer_) {
        const auto& errors = printer_->Errors();
        if (errors->Count() > 0)
            Automation::raise(errors->Item(1)->Number(), source, "Rubric:" + errors->Item(1)->Description());
    }
    Automation::reraise(error, source);
}

Ref<Tethra::Connection> FileTransfer::readyConnection(const std::string& source) {
    if (!printer_ || !printer_->Connection())
        ErrorTextProvider::RaiseLibraryError(116, source);
    Ref<Tethra::Connection> connection = printer_->Connection();
    if (connection->Busy())
        ErrorTextProvider::RaiseLibraryError(121, source);
    return connection;
}

void FileTransfer::checkNetworkVersion(const Ref<Tethra::Connection>& connection, const std::string& source) {
    if (connection->PortType() == PortNetwork &&
        TransferCommands::NetworkTransferRefused(RubricVersionNumber::FromText(printer_->RubricVersion())))
        ErrorTextProvider::RaiseLibraryError(201, source);
}

void FileTransfer::Download(const std::string& SourceFilename, const std::string& DestinationFilename,
                            const Ref<Gaugely::Progress>& Progress) {
    const std::string own = "Filetransfer:Download method";
    try {
        Ref<Tethra::Connection> connection = readyConnection(own);
        checkNetworkVersion(connection, own);
        // A folder that is not there would fail the download only at its end.
        std::error_code unreadable;
        const fs::path folder = fs::absolute(DestinationFilename, unreadable).parent_path();
        if (!fs::is_directory(folder, unreadable))
            Automation::raise(Automation::RuntimeError::PathNotFound, own,
                              "Path not found: \"" + folder.string() + "\"");
        int32_t size = printer_->GetFileSize(SourceFilename);
        // The transports write the PC file through a replacement beside it, so
        // a file already there stays as it was until the new one is complete.
        if (connection->PortObject().as<Tethra::NetPort>())
            DownloadNet(SourceFilename, DestinationFilename, size, Progress);
        else if (connection->PortObject().as<Tethra::SerPort>())
            transferSer(false, SourceFilename, DestinationFilename, size, Progress);
    } catch (const Automation::Error& error) {
        errorExit(error, "FileTransfer:Download Method");
    }
}

void FileTransfer::Upload(const std::string& SourceFilename, const std::string& DestinationFilename,
                          const Ref<Gaugely::Progress>& Progress) {
    const std::string own = "Filetransfer:Upload method";
    Ref<Tethra::Connection> connection = readyConnection(own);
    try {
        checkNetworkVersion(connection, own);
        if (!PCFileExists(SourceFilename))
            Automation::raise(Automation::RuntimeError::FileNotFound, "FileTransfer:Upload method",
                              "File not found: \"" + SourceFilename + "\"");
        int64_t existing = 0;
        bool present = false;
        try {
            existing = printer_->GetFileSize(DestinationFilename);
            present = true;
        } catch (const Automation::Error&) {
            // No such file on the printer yet.
        }
        int64_t free = printer_->GetBytesFree(DestinationFilename);
        std::error_code unreadable;
        auto length = static_cast<int64_t>(fs::file_size(SourceFilename, unreadable));
        if (unreadable)
            Automation::raise(Platform::Files::PathFileAccessError, "FileTransfer:Upload method",
                              "Could not read the size of " + SourceFilename + ": " + unreadable.message());
        if (length >= free + existing + RoomAllowance)
            ErrorTextProvider::RaiseLibraryError(124, own);
        // An abort heard while the printer was asked about the file leaves
        // the file it has: nothing would replace it.
        if (Progress && Progress->Cancel())
            ErrorTextProvider::RaiseLibraryError(113, own);
        if (present)
            printer_->KillFile(DestinationFilename);
        auto size = static_cast<int32_t>(length);
        if (connection->PortObject().as<Tethra::NetPort>())
            UploadNet(SourceFilename, DestinationFilename, size, Progress);
        else if (connection->PortObject().as<Tethra::SerPort>())
            transferSer(true, SourceFilename, DestinationFilename, size, Progress);
        if (connection->PortType() == PortSerial &&
            TransferCommands::NeedsHelloAfterSerialUpload(
                RubricVersionNumber::FromText(printer_->RubricVersion())))
            printer_->Command("PRINT\"HELLO\r", nullptr, 15000, false, false);
    } catch (const Automation::Error& error) {
        errorExit(error, own);
    }
}

void FileTransfer::UploadDataToFile(const std::string& Expression, const std::string& DestinationFilename,
                                    const Ref<Gaugely::Progress>& Progress) {
    const std::string own = "Filetransfer:UploadDataToFile method";
    try {
        std::string temp = PCCreateTempFile(Expression);
        try {
            Upload(temp, DestinationFilename, Progress);
        } catch (const Automation::Error&) {
            PCDeleteFile(temp);
            throw;
        }
        PCDeleteFile(temp);
    } catch (const Automation::Error& error) {
        errorExit(error, own);
    }
}

bool FileTransfer::UseZModem() {
    if (!printer_ || !printer_->Connection() || printer_->Connection()->PortType() != PortSerial)
        return false;
    auto port = printer_->Connection()->PortObject().as<Tethra::SerPort>();
    return port && TransferCommands::UsesZModem(RubricVersionNumber::FromText(printer_->RubricVersion()),
                                                port->Databits());
}

void FileTransfer::run(const Ref<ITransfer>& transport, const Ref<Gaugely::Progress>& progress, bool upload,
                       const std::string& source, const std::string& destination, int32_t size,
                       const std::string& expression) {
    transport->setConnection(printer_->Connection());
    transport->setProgressObject(progress);
    try {
        if (upload)
            transport->Upload(source, destination, size, expression);
        else
            transport->Download(source, destination, size, expression);
    } catch (const Automation::Error&) {
        transport->setConnection(nullptr);
        transport->setProgressObject(nullptr);
        throw;
    }
    transport->setConnection(nullptr);
    transport->setProgressObject(nullptr);
}

void FileTransfer::transferSer(bool upload, const std::string& source, const std::string& destination,
                               int32_t size, const Ref<Gaugely::Progress>& progress) {
    const std::string own = upload ? "FileTransfer:UploadSer Method" : "FileTransfer:DownloadSer Method";
    try {
        bool zmodem = UseZModem();
        Ref<ITransfer> transport = zmodem ? Ref<ITransfer>(Automation::New<ZModemTransfer>())
                                          : Ref<ITransfer>(Automation::New<KermitTransfer>());
        run(transport, progress, upload, source, destination, size,
            upload ? TransferCommands::SerialUpload(zmodem, destination, own)
                   : TransferCommands::SerialDownload(zmodem, source, own));
    } catch (const Automation::Error& error) {
        Automation::raise(error.Number(), own, error.Description());
    }
}

void FileTransfer::DownloadNet(const std::string& source, const std::string& destination, int32_t size,
                               const Ref<Gaugely::Progress>& progress) {
    run(Automation::New<RAWTransfer>(), progress, false, source, destination, size,
        TransferCommands::NetDownload(source, "FileTransfer:DownloadNet Method"));
}

void FileTransfer::UploadNet(const std::string& source, const std::string& destination, int32_t size,
                             const Ref<Gaugely::Progress>& progress) {
    auto transport = Automation::New<RAWTransfer>();
    try {
        run(transport, progress, true, source, destination, size,
            TransferCommands::NetUpload(cancelCatTimeout_, size, destination,
                                        "FileTransfer:UploadNet Method"));
        restoreCommandLine();
        if (InstallableFile::IsInstallableFile(source))
            printer_->InstallPrinterResource(destination);
    } catch (const Automation::Error& error) {
        // An aborted upload has left the printer at its command line. After
        // another failure its cat may still run: let it run into its own
        // time-out, then take the command line back. The transfer's error is
        // the one reported.
        if (transport->Status() != Tethra::FileTransfer_FileAbort) {
            printer_->Connection()->Wait(cancelCatTimeout_ + restoreTimeout_, true);
            try {
                restoreCommandLine();
            } catch (const Automation::Error&) {
            }
        }
        Automation::raise(error.Number(), "Transfer:FileUploadNet Method", error.Description());
    }
}

void FileTransfer::restoreCommandLine() {
    printer_->Command("PRINT\"READY?\r", nullptr, restoreTimeout_, true, true);
}

bool FileTransfer::PCFileExists(const std::string& Filename) {
    std::error_code ignored;
    return !Filename.empty() && fs::is_regular_file(Filename, ignored);
}

std::string FileTransfer::PCCreateTempFile(const std::string& Expression) {
    return Platform::Files::CreateTemporaryFile(Expression, "kestrup-data-", "FileTransfer:PCCreateTempFile");
}

void FileTransfer::PCDeleteFile(const std::string& Filename) {
    if (PCFileExists(Filename))
        ::unlink(Filename.c_str());
}

void FileTransfer::PCMoveFile(const std::string& FromFileName, const std::string& ToFileName) {
    if (!PCFileExists(FromFileName))
        return;
    // A rename replaces the destination in one step.
    if (::rename(FromFileName.c_str(), ToFileName.c_str()) != 0)
        Automation::raise(Platform::Files::PathFileAccessError, "FileTransfer:PCMoveFile",
                          "Could not move " + FromFileName + " to " + ToFileName + ": " +
                              std::strerror(errno));
}

std::string FileTransfer::PCMoveFileToTempFile(const std::string& Filename) {
    if (!PCFileExists(Filename))
        return {};
    fs::path path(Filename);
    std::string temp = Platform::Files::CreateUniqueFile(
        (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string(),
        "FileTransfer:PCMoveFileToTempFile");
    PCMoveFile(Filename, temp);
    return temp;
}

bool FileTransfer::IsTTFFont(const std::string& FileNameTTF) {
    return InstallableFile::IsTTFFont(FileNameTTF);
}

} // namespace Brindle
