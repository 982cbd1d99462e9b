#pragma once
// One Vantor printer on a bound Connection: framed commands with parsed
// replies, the state that every reply reports, the printer's output streams,
// and the clients that want to hear when that state changes.
#include <cstdint>
#include <string>

#include "Brindle/ConfigurationEnums.h"
#include "Brindle/FontRender.h"
#include "Brindle/IPrinterClientObj.h"
#include "Brindle/IProtocolHandlerCallback.h"
#include "Brindle/IRegister.h"
#include "Brindle/ImageRender.h"
#include "Brindle/MediaInfo.h"
#include "Brindle/ProtocolHandler.h"
#include "Brindle/RLLImage.h"
#include "Brindle/RubricErrors.h"
#include "Brindle/RubricVersionNumber.h"
#include "Gaugely/Progress.h"
#include "Proptree/Properties.h"
#include "Tethra/Connection.h"
#include "automation/Collection.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Brindle {

class FileTransfer;

class Printer : public Automation::Object, public IRegister {
public:
    static constexpr Automation::ClassInfo classInfo{"{2D8A6F14-9B3E-4C57-A1E0-7F4B2C9D6E38}",
                                                     "Brindle.Printer",
                                                     "{E5C13B79-0A4D-4E86-B2F7-3A9D1E6C8F45}"};

    Printer() = default;
    ~Printer() override;

    // The printer's description for property lists (IPrinterProperties):
    // Name, SoftwareVer, HardwareVer and McsID, read-only.
    Automation::Ref<Proptree::Properties> Properties();
    const Automation::InterfaceTable* interfaceTable(std::string_view interfaceName) const override;

    enumRubricMode RubricMode() const;
    const Automation::Ref<RubricErrors>& Errors();

