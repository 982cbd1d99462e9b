#include "KestrupExe/frmWizard.h"

#include <filesystem>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "Ferrymate/ctlTransfer.h"
#include "KestrupExe/CommandLine.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "KestrupExe/ctlLicense.h"
#include "KestrupExe/ctlReadme.h"
#include "KestrupExe/ctlReport.h"
#include "KestrupExe/ctlSerialPorts.h"
#include "Modelpick/ctlVantorSelect.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Scrivel/PackageDocument.h"
#include "automation/Runtime.h"
#include "files/FilePaths.h"
#include "messages/GuardedEntry.h"
#include "messages/WeakControl.h"
#include "seams/Seams.h"
#include "ui/Guarded.h"
#include "ui/HelpViewer.h"
#include "ui/Text.h"

namespace Kestrup {

namespace {

constexpr int32_t kHelpContextBase = 30000;

// The string table's titles of the steps; the failure page has none.
const char* titleOf(int16_t step) {
    static const char* const titles[] = {"Introduction",
                                         "Select installation package",
                                         "License Agreement",
                                         "Readme",
                                         "Connection type",
                                         "Select serial port",
                                         "Select printers",
                                         "Installation",
                                         nullptr,
                                         "Finished!"};
    return step >= 0 && step <= 9 ? titles[step] : nullptr;
}

// A file that the package document names beside itself; where there is no
// such file, the path as written.
std::string beside(const std::string& document, const std::string& name) {
    const std::string folder = std::filesystem::path(document).parent_path().string();
    return Platform::Files::FindRelativeFile(folder, name)
        .value_or(Platform::Files::JoinRelativePath(folder, name));
}

QLabel* heading(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

// The form's questions, held weakly so that the engine may outlive it.
class frmWizard::Request : public Automation::Object, public Renova::IRequest {
public:
    explicit Request(frmWizard* form) : form_(form) {}

    void RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel) override {
        form_->RequestForBreakString(sPrinter, sBreak, Cancel);
    }
    void RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate, int16_t& Databits,
                                     int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                     bool& Cancel) override {
        form_->RequestForSerialBreakString(sPrinter, Baudrate, Databits, Stopbits, Parity, sBreakString,
                                           Cancel);
    }
    void RequestLogin(const std::string& sPrinter, std::string& sUserName, std::string& sPassword,
                      bool& SavePassword, bool& Cancel) override {
        form_->RequestLogin(sPrinter, sUserName, sPassword, SavePassword, Cancel);
    }
    void ReqNotMatch(const std::string& sText, bool& Cancel) override { form_->ReqNotMatch(sText, Cancel); }

private:
    Platform::WeakControl<frmWizard> form_;
};

frmWizard::frmWizard(const std::string& commandLine, QWidget* parent)
    : QWidget(parent), request_(Automation::New<Request>(this)) {
    setObjectName("frmWizard");
    fraStep = new QStackedWidget(this);

    auto* intro = new QWidget;
    auto* introLayout = new QVBoxLayout(intro);
    introLayout->addWidget(heading("Kestrup", intro));
    auto* introText =
        new QLabel("This Wizard will guide you to the installation of a Rubric application or firmware "
                   "to your Korvessa Vantor printers. Optionally, the installation may also include a "
                   "firmware update.",
                   intro);
    introText->setWordWrap(true);
    introLayout->addWidget(introText);
    introLayout->addStretch();
    chkShowIntro = new QCheckBox("Don't show the introduction screen in the future.", intro);
    chkShowIntro->setObjectName("chkShowIntro");
    introLayout->addWidget(chkShowIntro);
    addFrame(StepIntroduction, nullptr, intro);

    ctlInstFileFinder1 = new Pickett::ctlInstFileFinder;
    ctlInstFileFinder1->setObjectName("ctlInstFileFinder1");
    addFrame(StepPackage,
             "Select the Installation Package below. If the desired application is not listed, click the "
             "\"Browse\" "
             "button to locate the source directory.",
             ctlInstFileFinder1);
    ctlLicense1 = new ctlLicense;
    ctlLicense1->setObjectName("ctlLicense1");
    addFrame(StepLicense, "To accept, select \"I agree\".", ctlLicense1);
    ctlReadme1 = new ctlReadme;
    ctlReadme1->setObjectName("ctlReadme1");
    addFrame(StepReadme, "Please read this for valuable information about this distribution", ctlReadme1);
    ctlConnectionType1 = new ctlConnectionType;
    ctlConnectionType1->setObjectName("ctlConnectionType1");
    addFrame(StepConnectionType, "Select connection type.", ctlConnectionType1);
    ctlSerialPorts1 = new ctlSerialPorts;
    ctlSerialPorts1->setObjectName("ctlSerialPorts1");
    addFrame(
        StepSerialPort,
        "Select the serial port to which the target printer is connected. If DSR is passive it is not likely "
        "that you have a printer connected to that port.",
        ctlSerialPorts1);
    ctlVantorSelect1 = new Modelpick::ctlVantorSelect;
    ctlVantorSelect1->setObjectName("ctlVantorSelect1");
    addFrame(
        StepNetworkPrinters,
        "Following printers has been found on the local network.  Press \"Add\" to locate printers on other "
        "networks. Press \"Install\" to start the installation.",
        ctlVantorSelect1);
    ctlTransfer1 = new Ferrymate::ctlTransfer;
    ctlTransfer1->setObjectName("ctlTransfer1");
    addFrame(
        StepInstallation,
        "Installation to selected printer(s) is in progress. Press \"Abort\" to stop the installation. After "
        "installation the printer restarts and this may take a while depending on the size of the "
        "application.",
        ctlTransfer1);
    ctlReportErr = new ctlReport;
    ctlReportErr->setObjectName("ctlReportErr");
    addFrame(StepFailure, nullptr, ctlReportErr);
    auto* finish = new QWidget;
    auto* finishLayout = new QVBoxLayout(finish);
    finishLayout->addWidget(heading("Kestrup Finished!", finish));
    ctlReportFinish = new ctlReport;
    ctlReportFinish->setObjectName("ctlReportFinish");
    finishLayout->addWidget(ctlReportFinish);
    addFrame(StepFinished, nullptr, finish);

    auto* bar = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        cmdNav[i] = new QPushButton(this);
        cmdNav[i]->setObjectName(QStringLiteral("cmdNav_%1").arg(i));
        connect(cmdNav[i], &QPushButton::clicked, this, [this, i] { cmdNav_Click(i); });
        if (i == NavBack)
            bar->addStretch();
        bar->addWidget(cmdNav[i]);
    }
    applyButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraStep, 1);
    layout->addLayout(bar);
    resize(720, 520);

    // F1 anywhere in the window is the Help button.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { cmdNav_Click(NavHelp); });

    connect(chkShowIntro, &QCheckBox::clicked, this, [this] { chkShowIntro_Click(); });
    connect(ctlInstFileFinder1, &Pickett::ctlInstFileFinder::Selection, this, [this](bool selected) {
        if (selected)
            Platform::Ui::guarded("ctlInstFileFinder1", AppTitle, [this] { packageChosen(); });
        pageEvent(StepPackage);
    });
    connect(ctlLicense1, qOverload<bool>(&ctlLicense::Agreed), this, [this] { pageEvent(StepLicense); });
    connect(ctlSerialPorts1, &ctlSerialPorts::SerPortSelected, this, [this] { pageEvent(StepSerialPort); });
    connect(ctlSerialPorts1, &ctlSerialPorts::NoSerPortSelected, this, [this] { pageEvent(StepSerialPort); });
    connect(ctlVantorSelect1, &Modelpick::ctlVantorSelect::SelectionMade, this,
            [this] { pageEvent(StepNetworkPrinters); });
    connect(ctlVantorSelect1, &Modelpick::ctlVantorSelect::NoSelectionMade, this,
            [this] { pageEvent(StepNetworkPrinters); });

    // The command line's file first: its folder is then the one listing, and
    // the package page shows it chosen.
    commandLineFlag_ = ReadCommandLine(commandLine);
    cmdNavGuarded([&] {
        if (WizardSettings::IntroductionScreen() != WizardSettings::ShowIntro) {
            ShowStep(StepIntroduction, 0);
        } else {
            chkShowIntro->setChecked(true);
            ShowStep(StepPackage, 2);
        }
    });
}

