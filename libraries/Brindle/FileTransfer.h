#pragma once
// Moves one file between the PC and the file system of the printer that a
// Printer drives, choosing the transport from the connection's port: the raw
// TCP stream on the network, ZModem or Kermit on a serial line. It checks the
// room on the printer before an upload, replaces the printer's old file, and
// asks the printer to install a font or image that arrived over the network.
#include <cstdint>
#include <string>

#include "Brindle/ITransfer.h"
#include "Brindle/Printer.h"
#include "Gaugely/Progress.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Brindle {

class FileTransfer : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{7E41C2A9-5D36-4B8F-9A17-C3E0B6F24D58}",
                                                     "Brindle.FileTransfer",
                                                     "{8F52D3BA-6E47-4C90-AB28-D4F1C7035E69}"};

    // The printer's cat must be given whole seconds, and the printer needs
    // a moment to take its command line back.
    static constexpr int32_t MinimumCancelCatTimeoutMs = 2000;
    static constexpr int32_t MinimumRestoreTimeoutMs = 1000;
    // Room the printer has beyond what it reports free.
    static constexpr int64_t RoomAllowance = 3072;

    FileTransfer();

    void setPrinter(const Automation::Ref<Printer>& value) { printer_ = value; }

    void Download(const std::string& SourceFilename, const std::string& DestinationFilename,
                  const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void Upload(const std::string& SourceFilename, const std::string& DestinationFilename,
                const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    // Uploads the bytes of Expression (one byte per character) as a file.
    void UploadDataToFile(const std::string& Expression, const std::string& DestinationFilename,
                          const Automation::Ref<Gaugely::Progress>& Progress = nullptr);

    // PC file helpers.
    bool PCFileExists(const std::string& Filename);
    // A new private temporary file holding Expression; its path.
    std::string PCCreateTempFile(const std::string& Expression);
    void PCDeleteFile(const std::string& Filename);
    void PCMoveFile(const std::string& FromFileName, const std::string& ToFileName);
    // Moves the file to a new name beside it and gives that name; "" when
    // there is no such file.
    std::string PCMoveFileToTempFile(const std::string& Filename);
    bool IsTTFFont(const std::string& FileNameTTF);

    Automation::Variant ClassDebugID() const { return Automation::Variant(instanceId_); }

    int32_t RawTransferUploadCancelCatTimeout() const { return cancelCatTimeout_; }
    void setRawTransferUploadCancelCatTimeout(int32_t value);
    int32_t RawTransferUploadRestoreTimeout() const { return restoreTimeout_; }
    void setRawTransferUploadRestoreTimeout(int32_t value);

private:
    // The one way out of the three transfer members: a printer's error is
    // reported as the printer put it.
    [[noreturn]] void errorExit(const Automation::Error& error, const std::string& source);
    // 116 without a printer, 121 while its connection is busy.
    Automation::Ref<Tethra::Connection> readyConnection(const std::string& source);
    // The raw transfer needs firmware whose cat has markers and time-outs.
    void checkNetworkVersion(const Automation::Ref<Tethra::Connection>& connection,
                             const std::string& source);
    bool UseZModem();
    // ZModem or Kermit, as the firmware and the line's data bits allow.
    void transferSer(bool upload, const std::string& source, const std::string& destination, int32_t size,
                     const Automation::Ref<Gaugely::Progress>& progress);
    void DownloadNet(const std::string& source, const std::string& destination, int32_t size,
                     const Automation::Ref<Gaugely::Progress>& progress);
    void UploadNet(const std::string& source, const std::string& destination, int32_t size,
                   const Automation::Ref<Gaugely::Progress>& progress);
    // Runs one transfer bound to the printer's connection and progress.
    void run(const Automation::Ref<ITransfer>& transport, const Automation::Ref<Gaugely::Progress>& progress,
             bool upload, const std::string& source, const std::string& destination, int32_t size,
             const std::string& expression);
    // The printer's command line answers again after its cat has ended.
    void restoreCommandLine();

    Automation::Ref<Printer> printer_;
    int32_t instanceId_;
    int32_t cancelCatTimeout_ = MinimumCancelCatTimeoutMs;
    int32_t restoreTimeout_ = MinimumRestoreTimeoutMs;
};

} // namespace Brindle
