#include "Renova/PrinterUpdater.h"

#include "Brindle/Global.h"
#include "Gaugely/Progress.h"
#include "Renova/ErrObj.h"
#include "Tethra/Global.h"
#include "errors/ErrorInfoHolder.h"
#include "errors/ErrorTextProvider.h"

namespace Renova {

using Automation::Ref;

Automation::Error PrinterUpdater::currentError() {
    Platform::ErrorInfoHolder holder;
    holder.Capture(std::current_exception());
    return Automation::Error(holder.Number(), holder.Source(), holder.Description());
}

std::string PrinterUpdater::errorLine(const std::string& prefix, int32_t number,
                                      const std::string& description) {
    return prefix + description + "(" + std::to_string(number) + ")";
}

PrinterUpdater::~PrinterUpdater() {
    client_.reset();
    requestClient_.reset();
    targetPrinter_.reset();
    job_.reset();
    package_.reset();
    flashFile_.reset();
    try {
        if (connection_)
            Tethra::Global::TeardownConnectionObj(connection_);
        if (printer_)
            Brindle::Global::TeardownPrinterObj(printer_);
    } catch (const Automation::Error&) {
        // A port that fails to close cannot stop the engine from going.
    }
}

Ref<LogWriter> PrinterUpdater::Log() {
    if (!log_)
        log_ = Automation::New<LogWriter>();
    return log_;
}

void PrinterUpdater::logQuietly(const std::string& text) noexcept {
    try {
        log(text);
    } catch (...) {
        // The error being handled is the one to report.
    }
}

void PrinterUpdater::stepFailed(const char* name, const char* logPrefix) {
    Automation::Error error = currentError();
    auto carrier = Automation::New<ErrObj>();
    carrier->LoadErrObj(error, std::string("PrinterUpdater:") + name);
    if (logPrefix)
        logQuietly(errorLine(logPrefix, carrier->Number(), carrier->Description()));
    carrier->Raise();
}

void PrinterUpdater::NotifyClientProgress(const std::string& Info, int32_t Progress,
                                          const std::string& sPrinter) {
    if (!client_)
        return;
    reportedAction_ = currentAction_;
    reportedPercent_ = Progress;
    reportedInfo_ = Info;
    bool cancel = cancel_;
    client_->Progress(Info, Progress, sPrinter, currentAction_, cancel);
    cancel_ = cancel_ || cancel;
}

void PrinterUpdater::CancelPoint() {
    if (cancel_)
        Platform::ErrorTextProvider::RaiseLibraryError(Aborted, "PrinterUpdater");
}

void PrinterUpdater::CancelPointBeforeAsking() {
    if (!cancel_) {
        if (reportedAction_ == currentAction_)
            NotifyClientProgress(reportedInfo_, reportedPercent_, printerName_);
        else
            report(0);
    }
    CancelPoint();
}

Ref<Gaugely::Progress> PrinterUpdater::NewProgress() {
    auto progress = Automation::New<Gaugely::Progress>();
    progress->setReceiver(self<Gaugely::IProgressCallBack>());
    return progress;
}

Ref<Gaugely::Progress> PrinterUpdater::NewResponseWait() {
    auto progress = NewProgress();
    progress->TaskAdd("Waiting for response", 1);
    progress->setTaskIndex(1);
    return progress;
}

void PrinterUpdater::NotifyError(const std::string& sPrinter, int32_t, int32_t Error) {
    if (client_)
        client_->Error(sPrinter, currentAction_, Error);
}

void PrinterUpdater::Feedback(const Ref<Gaugely::Progress>& ProgressObj, bool& Cancel) {
    try {
        NotifyClientProgress(ProgressObj->Text(), ProgressObj->Percentage(), printerName_);
    } catch (...) {
        // A failing report never stops a transfer.
        Automation::Error error = currentError();
        logQuietly(errorLine("Error:", error.Number(), error.Description()));
    }
    // The request stays for the job's own cancel points: the operation
    // that reported may not be one that stops. The flash is not handed it:
    // a printer stopped between two kernels is worse off than one whose
    // run ends when its flash has.
    Cancel = cancel_ && currentAction_ != AI_UpdatingFirmware;
}

Platform::Files::TemporaryFile PrinterUpdater::GetTempFileFromData(const std::string& sData) {
    return step("GetTempFileFromData", "GetTempFileFromData error: ", [&] {
        return Platform::Files::TemporaryFile(sData, "kestrup-install-",
                                              "PrinterUpdater:GetTempFileFromData");
    });
}

void PrinterUpdater::TearDown() {
    client_.reset();
    if (connection_)
        connection_->setPortOpen(false);
}

void PrinterUpdater::UpdatePrinter(const Ref<ConfigBag>& oConfigBag) {
    try {
        job_ = oConfigBag;
        targetPrinter_ = job_->TargetPrinter();
        if (targetPrinter_->ConnectionType() == PCT_Serial)
            printerName_ = "Com" + std::to_string(targetPrinter_.as<SerialPrinter>()->Port());
        else if (targetPrinter_->ConnectionType() == PCT_Network)
            printerName_ = targetPrinter_.as<NetworkPrinter>()->IPAddress();
        Log()->WriteHeader(printerName_);
        if (job_->CallbackClient())
            client_ = job_->CallbackClient();
        if (job_->RequestClient())
            requestClient_ = job_->RequestClient();

        const int32_t type = job_->InstallationType();
        if (type == IT_Firmware) {
            CreateActionList();
            client_->UpdateStart(actionList_, printerName_);
        } else if (type == IT_Package) {
            LoadRbiFile();
            CreateActionList();
            client_->UpdateStart(actionList_, printerName_);
            setAction(AI_Loading_Rbi);
            report(100);
            LoadUffFile();
        }
        if (type == IT_Firmware && !CheckFirmwareFile())
            Automation::raise(InvalidContent, LibrarySource,
                              "Invalid firmware file: \"" + job_->SourcePath() + "\"");
        CancelPoint();

        if (targetPrinter_->ConnectionType() == PCT_Network) {
            auto target = targetPrinter_.as<NetworkPrinter>();
            connection_ = CreateNetworkConnection(target->IPAddress(), target->IPPort());
        } else if (targetPrinter_->ConnectionType() == PCT_Serial) {
            connection_ = CreateSerialConnection();
        }
        printer_ = Automation::New<Brindle::Printer>();
        printer_->setConnection(connection_);

        if (targetPrinter_->ConnectionType() == PCT_Serial && !SerialAutoConnect())
            Automation::raise(20001, "PrinterUpdater", "Serial Autoconnect failed");
        if (targetPrinter_->ConnectionType() == PCT_Network && !NetworkConnect())
            Automation::raise(20002, "PrinterUpdater", "Network Autoconnect failed");
        ApplyTransferTimeouts();
        ConnectToPrinter();
        if (!CheckRubricVersion("7.00"))
            Automation::raise(InvalidContent, LibrarySource, "Firmware check failed");
        CancelPoint();

        if (type == IT_Package) {
            setAction(AI_ReqCheck);
            CheckRequirements();
            SetBaseSettings();
            CancelPoint();
            setAction(AI_Formatting);
            if (package_->FormatCard() || package_->FormatFlash())
                FormatDevice();
            CancelPoint();
            setAction(AI_CreatingDirectories);
            CreateDirectories();
            CancelPoint();
            setAction(AI_CopyingFiles);
            UploadFiles();
            CancelPoint();
        }
        if (type == IT_Firmware || (type == IT_Package && !package_->FirmwareVersion().empty())) {
            UpdateFirmware();
            // After a flash the loader has restarted the printer already.
            setAction(AI_Rebooting);
            report(100);
        } else if (type == IT_Package) {
            Reboot();
        }
        // An abort that came during the flash or the restart does not fail
        // the job: that step cannot be taken back, and the printer is
        // updated. The client stops its run before the next printer.
        setAction(AI_Finished);
        Finalize();
    } catch (...) {
        Automation::Error error = currentError();
        auto carrier = Automation::New<ErrObj>();
        carrier->LoadErrObj(error, "PrinterUpdater:UpdatePrinter");
        logQuietly(errorLine("Printer updater error: ", carrier->Number(), carrier->Description()));
        carrier->Raise();
    }
}

void PrinterUpdater::CreateActionList() {
    step("CreateActionList", "CreateActionList error: ", [&] {
        log("Create action list");
        actionList_.reset();
        const int32_t type = job_->InstallationType();
        if (type != IT_Firmware && type != IT_Package)
            return;
        auto list = Automation::New<ActionList>();
        if (type == IT_Firmware) {
            for (int32_t id : {AI_Loading_Firmware_File, AI_Connecting, AI_VersionCheck, AI_SettingUser,
                               AI_UpdatingFirmware, AI_Rebooting, AI_Finished})
                list->Add(id);
        } else {
            for (int32_t id : {AI_Loading_Rbi, AI_Loading_Uff, AI_Connecting, AI_VersionCheck, AI_ReqCheck})
                list->Add(id);
            if (package_->FormatFlash() || package_->FormatCard())
                list->Add(AI_Formatting);
            if (package_->PrinterDirectories()->Count() > 0)
                list->Add(AI_CreatingDirectories);
            list->Add(AI_CopyingFiles);
            if (!package_->FirmwareVersion().empty()) {
                list->Add(AI_SettingUser);
                list->Add(AI_UpdatingFirmware);
            }
            list->Add(AI_Rebooting);
            list->Add(AI_Finished);
        }
        actionList_ = list;
    });
}

void PrinterUpdater::SetBaseSettings() {
    step("SetBaseSettings", "SetBaseSettings error: ", [&] { printer_->ChangeUser("user", ""); });
}

void PrinterUpdater::FormatDevice() {
    step("FormatDevice", "Format device error: ", [&] {
        setAction(AI_Formatting);
        report(0);
        log("Format devices");
        if (printer_->IsDeviceMounted("card1:") && package_->FormatCard()) {
            printer_->FormatDevice("card1:");
            log("Formatted card1:");
        }
        if (package_->FormatFlash()) {
            printer_->FormatDevice("c:");
            log("Formatted c:");
        }
        report(100);
    });
}

void PrinterUpdater::Reboot() {
    try {
        setAction(AI_Rebooting);
        log("Reboot sent");
        // The reboot is sent on the link as it is and closes it once: a
        // printer that answered at once left it closed after its last command.
        if (!connection_->PortOpen())
            connection_->setPortOpen(true);
        printer_->Reboot();
        report(100);
    } catch (...) {
        Automation::Error error = currentError();
        auto carrier = Automation::New<ErrObj>();
        carrier->LoadErrObj(error, "PrinterUpdater:Reboot");
        logQuietly(errorLine("Reboot error: ", carrier->Number(), carrier->Description()));
        try {
            if (connection_)
                connection_->setPortOpen(false);
        } catch (...) {
            // The reboot's error is the one to report.
        }
        carrier->Raise();
    }
}

void PrinterUpdater::Finalize() {
    setAction(AI_Finished);
    log("Finalizing update");
    client_->UpdateFinshed(printerName_);
    report(100);
}

} // namespace Renova
