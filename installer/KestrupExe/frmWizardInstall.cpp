// The wizard's installation run and its answers to the engine's questions.
#include "Ferrymate/ctlTransfer.h"
#include "KestrupExe/NetworkBreakString.h"
#include "KestrupExe/SerialBreakString.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "KestrupExe/ctlSerialPorts.h"
#include "KestrupExe/frmBreakStrings.h"
#include "KestrupExe/frmLogin.h"
#include "KestrupExe/frmWizard.h"
#include "Modelpick/ctlVantorSelect.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Renova/ConfigBag.h"
#include "Renova/Enums.h"
#include "Renova/PrinterUpdater.h"
#include "messages/ModalBox.h"
#include "ui/Forms.h"

namespace Kestrup {

namespace {

// A printer as the user knows it: its address, and its name where it has one.
std::string printerText(const std::string& address, const std::string& name) {
    return name.empty() ? address : address + " (" + name + ")";
}

std::string errorText(const Automation::Error& error) {
    return "Error: " + error.Description() + "(" + std::to_string(error.Number()) + ")";
}

// What fails there fails the same way at every printer: the package, its
// UFF file, the firmware file.
bool sameForEveryPrinter(int32_t action) {
    return action == Renova::AI_Loading_Rbi || action == Renova::AI_Loading_Uff ||
           action == Renova::AI_Loading_Firmware_File;
}

// Tells the user of a printer's failure; true when the run is to go on with
// the next printer, which `next` names (empty at the last). A run that is to
// end (aborted, or failed where every printer would) asks nothing.
bool goOnAfter(const Automation::Error& error, const std::string& failed, const std::string& next,
               bool runEnds) {
    Platform::ShowModalBox(errorText(error) + "\n\nPrinter: " + failed, frmWizard::AppTitle);
    return !next.empty() && !runEnds &&
           Platform::ShowModalBox("The update of " + failed + " failed. The next printer is " + next +
                                      ".\n\nDo you want to continue the update?",
                                  frmWizard::AppTitle,
                                  Platform::MsgBoxStyle::YesNo) == Platform::MsgBoxResult::Yes;
}

} // namespace

void frmWizard::RunInstallation() {
    // A question asked again of a printer means that the last answer did not work.
    asked_.clear();
    outcome_.reset();
    switch (ctlInstFileFinder1->InstallationType()) {
    case 1:
        InstallFirmware();
        break;
    case 2:
        InstallPackage();
        break;
    default:
        break;
    }
}

void frmWizard::InstallFirmware() {
    install(Renova::IT_Firmware);
}

void frmWizard::InstallPackage() {
    install(Renova::IT_Package);
}

void frmWizard::AddNetworkPrinters() {
    auto printers = ctlVantorSelect1->GetSelectedItems();
    for (const auto& printer : *printers)
        ctlTransfer1->AddPrinter(printer->IPAddress(), printer->Name());
}

void frmWizard::install(int32_t installationType) {
    auto bag = Automation::New<Renova::ConfigBag>();
    const int32_t connectionType = ctlConnectionType1->ConnectionType();
    if (connectionType != 1 && connectionType != 2)
        return;
    const std::string logFile = WizardSettings::LogFilePath();
    auto fillJob = [&](Automation::Ref<Renova::IPrinter> target) {
        bag->setTargetPrinter(std::move(target));
        bag->setSourcePath(ctlInstFileFinder1->FilePath());
        bag->setInstallationType(installationType);
        bag->setCallbackClient(ctlTransfer1->Callback());
        bag->setRequestClient(request_);
    };
    auto setUpLog = [&](Renova::PrinterUpdater& updater, bool first) {
        auto log = updater.Log();
        log->setLogFilePath(logFile);
        log->setOverwrite(first);
        log->setAutoDate(true);
        log->setAutoTime(true);
    };
    // Every error fails its printer, whatever its number: the components'
    // own errors are negative. True when the run goes on.
    auto update = [&](Renova::PrinterUpdater& updater, size_t index, const std::string& address,
                      const std::string& name, const std::string& next) {
        try {
            runLogged_ = true;
            updater.UpdatePrinter(bag);
            outcome_->setUpdated(index);
        } catch (const Automation::Error& error) {
            // The engine reports only an aborted upload; any other failure would keep the running arrow.
            ctlTransfer1->ClearPrinterIcon(address);
            outcome_->setFailed(index, errorText(error));
            lastFailure_ = error.Description();
            const bool aborted = ctlTransfer1->AbortRequested();
            if (aborted)
                outcome_->setAborted();
            return goOnAfter(error, printerText(address, name), next,
                             aborted || sameForEveryPrinter(updater.CurrentAction()));
        }
        // An abort during a step that cannot be stopped (the flash) let the
        // printer finish; the run stops before the next one.
        if (ctlTransfer1->AbortRequested()) {
            outcome_->setAborted();
            return false;
        }
        return true;
    };

    if (connectionType == 1) {
        if (ctlSerialPorts1->SelectedSerPort().isNothing())
            Automation::raise(Automation::RuntimeError::ObjectNotSet, "frmWizard",
                              "No serial port is selected.");
        const int32_t number = ctlSerialPorts1->SelectedSerPort()->Number();
        auto updater = Automation::New<Renova::PrinterUpdater>();
        fillJob(bag->CreateSerialPrinter(static_cast<int16_t>(number)));
        setUpLog(*updater, true);
        const std::string address = "Com" + std::to_string(number);
        const std::string name = "Printer on com" + std::to_string(number);
        outcome_.emplace(std::vector<std::string>{printerText(address, name)});
        ctlTransfer1->AddPrinter(address, name);
        update(*updater, 0, address, name, {});
        return;
    }

    AddNetworkPrinters();
    auto printers = ctlVantorSelect1->GetSelectedItems();
    std::vector<std::string> names;
    for (const auto& printer : *printers)
        names.push_back(printerText(printer->IPAddress(), printer->Name()));
    outcome_.emplace(std::move(names));
    int32_t counter = 0;
    for (const auto& printer : *printers) {
        ++counter;
        auto updater = Automation::New<Renova::PrinterUpdater>();
        fillJob(bag->CreateNetworkPrinter(printer->IPAddress(), printer->Port()));
        setUpLog(*updater, counter == 1);
        std::string next;
        if (counter < printers->Count()) {
            auto following = printers->Item(counter + 1);
            next = printerText(following->IPAddress(), following->Name());
        }
        if (!update(*updater, static_cast<size_t>(counter - 1), printer->IPAddress(), printer->Name(), next))
            return;
    }
}

bool frmWizard::askedBefore(const std::string& question) {
    return !asked_.insert(question).second;
}

void frmWizard::ReqNotMatch(const std::string& sText, bool& Cancel) {
    if (Platform::ShowModalBox(sText, "Requirements don't match", Platform::MsgBoxStyle::OKCancel) ==
        Platform::MsgBoxResult::Cancel)
        Cancel = true;
}

void frmWizard::RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel) {
    auto answer = Automation::New<NetworkBreakString>();
    frmBreakStrings dialog(this);
    dialog.setBreakStringObj(answer);
    dialog.setPrinterName(sPrinter);
    dialog.setLastTryFailed(askedBefore("break " + sPrinter));
    Platform::Ui::ShowModal(dialog);
    if (!dialog.CancelPressed())
        sBreak = answer->getBreakString();
    else
        Cancel = true;
}

