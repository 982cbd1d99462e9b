#pragma once
// The wizard: ten pages in one window, a bar of five navigation buttons, and
// the installation run inside the Next click that enters its page. It
// answers the installation engine's questions (IRequest).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include <QWidget>

#include "KestrupExe/Navigation.h"
#include "KestrupExe/RunOutcome.h"
#include "Renova/IRequest.h"
#include "Scrivel/KSDoc.h"
#include "automation/Error.h"
#include "automation/Object.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace Ferrymate {
class ctlTransfer;
}
namespace Modelpick {
class ctlVantorSelect;
}
namespace Pickett {
class ctlInstFileFinder;
}
namespace Platform::Ui {
class HelpViewer;
}

namespace Kestrup {

class ctlConnectionType;
class ctlLicense;
class ctlReadme;
class ctlReport;
class ctlSerialPorts;

class frmWizard : public QWidget {
    Q_OBJECT
public:
    // The program's name: the end of every caption and the title of its boxes.
    static constexpr const char* AppTitle = "Kestrup";

    // Reads the settings, shows the first page and takes the command line's package.
    explicit frmWizard(const std::string& commandLine, QWidget* parent = nullptr);
    ~frmWizard() override;

    int16_t CurrentStep() const { return currentStep_; }
    // The form as the engine's question client (ConfigBag.RequestClient).
    Automation::Ref<Renova::IRequest> RequestClient() const { return request_; }

    // The engine's questions.
    void ReqNotMatch(const std::string& sText, bool& Cancel);
    void RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel);
    void RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate, int16_t& Databits,
                                     int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                     bool& Cancel);
    void RequestLogin(const std::string& sPrinter, std::string& sUserName, std::string& sPassword,
                      bool& SavePassword, bool& Cancel);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Return and Enter press the focused button, else the page's default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Request;

    QWidget* addFrame(int16_t step, const char* instruction, QWidget* control);
    void cmdNav_Click(int index);
    // Any error that escapes ends on the failure page.
    void cmdNavGuarded(const std::function<void()>& body);
    // `what` is the error's text, told where this run wrote no log.
    void showFailure(const std::string& what);
    void navigate(int index);
    void ShowStep(int16_t step, int direction);
    void SwitchFrame(int16_t step);
    void UpdateCaption(int16_t step);
    void UpdateNavButtons(int16_t step);
    void focusFirstControl(QWidget* frame);
    void applyButtons();
    void ShowHelp(int32_t context);
    Platform::Ui::HelpViewer& HelpObject();
    bool ReadCommandLine(const std::string& commandLine);
    PackageChoice packageChoice() const;
    PageState pageState() const;
    // A control of the page changed what its Next waits for; the buttons
    // follow only while that page is shown.
    void pageEvent(int16_t step);
    // The picker's start folder, filter and listing, set once so that the
    // folder and the choice the user makes stay.
    void startPicker();
    // The start folder and filter, once.
    void setUpPicker();
    // What keeps the chosen package from being installed (its UFF file is
    // missing or damaged, or lacks one of the package's files); empty where
    // nothing does or no package is chosen. Read once a package, or `again`.
    std::string packageProblem(bool again) const;
    // Names the chosen package where it cannot be installed.
    void packageChosen();
    void showReport(ctlReport& report, const std::string& text, int16_t step, bool withLog);
    // The page a run ends on: the finish page where a printer was updated,
    // the failure page where none was.
    void showRunEnd();
    void chkShowIntro_Click();

    // The installation of the chosen file on every chosen printer.
    void RunInstallation();
    void InstallFirmware();
    void InstallPackage();
    void install(int32_t installationType);
    void AddNetworkPrinters();
    // True when the same question was asked before in this run.
    bool askedBefore(const std::string& question);

    int16_t currentStep_ = 0;
    NavigationButtons bar_;
    bool commandLineFlag_ = false;
    bool pickerStarted_ = false;
    // The licence last shown, whose agreement holds only for it.
    std::string agreedLicense_;
    bool installing_ = false;
    // Set once an engine has been started, which begins the run's log.
    bool runLogged_ = false;
    // What became of the printers of the last run.
    std::optional<RunOutcome> outcome_;
    // The description of the run's last failure.
    std::string lastFailure_;
    // The package whose UFF file was read last, and what keeps it from being installed.
    mutable Automation::Ref<Scrivel::KSDoc> checkedPackage_;
    mutable std::string checkedProblem_;
    // The questions asked in this run, by kind and printer.
    std::set<std::string> asked_;
    std::unique_ptr<Platform::Ui::HelpViewer> help_;
    Automation::Ref<Renova::IRequest> request_;

    QStackedWidget* fraStep;
    std::array<QWidget*, 10> frames_{};
    std::array<QPushButton*, 5> cmdNav{};
    QCheckBox* chkShowIntro;
    Pickett::ctlInstFileFinder* ctlInstFileFinder1;
    ctlLicense* ctlLicense1;
    ctlReadme* ctlReadme1;
    ctlConnectionType* ctlConnectionType1;
    ctlSerialPorts* ctlSerialPorts1;
    Modelpick::ctlVantorSelect* ctlVantorSelect1;
    Ferrymate::ctlTransfer* ctlTransfer1;
    ctlReport* ctlReportErr;
    ctlReport* ctlReportFinish;
};

} // namespace Kestrup
