// The firmware steps: the image of a firmware job checked, and a kernel
// (the job's image or the package's) flashed by the firmware loader after
// the user the printer wants has logged in.
#include "Flashmount/RBFirmwareLoader.h"
#include "Gaugely/Progress.h"
#include "Renova/PrinterUpdater.h"

namespace Renova {

bool PrinterUpdater::CheckFirmwareFile() {
    return step("CheckFirmwareFile", "CheckFirmwareFile error: ", [&] {
        setAction(AI_Loading_Firmware_File);
        auto loader = Automation::New<Flashmount::RBFirmwareLoader>();
        log("Check Firmware file");
        report(0);
        loader->setFirmwareFilePath(job_->SourcePath());
        if (!loader->ValidFirmware())
            return false;
        report(100);
        return true;
    });
}

void PrinterUpdater::UpdateFirmware() {
    step("UpdateFirmware", "UpdateFirmware error: ", [&] {
        auto loader = Automation::New<Flashmount::RBFirmwareLoader>();
        // A package's kernel goes to the loader through a temporary file,
        // which is removed however the step ends.
        Platform::Files::TemporaryFile kernel;
        const bool firmwareJob = job_->InstallationType() == IT_Firmware;
        if (firmwareJob) {
            loader->setFirmwareFilePath(job_->SourcePath());
            if (!loader->ValidFirmware())
                Automation::raise(InvalidContent, LibrarySource,
                                  "Invalid firmware: \"" + job_->SourcePath() + "\"");
        } else {
            kernel = GetTempFileFromData(flashFile_->Resources()->Item("KERN")->DataString());
            loader->setFirmwareFilePath(kernel.Path());
        }
        auto progress = NewProgress();

        const bool due =
            firmwareJob || !CheckRubricVersion(package_->FirmwareVersion()) || package_->RubricAlwaysUpdate();
        if (!due) {
            log("Skipping Firmware update (newer or same version installed)");
            Reboot();
            return;
        }
        loader->setPrinter(printer_);
        setAction(AI_SettingUser);
        report(0);
        CancelPoint();
        std::string userName;
        // The user a login made the printer's; empty while none did.
        std::string changedTo;
        bool cancelled = false;
        while (!cancelled && !loader->CanUserUpgrade({})) {
            CancelPointBeforeAsking();
            log("Requested Login");
            std::string password;
            bool savePassword = false;
            requestClient_->RequestLogin(printerName_, userName, password, savePassword, cancelled);
            if (cancelled) {
                log("Operation Cancelled");
                break;
            }
            try {
                loader->ChangeUser(userName, password);
                // A wrong password is no error: the printer keeps its user.
                if (!userName.empty() && printer_->UserName() == userName) {
                    changedTo = userName;
                    log("Change user to: " + userName);
                }
            } catch (const Automation::Error&) {
                // A refused login shows in the next CanUserUpgrade.
            }
        }
        // CanUpgrade answers True or raises the failing precondition.
        if (loader->CanUpgrade()) {
            if (!changedTo.empty())
                log("Changed user to: " + changedTo);
            report(100);
            CancelPoint();
            setAction(AI_UpdatingFirmware);
            log("Start firmware update to " + loader->KernelID());
            loader->Flash(progress);
            log("Firmware update finished");
            report(100);
        }
    });
}

} // namespace Renova