void frmWizard::RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate, int16_t& Databits,
                                            int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                            bool& Cancel) {
    auto answer = Automation::New<SerialBreakString>();
    frmBreakStrings dialog(this);
    dialog.setBreakStringObj(answer);
    dialog.setPrinterName(sPrinter);
    dialog.setLastTryFailed(askedBefore("break " + sPrinter));
    Platform::Ui::ShowModal(dialog);
    if (dialog.CancelPressed()) {
        Cancel = true;
        return;
    }
    Baudrate = answer->Baudrate();
    Databits = static_cast<int16_t>(answer->Databits());
    Parity = static_cast<int16_t>(answer->Parity());
    Stopbits = static_cast<int16_t>(answer->Stopbits());
    sBreakString = answer->getBreakString();
}

void frmWizard::RequestLogin(const std::string& sPrinter, std::string& sUserName, std::string& sPassword,
                             bool&, bool& Cancel) {
    frmLogin dialog;
    dialog.setUserName(sUserName);
    dialog.setPrinterName(sPrinter);
    dialog.setLastTryFailed(askedBefore("login " + sPrinter));
    Platform::Ui::ShowModal(dialog);
    sUserName = dialog.UserName();
    sPassword = dialog.Password();
    Cancel = dialog.CancelPressed();
}

} // namespace Kestrup