frmWizard::~frmWizard() = default;

QWidget* frmWizard::addFrame(int16_t step, const char* instruction, QWidget* control) {
    auto* frame = new QWidget;
    frame->setObjectName(QStringLiteral("fraStep_%1").arg(step));
    auto* layout = new QVBoxLayout(frame);
    if (instruction) {
        auto* label = new QLabel(instruction, frame);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addWidget(control, 1);
    frame->setEnabled(false);
    fraStep->addWidget(frame);
    frames_[step] = frame;
    return frame;
}

void frmWizard::cmdNav_Click(int index) {
    cmdNavGuarded([&] { navigate(index); });
}

void frmWizard::cmdNavGuarded(const std::function<void()>& body) {
    // Whatever escapes ends on the failure page; what goes wrong on the way
    // there is shown in a box, and nothing reaches the event loop.
    bool failed = true;
    std::string what = "an unexpected error";
    Platform::fromEventLoop(
        "frmWizard",
        [&] {
            try {
                body();
                failed = false;
            } catch (const std::exception& error) {
                what = error.what();
                throw;
            }
        },
        [&](const Automation::Error& error) { what = error.Description(); });
    if (failed)
        Platform::Ui::guarded("frmWizard", AppTitle, [&] { showFailure(what); });
}

void frmWizard::showFailure(const std::string& what) {
    installing_ = false;
    // Before an engine ran, the log is an earlier run's (or none), and says nothing of this error.
    const bool logged = runLogged_ && Platform::Files::FileExists(WizardSettings::LogFilePath());
    showReport(*ctlReportErr, logged ? RunOutcome::FailedText : "An error has occurred: " + what, StepFailure,
               logged);
}

void frmWizard::showRunEnd() {
    // Where the log that would tell more could not be written, the page says what failed.
    if (outcome_ && !outcome_->AnyUpdated() && !Platform::Files::FileExists(WizardSettings::LogFilePath())) {
        showFailure(lastFailure_);
        return;
    }
    if (!outcome_ || outcome_->AnyUpdated())
        showReport(*ctlReportFinish, outcome_ ? outcome_->ReportText() : RunOutcome::FinishedText,
                   StepFinished, true);
    else
        showReport(*ctlReportErr, outcome_->ReportText(), StepFailure, true);
}

void frmWizard::showReport(ctlReport& report, const std::string& text, int16_t step, bool withLog) {
    report.setReportText(text);
    report.setLogFilePath(withLog ? WizardSettings::LogFilePath() : std::string());
    report.Load();
    ShowStep(step, 2);
    bar_.setEnabled(NavExit, true);
    bar_.setCaption(NavExit, "&Exit");
    if (step == StepFailure)
        bar_.setEnabled(NavNext, false);
    bar_.setEnabled(NavBack, false);
    applyButtons();
}

void frmWizard::navigate(int index) {
    switch (index) {
    case NavHelp:
        ShowHelp(kHelpContextBase + currentStep_);
        break;
    case NavCancel:
    case NavExit:
        close();
        break;
    case NavBack:
        ShowStep(BackStep(currentStep_, packageChoice()), 1);
        break;
    case NavNext: {
        // The command line's package skips the picker only when it can be installed.
        bool flag = commandLineFlag_ && NextAllowed(StepPackage, pageState());
        if (currentStep_ == StepIntroduction)
            commandLineFlag_ = false;
        int16_t next =
            NextStep(currentStep_, packageChoice(), flag,
                     currentStep_ == StepConnectionType ? ctlConnectionType1->ConnectionType() : 0);
        ShowStep(next, 2);
        if (next == StepInstallation) {
            installing_ = true;
            RunInstallation();
            installing_ = false;
            showRunEnd();
        }
        break;
    }
    default:
        break;
    }
}

PageState frmWizard::pageState() const {
    PageState state;
    state.choiceMade = !ctlInstFileFinder1->FilePath().empty() && packageProblem(false).empty();
    state.agreed = ctlLicense1->Agreed();
    state.portSelected = !ctlSerialPorts1->SelectedSerPort().isNothing();
    state.printersChecked = ctlVantorSelect1->GetSelectedItems()->Count() > 0;
    return state;
}

void frmWizard::pageEvent(int16_t step) {
    if (step != currentStep_)
        return;
    // Called from a control's signal: nothing may escape into Qt.
    cmdNavGuarded([this, step] {
        bar_.setEnabled(NavNext, NextAllowed(step, pageState()));
        applyButtons();
    });
}

std::string frmWizard::packageProblem(bool again) const {
    auto package = ctlInstFileFinder1->SelectedPackage();
    if (!package)
        return {};
    if (again || package != checkedPackage_) {
        checkedPackage_ = package;
        checkedProblem_.clear();
        try {
            Scrivel::ReadPackageFlashFile(*package);
        } catch (const Automation::Error& error) {
            checkedProblem_ = error.Description();
        }
    }
    return checkedProblem_;
}

void frmWizard::packageChosen() {
    // Each choice reads the UFF file again: the user may have put it right.
    const std::string problem = packageProblem(true);
    if (problem.empty())
        return;
    auto package = ctlInstFileFinder1->SelectedPackage();
    Platform::ShowModalBox("The package \"" + package->ApplicationName() + "\" cannot be installed.\n\n" +
                               problem +
                               "\n\nPut the UFF file that belongs to it, whole, beside the package "
                               "document \"" +
                               package->Path() + "\", or choose another package.",
                           AppTitle);
}

void frmWizard::startPicker() {
    setUpPicker();
    // A listing that failed (a folder that is gone) is named as Browse names
    // it, and tried again while nothing is chosen; the user can Browse elsewhere.
    if (ctlInstFileFinder1->FilePath().empty())
        Platform::Ui::guarded("ctlInstFileFinder1", Pickett::ctlInstFileFinder::Title,
                              [this] { ctlInstFileFinder1->Load(); });
}

void frmWizard::setUpPicker() {
    if (!pickerStarted_) {
        pickerStarted_ = true;
        std::string last = WizardSettings::LastPath();
        ctlInstFileFinder1->setCurrentDirectory(
            Platform::Files::FolderExists(last) ? last : Platform::Seams::programFolder());
        ctlInstFileFinder1->setFilter(7);
        // The picker turns to packages only when first shown; its one listing comes before that.
        if (ctlInstFileFinder1->InstallationType() == 0)
            ctlInstFileFinder1->setInstallationType(2);
    }
}

PackageChoice frmWizard::packageChoice() const {
    PackageChoice choice;
    choice.installationType = ctlInstFileFinder1->InstallationType();
    if (auto package = ctlInstFileFinder1->SelectedPackage()) {
        choice.packageSelected = true;
        choice.hasLicense = !package->LicenseFilePath().empty();
        choice.hasReadme = !package->ReadMeFilePath().empty();
    }
    return choice;
}

void frmWizard::ShowStep(int16_t step, int) {
    switch (step) {
    case StepPackage: {
        bar_.setCaption(NavNext, "&Next >");
        bar_.setCaption(NavExit, "&Exit");
        startPicker();
        break;
    }
    case StepLicense: {
        auto package = ctlInstFileFinder1->SelectedPackage();
        std::string path = beside(package->Path(), package->LicenseFilePath());
        // An agreement is to one licence: another package's must be agreed to anew.
        if (path != agreedLicense_ && ctlLicense1->Agreed())
            ctlLicense1->setAgreed(false);
        agreedLicense_ = path;
        ctlLicense1->LoadFile(path);
        break;
    }
    case StepReadme: {
        auto package = ctlInstFileFinder1->SelectedPackage();
        ctlReadme1->LoadFile(beside(package->Path(), package->ReadMeFilePath()));
        break;
    }
    case StepConnectionType:
        bar_.setCaption(NavNext, "&Next >");
        break;
    case StepSerialPort:
        ctlSerialPorts1->Load();
        bar_.setCaption(NavNext, "&Install");
        break;
    case StepNetworkPrinters:
        ctlVantorSelect1->setShowItems(15);
        ctlVantorSelect1->Load();
        ctlVantorSelect1->Scan();
        bar_.setCaption(NavNext, "&Install");
        break;
    case StepInstallation:
        for (NavButton which : {NavNext, NavBack, NavCancel, NavExit})
            bar_.setDisableFlag(which, true);
        break;
    case StepFinished:
        bar_.allowExit();
        bar_.setDisableFlag(NavExit, false);
        break;
    default:
        break;
    }
    // The page's gate, for every entry of it.
    bar_.setDisableFlag(NavNext, !NextAllowed(step, pageState()));
    SwitchFrame(step);
}

void frmWizard::SwitchFrame(int16_t step) {
    frames_[currentStep_]->setEnabled(false);
    fraStep->setCurrentWidget(frames_[step]);
    frames_[step]->setEnabled(true);
    frames_[step]->repaint();
    UpdateCaption(step);
    UpdateNavButtons(step);
    // The keyboard starts on the page's first control; during the
    // installation and on the reports it stays in the button bar.
    if (step <= StepNetworkPrinters)
        focusFirstControl(frames_[step]);
}

void frmWizard::focusFirstControl(QWidget* frame) {
    for (QWidget* next = frame->nextInFocusChain(); next != frame; next = next->nextInFocusChain()) {
        if (frame->isAncestorOf(next) && next->isVisible() && next->isEnabled() &&
            (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void frmWizard::UpdateCaption(int16_t step) {
    if (const char* title = titleOf(step))
        setWindowTitle(QString(title) + " - " + AppTitle);
}

void frmWizard::UpdateNavButtons(int16_t step) {
    currentStep_ = step;
    bool focusExit = bar_.Update(step);
    // Return goes on: Next (also as Install), and Exit where the wizard ends.
    const bool atEnd = step == StepFailure || step == StepFinished;
    cmdNav[NavNext]->setDefault(!atEnd);
    cmdNav[NavExit]->setDefault(atEnd);
    applyButtons();
    if (focusExit)
        cmdNav[NavExit]->setFocus();
}

void frmWizard::applyButtons() {
    for (int i = 0; i < 5; ++i) {
        const auto& button = bar_.button(static_cast<NavButton>(i));
        cmdNav[i]->setEnabled(button.enabled);
        cmdNav[i]->setText(Platform::Ui::toQString(button.caption));
    }
}

Platform::Ui::HelpViewer& frmWizard::HelpObject() {
    if (!help_) {
        std::string location = WizardSettings::HelpFileLocation();
        help_ = Platform::Ui::CreateHelpViewer(AppTitle);
        help_->setHelpFile(
            Platform::Files::FileExists(location) ? location : WizardSettings::ProgramFile("Kestrup.chm"));
    }
    return *help_;
}

void frmWizard::ShowHelp(int32_t context) {
    auto& viewer = HelpObject();
    viewer.setContext(context);
    viewer.Show(this);
}

bool frmWizard::ReadCommandLine(const std::string& commandLine) {
    auto file = PackageFromCommandLine(commandLine, Platform::Seams::programFolder());
    if (!file)
        return false;
    const std::string choose =
        std::string("Choose the file to install on the page \"") + titleOf(StepPackage) + "\".";
    if (!Platform::Files::FileExists(*file)) {
        Platform::ShowModalBox(
            "The file \"" + *file + "\" named on the command line was not found. " + choose, AppTitle);
        return false;
    }
    // The picker is set up first, so that the file chosen here is what the
    // package page shows; its folder is listed once, by the choice.
    setUpPicker();
    const std::string extension = Automation::lowerCase(std::filesystem::path(*file).extension().string());
    const bool firmware = extension == ".bin";
    bool handed = false;
    Platform::Ui::guarded("ReadCommandLine", Pickett::ctlInstFileFinder::Title, [&] {
        ctlInstFileFinder1->setInstallationType(firmware ? 1 : 2);
        ctlInstFileFinder1->setFilePath(*file);
        handed = !ctlInstFileFinder1->FilePath().empty();
    });
    // A damaged package was named by its listing; anything else the user is told of here.
    if (!handed && extension != ".rbi")
        Platform::ShowModalBox("\"" + *file +
                                   "\" cannot be installed: the command line takes a package document (.rbi) "
                                   "or a firmware file (.bin) for these printers. " +
                                   choose,
                               AppTitle);
    // Only a package skips the picker.
    return handed && !firmware;
}

void frmWizard::chkShowIntro_Click() {
    WizardSettings::setIntroductionScreen(chkShowIntro->isChecked());
}

void frmWizard::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Outside a dialog a push button leaves Return to its window.
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (!button)
        button = cmdNav[cmdNav[NavExit]->isDefault() ? NavExit : NavNext];
    if (button->isEnabled() && button->isVisible())
        button->click();
    event->accept();
}

void frmWizard::closeEvent(QCloseEvent* event) {
    // The installation runs inside a click; the window stays until it ends.
    if (installing_) {
        event->ignore();
        return;
    }
    if (help_) {
        try {
            help_->Close();
        } catch (...) {
        }
        help_.reset();
    }
    event->accept();
}

} // namespace Kestrup