    bool IsDeviceMounted(const std::string& DeviceName);
    // Whether the printer answers the hello; a Progress given follows the
    // wait, and its Cancel ends it as no answer.
    bool IsImmediateMode(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    std::string RubricVersionStr();
    // The normalised "#.#0" form ("8.10").
    std::string RubricVersion();
    int32_t StdIO();
    std::string StdioStr();
    int32_t LegacyMode();
    std::string LineBreakStr();
    std::string UserName();

    Automation::Ref<Tethra::Connection> Connection() const { return connection_; }
    void setConnection(const Automation::Ref<Tethra::Connection>& value);

    // Take (and so remove) the bytes waiting in the output streams.
    Automation::ByteArray TerminalReceivedBinary();
    Automation::ByteArray DebugReceivedBinary();
    Automation::ByteArray APReceivedBinary();
    std::string TerminalReceived();
    std::string DebugReceived();
    std::string APReceived();

    std::string Command(std::string Expression, const Automation::Ref<Gaugely::Progress>& Progress = nullptr,
                        int32_t Timeout = 0, bool TranslateLineBreaks = true,
                        bool RaiseErrorFromRubric = true);
    void AbortCommand();

    int32_t GetBytesFree(const std::string& DeviceName);
    std::string GetMCSName();
    void SetDisplay(const std::string& TextToDisplay, int32_t SoundFreq = 0, int32_t SoundDuration = 0);
    int32_t GetFileSize(const std::string& Filename);

    // Files and transfers.
    std::string GetFiles(const std::string& Path = "/", bool Recursive = false,
                         const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void KillDir(const std::string& Path, const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void KillFile(const std::string& Path, const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void MakeDir(const std::string& NewDirFullPath);
    void CopyFile(const std::string& SourceFilename, const std::string& DestinationFilename,
                  const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void RemoveImage(const std::string& ImageName,
                     const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void FileDownload(const std::string& SourceFilename, const std::string& DestinationFilename,
                      const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void FileUpload(const std::string& SourceFilename, const std::string& DestinationFilename,
                    const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void UploadDataToFile(const std::string& Expression, const std::string& DestinationFilename,
                          const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    // Milliseconds; reading a value never set gives the transfer's default.
    int32_t RawTransferUploadCancelCatTimeout();
    void setRawTransferUploadCancelCatTimeout(int32_t value) { cancelCatTimeout_ = value; }
    int32_t RawTransferUploadRestoreTimeout();
    void setRawTransferUploadRestoreTimeout(int32_t value) { restoreTimeout_ = value; }
    // Asks the printer to install a font or image file it holds.
    void InstallPrinterResource(const std::string& PrinterFilename);

    bool APSeparationEnable() const { return handler_ && handler_->APSeparationEnable(); }
    void setAPSeparationEnable(bool value);

    // Configuration and setup.
    void FormatDevice(const std::string& DeviceName,
                      const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    // Firmware is installed by the firmware loader; this accepts and ignores its arguments.
    void UpgradeFirmware(const Automation::Variant& FirmwarePathOrData,
                         const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    // A sum of enumHardwareOptions.
    int32_t GetHardwareConfiguration();
    int32_t GetMemoryConfiguration(enumMemoryTypes MemoryType);
    void Reboot(bool Silent = false);
    void ChangeSetupParameter(const std::string& SetupKey, const std::string& NewValue);
    std::string GetSetupParameter(const std::string& SetupKey);
    std::string GetSetup(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void ChangeUser(const std::string& UserName, const std::string& Password = {});
    bool IsDebuggerEnabled();

    // Programs.
    void NewProgram(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void LoadProgramFile(const std::string& Filename,
                         const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    void LoadProgramModule(const std::string& ModuleText,
                           const Automation::Ref<Gaugely::Progress>& Progress = nullptr,
                           bool RaiseErrorFromRubric = false);
    void MergeProgramFile(const std::string& Filename,
                          const Automation::Ref<Gaugely::Progress>& Progress = nullptr,
                          bool RaiseErrorFromRubric = false);
    void SaveProgramFile(const std::string& SaveToFilename, bool LinenumberLess = true,
                         bool Protected = false,
                         const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    bool CanRunProgram(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);

    // Listings, media and previews.
    std::string GetFonts(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    std::string GetImages(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    std::string GetBarcodes();
    std::string GetModel();
    // Nothing on printers that cannot report their media.
    Automation::Ref<MediaInfo> GetMediaInfo();
    Automation::Ref<RLLImage> GetImageBuffer(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    Automation::Ref<ImageRender> GetImageRender();
    Automation::Ref<FontRender> GetFontRender();

    // Clients.
    void AddClient(const Automation::Ref<IPrinterClientObj>& ClientObj) override;
    void RemoveClient(const Automation::Ref<IPrinterClientObj>& ClientObj) override;
    void NotifyClientsAboutFilesystemUpdate(const std::string& NewData);
    void NotifyClientsAboutSetupRefresh(const std::string& NewData);
    void NotifyClientsAboutFontsRefresh(const std::string& NewData);
    void NotifyClientsAboutImagesRefresh(const std::string& NewData);
    bool NotifyClientsAboutPrinterRefresh();
    bool NotifyClientsAboutDestruction();
    bool RefreshNotificationsEnabled() const { return refreshNotificationsEnabled_; }
    void setRefreshNotificationsEnabled(bool value) { refreshNotificationsEnabled_ = value; }

    Automation::Event<> OnTerminalInput;
    Automation::Event<> OnDebugInput;
    Automation::Event<> OnApplicationProtocolInput;
    Automation::Event<> OnPrinterRefresh;

private:
    // The protocol handler's calls; an object of its own, because the
    // Printer's own TerminalReceived is the text of the terminal stream.
    class Callback : public Automation::Object, public IProtocolHandlerCallback {
    public:
        explicit Callback(Printer* printer) : printer_(printer) {}
        void TerminalReceived() override { printer_->OnTerminalInput.raise(); }
        void DebugProtocolReceived() override { printer_->OnDebugInput.raise(); }
        void ApplicationProtocolReceived() override { printer_->OnApplicationProtocolInput.raise(); }
        void CommandProtocolReceived(const Automation::Ref<CommandReply>& CommandReplyObj) override {
            printer_->CommandProtocolReceived(CommandReplyObj);
        }
        void ProcessEvents() override { printer_->connection_->ProcessEvents(); }
        void PackageDelay() override { printer_->PackageDelay(); }

    private:
        Printer* printer_;
    };

    void CommandProtocolReceived(const Automation::Ref<CommandReply>& reply);
    void PackageDelay();

    // Whether the printer answers the hello; the failure is kept when asked for.
    bool RubricHello(Automation::Error* failure,
                     const Automation::Ref<Gaugely::Progress>& progress = nullptr);
    // The probe runs first while the state is unknown.
    void ensureState();
    void ClearCache();
    template <class F> void forEachClient(F call);
    Automation::Ref<ProtocolHandler> protocolHandler();
    // 116 with the member's source when no connection is bound.
    void requireConnection(const std::string& source) const;
    // A FileTransfer for this printer with its time-outs; the printer keeps
    // the values the transfer accepted.
    Automation::Ref<FileTransfer> prepareFileTransfer();

    Automation::Ref<Tethra::Connection> connection_;
    Automation::EventConnection onReceive_, afterChanged_, beforeDestroy_;
    Automation::Ref<ProtocolHandler> handler_;
    Automation::Ref<Callback> callback_ = Automation::New<Callback>(this);
    std::string versionText_;
    int32_t stdIO_ = -1;
    int32_t verbosityLevel_ = 0;
    int32_t errorMsgType_ = 0;
    std::string lineBreak_;
    int32_t legacyMode_ = 0;
    int32_t startUp_ = 0;
    Automation::Ref<Automation::Collection<Automation::Ref<IPrinterClientObj>>> clients_;
    bool refreshNotificationsEnabled_ = true;
    Automation::Ref<RubricErrors> errors_;
    std::string userName_;

    // Programs: the line that sets the frame's saved verbosity and error
    // message type again after a statement that clears the variables, and
    // the command of such a statement, sent while replies leave both alone.
    std::string restoreLine();
    std::string programCommand(const std::string& text, const Automation::Ref<Gaugely::Progress>& progress);
    bool programOperation_ = false;
    Automation::Ref<Proptree::Properties> properties_;
    int32_t cancelCatTimeout_ = 0;
    int32_t restoreTimeout_ = 0;
};

} // namespace Brindle
