// Whole runs of the wizard against simulated printers behind simulated print servers.
#include "WizardFixture.h"

#include <functional>
#include <utility>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimer>

#include "Chunkery/FlashFile.h"
#include "HubletSimProcess.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Printer.h"
#include "Renova/EngineSettings.h"
#include "Renova/Enums.h"
#include "Scrivel/KSDoc.h"
#include "TempFolder.h"
#include "files/FileContents.h"
#include "files/ReplacementFile.h"
#include "messages/MessagePump.h"
#include "ui/ListView.h"

using namespace Kestrup;

namespace {

class WizardE2ETest : public WizardFixture {
protected:
    // Two printers on 127.0.0.2 and 127.0.0.3, each behind its print server.
    void startFleet(const char* firstVersion = "8.10",
                    const PrinterSim::Profile& secondProfile = PrinterSim::Profile::forVersion("8.10"),
                    const PrinterSim::FaultPlan& secondFaults = {}) {
        startFleet(PrinterSim::Profile::forVersion(firstVersion), {}, secondProfile, secondFaults);
    }
    void startFleet(const PrinterSim::Profile& firstProfile, const PrinterSim::FaultPlan& firstFaults,
                    const PrinterSim::Profile& secondProfile = PrinterSim::Profile::forVersion("8.10"),
                    const PrinterSim::FaultPlan& secondFaults = {}) {
        first = std::make_unique<PrinterSim::Printer>(firstProfile, firstFaults);
        second = std::make_unique<PrinterSim::Printer>(secondProfile, secondFaults);
        ASSERT_TRUE(first->listen("127.0.0.2")) << first->errorString().toStdString();
        ASSERT_TRUE(second->listen("127.0.0.3")) << second->errorString().toStdString();
        sim = std::make_unique<HubletSim::HubletSimProcess>(
            HUBLET_SIM_PROGRAM,
            std::vector<std::string>{
                "--port", "0", "--community", "caddis", "--server",
                "address=127.0.0.2,name=Dispatch,status=4,port=" + std::to_string(first->port()), "--server",
                "address=127.0.0.3,name=Warehouse,status=4,port=" + std::to_string(second->port())});
        // The printers' threads run already: the environment changes through
        // Qt, whose threads read it under the same lock.
        qputenv("KESTRUP_SNMP_PORT", QByteArray::number(sim->port()));
        qputenv("KESTRUP_BROADCAST", "127.255.255.255");
    }

    // From the start to the connection page with the package or the firmware
    // image chosen. The firmware update asks for a user who may flash: the
    // robot logs in as admin.
    void toConnectionPage(bool firmwareOnly) {
        robot.onForm = [this](QDialog& form) {
            if (form.windowTitle().startsWith("Break string")) {
                breakDialogs.push_back(
                    form.windowTitle().toStdString() +
                    (form.findChild<QWidget*>("PicSerialSettings")->isVisible() ? " serial" : ""));
                form.findChild<QLineEdit*>("Text1")->setText("<ESC>x<CR>");
                UiRobot::click(form, "cmdSend");
                return;
            }
            duringRun.push_back(caption() + " " + buttons());
            if (logins.empty()) {
                // Only Help works while the run goes on, and the window stays.
                click(NavHelp);
                EXPECT_FALSE(wizard->close());
                EXPECT_TRUE(wizard->isVisible());
            }
            logins.push_back(form.findChild<QLineEdit*>("txtUserName")->text().toStdString());
            form.findChild<QLineEdit*>("txtUserName")->setText("admin");
            form.findChild<QLineEdit*>("txtPassword")->setText("admin");
            UiRobot::click(form, "cmdOK");
        };
        start();
        click(NavNext);
        if (firmwareOnly) {
            find<QCheckBox>("chkFirmwareOnly")->click();
            auto* images = find<Platform::Ui::ListView>("lstDistribution");
            ASSERT_EQ(images->ItemCount(), 1);
            QTest::mouseClick(images->viewport(), Qt::LeftButton, {},
                              images->visualItemRect(images->Items().front()).center());
            click(NavNext);
        } else {
            find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->setFilePath(package());
            click(NavNext);
            find<QRadioButton>("optAgree")->click();
            click(NavNext);
            click(NavNext);
        }
        ASSERT_EQ(caption(), "Connection type - Kestrup");
    }

    // From the start to the network page with both printers checked.
    void toBothPrinters(bool firmwareOnly = false) {
        ASSERT_NO_FATAL_FAILURE(toConnectionPage(firmwareOnly));
        find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(2);
        click(NavNext);
        auto* found = find<Platform::Ui::ListView>("ListView1");
        ASSERT_TRUE(Platform::WaitUntil([&] { return found->ItemCount() >= 2; }, 8000)) << found->ItemCount();
        for (const char* key : {"IP127.0.0.2", "IP127.0.0.3"})
            found->Item(key)->setCheckState(0, Qt::Checked);
        ASSERT_EQ(buttons(), "[Help][Cancel][< &Back][&Install](&Exit)");
    }

    Platform::Ui::ListView& progressList(const char* name) const {
        return *find<Platform::Ui::ListView>(name);
    }
    int icon(const std::string& address) const {
        auto& printers = progressList("lvwPrinters");
        return printers.SmallIcon(printers.Item("P" + address));
    }
    std::string reportText(const char* report) const {
        return wizard->findChild<QWidget*>(report)->findChild<QLabel*>("lblReportText")->text().toStdString();
    }
    int logHeaders() const {
        std::string log = Platform::Files::ReadFileContents(WizardSettings::LogFilePath());
        int count = 0;
        for (size_t at = log.find("************"); at != std::string::npos;
             at = log.find("************", at + 1))
            ++count;
        return count;
    }

    std::string log() const { return Platform::Files::ReadFileContents(WizardSettings::LogFilePath()); }

    std::string status(int32_t action) const {
        auto& actions = progressList("lvwActions");
        auto* row = actions.Item("ID" + std::to_string(action));
        return row ? actions.Text(row, 1) : std::string();
    }

    // Clicks Abort with the mouse, once, as soon as `phase` holds; looked at
    // every few milliseconds while the run pumps. What the page showed at the
    // click is kept in `abortedAt`.
    void abortWhen(std::function<bool()> phase) {
        abortedAt.clear();
        abortWatch = std::make_unique<QTimer>();
        abortWatch->setInterval(5);
        QObject::connect(abortWatch.get(), &QTimer::timeout, [this, phase] {
            if (!abortedAt.empty() || wizard->CurrentStep() != StepInstallation || !phase())
                return;
            auto* abort = find<QPushButton>("cmdAbort");
            abortedAt = caption() + " " + abort->text().toStdString();
            QTest::mouseClick(abort, Qt::LeftButton);
            abortWatch->stop();
        });
        abortWatch->start();
    }

    // The run stopped at the user's abort, asking nothing more. Before the
    // flash: one error box with 113, the failure page, and the log saying
    // why. During the flash or the restart, which cannot be stopped: the
    // printer ends updated, no error, and the finish page says the run was
    // stopped there. `report` is the end page's text.
    void expectAborted(bool updated, const std::string& report) {
        EXPECT_EQ(abortedAt, "Installation - Kestrup &Abort");
        EXPECT_TRUE(breakDialogs.empty());
        if (updated) {
            EXPECT_EQ(wizard->CurrentStep(), StepFinished);
            EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
            EXPECT_EQ(reportText("ctlReportFinish"), report);
            EXPECT_EQ(log().find("(113)"), std::string::npos) << log();
            EXPECT_NE(log().find("Finalizing update"), std::string::npos) << log();
            return;
        }
        EXPECT_EQ(wizard->CurrentStep(), StepFailure);
        EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)(&Install)[&Exit]");
        EXPECT_EQ(reportText("ctlReportErr"), report);
        ASSERT_EQ(robot.boxes.size(), 1u) << robot.boxTexts().back();
        EXPECT_EQ(robot.boxes[0].text.substr(0, robot.boxes[0].text.find("\n\nPrinter: ")),
                  "Error: The operation was cancelled.(113)");
        EXPECT_NE(log().find("Printer updater error: The operation was cancelled.(113)"), std::string::npos)
            << log();
    }
    bool displayed(PrinterSim::Printer& printer, const char* text) const {
        for (const QByteArray& shown : printer.displayHistory())
            if (shown.contains(text))
                return true;
        return false;
    }
    bool received(PrinterSim::Printer& printer, const char* text) const {
        for (const QByteArray& line : printer.receivedLines())
            if (line.contains(text))
                return true;
        return false;
    }

    // The demo package with one more file, c:/demo/BIG.BIN, whose upload
    // lasts long enough to be clicked into.
    void addBigFile(size_t size) {
        auto doc = Automation::New<Scrivel::KSDoc>();
        doc->ReadXML(Platform::Files::ReadFileContents(package()));
        const std::string uff = home() + "/" + DemoFiles::FlashFileName;
        auto flash = Automation::New<Chunkery::FlashFile>();
        ASSERT_TRUE(flash->FlashRead(uff));
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<char>(i * 7 + i / 251);
        flash->AddResource(data, "BIG.BIN", true);
        flash->FlashWrite(uff);
        auto entry = doc->PrinterFiles()->Add();
        entry->setFileTitle("BIG.BIN");
        entry->setDestinationPath("c:/demo/BIG.BIN");
        Platform::Files::ReplaceFileContents(package(), doc->WriteXML());
    }

    std::unique_ptr<QTimer> abortWatch;
    std::string abortedAt;
    std::unique_ptr<TempFolder> comDir;
    std::unique_ptr<PrinterSim::Printer> serial;
    std::vector<std::string> logins;
    std::vector<std::string> duringRun;
    std::vector<std::string> breakDialogs;
    std::unique_ptr<PrinterSim::Printer> first, second;
    std::unique_ptr<HubletSim::HubletSimProcess> sim;

    void TearDown() override {
        abortWatch.reset();
        WizardFixture::TearDown();
        serial.reset();
        if (comDir) {
            qunsetenv("KESTRUP_COM_DIR");
            comDir.reset();
        }
    }

    // The printer on a pseudo-terminal linked as COM1, and the wizard on the
    // serial page with COM1 chosen.
    void toCom1(bool firmwareOnly,
                const PrinterSim::Profile& profile = PrinterSim::Profile::forVersion("8.10"),
                const PrinterSim::FaultPlan& faults = {}) {
        serial.reset();
        comDir = std::make_unique<TempFolder>();
        qputenv("KESTRUP_COM_DIR", QByteArray(comDir->path().c_str()));
        serial = std::make_unique<PrinterSim::Printer>(profile, faults);
        ASSERT_TRUE(serial->openSerial(QString::fromStdString(*comDir / "COM1")))
            << serial->errorString().toStdString();
        ASSERT_NO_FATAL_FAILURE(toConnectionPage(firmwareOnly));
        find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(1);
        click(NavNext);
        ASSERT_EQ(caption(), "Select serial port - Kestrup");
        auto& ports = *find<Platform::Ui::ListView>("lstSerialPorts");
        ASSERT_EQ(ports.ItemCount(), 1);
        auto* com1 = ports.Item("com1:");
        ASSERT_NE(com1, nullptr);
        QTest::mouseClick(ports.viewport(), Qt::LeftButton, {}, ports.visualItemRect(com1).center());
    }

    // A package or a bare firmware image to the printer on COM1.
    void installOnCom1(bool firmwareOnly) {
        ASSERT_NO_FATAL_FAILURE(toCom1(firmwareOnly));
        PrinterSim::Printer& printer = *serial;
        click(NavNext);
        EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
        EXPECT_EQ(wizard->CurrentStep(), StepFinished);
        EXPECT_EQ(caption(), "Finished! - Kestrup");
        auto& printers = progressList("lvwPrinters");
        ASSERT_EQ(printers.ItemCount(), 1);
        auto* row = printers.Item("PCom1");
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(printers.Text(row), "Printer on com1");
        EXPECT_EQ(icon("Com1"), 2);
        EXPECT_EQ(reportText("ctlReportFinish"), "The Wizard is finished with the installation");
        EXPECT_EQ(logHeaders(), 1);
        EXPECT_TRUE(breakDialogs.empty());
        // The firmware was flashed (a package's after a login: a firmware job keeps the
        // printer's user); a package also copied its file.
        EXPECT_EQ(logins.size(), firmwareOnly ? 0u : 1u);
        EXPECT_NE(log().find("Firmware update finished"), std::string::npos) << log();
        EXPECT_FALSE(printer.storedKernels().isEmpty());
        EXPECT_EQ(printer.files().contains("c:demo/HELLO.PRG"), !firmwareOnly)
            << printer.files().keys().join(" ").toStdString();
    }
};

} // namespace

TEST_F(WizardE2ETest, APackageToBothNetworkPrintersEndsOnTheFinishPage) {
    startFleet();
    toBothPrinters();
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepFinished);
    EXPECT_EQ(caption(), "Finished! - Kestrup");
    EXPECT_EQ(buttons(), "[Help](Cancel)(< &Back)(&Install)[&Exit]");
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    EXPECT_EQ(icon("127.0.0.2"), 2);
    EXPECT_EQ(icon("127.0.0.3"), 2);
    auto& actions = progressList("lvwActions");
    EXPECT_EQ(actions.Text(actions.Item("ID99"), 1), "100 %");
    EXPECT_EQ(reportText("ctlReportFinish"), "The Wizard is finished with the installation");
    EXPECT_EQ(logHeaders(), 2);
    // Each printer was flashed to the package's firmware after a login.
    EXPECT_EQ(logins.size(), 2u);
    EXPECT_EQ(duringRun.front(), "Installation - Kestrup [Help](Cancel)(< &Back)(&Install)(&Exit)");
    EXPECT_EQ(help.shown, std::vector<int32_t>{30007});
    std::string text = log();
    size_t flashed = 0;
    for (size_t at = text.find("Firmware update finished"); at != std::string::npos;
         at = text.find("Firmware update finished", at + 1))
        ++flashed;
    EXPECT_EQ(flashed, 2u) << text;
    for (auto* printer : {first.get(), second.get()})
        EXPECT_TRUE(printer->files().contains("c:demo/HELLO.PRG"))
            << printer->files().keys().join(" ").toStdString();
}

TEST_F(WizardE2ETest, AFailureThatEveryPrinterWouldMeetEndsTheRunWithoutAQuestion) {
    // The UFF file went or lost a file of the package, the package document
    // was cut short, or the firmware image was, after the choice was made.
    const std::string uff = home() + "/" + DemoFiles::FlashFileName;
    const std::string image = home() + "/" + DemoFiles::FirmwareImage;
    struct Damage {
        bool firmwareOnly;
        std::function<void()> damage;
        std::string error;
    };
    const std::vector<Damage> damages = {
        {false, [&] { std::filesystem::remove(uff); }, "Uff file is missing: \"" + uff + "\"(9999)"},
        {false,
         [&] {
             auto flash = Automation::New<Chunkery::FlashFile>();
             flash->AddResource(DemoFiles::KernelImage(), "", true);
             flash->FlashWrite(uff);
         },
         "The package document is damaged: its file \"HELLO.PRG\" is not in its UFF file \"" + uff +
             "\"(9999)"},
        {false, [&] { std::filesystem::resize_file(package(), 400); },
         "The package document is damaged: it ends before its last element closes. Package document: \"" +
             package() + "\"(9999)"},
        {true, [&] { std::filesystem::resize_file(image, 20); },
         "Invalid firmware file: \"" + image + "\"(9999)"},
    };
    startFleet();
    for (const auto& [firmwareOnly, damage, error] : damages) {
        SCOPED_TRACE(error);
        robot.boxes.clear();
        DemoFiles::WriteDemoFiles(home());
        ASSERT_NO_FATAL_FAILURE(toBothPrinters(firmwareOnly));
        damage();
        click(NavNext);
        EXPECT_EQ(robot.boxTexts(),
                  std::vector<std::string>{"Kestrup|Error: " + error + "\n\nPrinter: 127.0.0.2 (Dispatch)"});
        EXPECT_EQ(wizard->CurrentStep(), StepFailure);
        EXPECT_EQ(reportText("ctlReportErr"), "An error has occurred: no printer was updated.\n\n"
                                              "Not updated:\n127.0.0.2 (Dispatch): Error: " +
                                                  error +
                                                  "\n\n"
                                                  "Not started:\n127.0.0.3 (Warehouse)\n\n"
                                                  "See the log file for more information.");
        EXPECT_EQ(first->connections(), 0);
        EXPECT_EQ(second->connections(), 0);
        wizard.reset();
    }
}

TEST_F(WizardE2ETest, AFailedFirstPrinterAsksWhetherToGoOn) {
    for (int32_t answer : {Platform::MsgBoxResult::Yes, Platform::MsgBoxResult::No}) {
        SCOPED_TRACE(answer);
        // A language version below 7.00 fails the job with 9999.
        startFleet("6.50");
        robot.boxes.clear();
        robot.boxAnswers = {Platform::MsgBoxResult::OK, answer};
        toBothPrinters();
        click(NavNext);
        ASSERT_EQ(robot.boxes.size(), 2u);
        EXPECT_EQ(robot.boxes[0].title, "Kestrup");
        EXPECT_EQ(robot.boxes[0].text, "Error: Firmware check failed(9999)\n\nPrinter: 127.0.0.2 (Dispatch)");
        EXPECT_EQ(robot.boxes[1].text,
                  "The update of 127.0.0.2 (Dispatch) failed. The next printer is 127.0.0.3 "
                  "(Warehouse).\n\nDo you want to continue the update?");
        EXPECT_EQ(robot.boxes[1].style, Platform::MsgBoxStyle::YesNo);
        // The failed printer loses its running arrow.
        EXPECT_EQ(icon("127.0.0.2"), 0);
        if (answer == Platform::MsgBoxResult::Yes) {
            // Not the page of a full success: it names the printer that was not updated.
            EXPECT_EQ(wizard->CurrentStep(), StepFinished);
            EXPECT_EQ(reportText("ctlReportFinish"),
                      "The Wizard is finished with the installation, but not every printer was updated.\n\n"
                      "Not updated:\n127.0.0.2 (Dispatch): Error: Firmware check failed(9999)\n\n"
                      "Updated:\n127.0.0.3 (Warehouse)\n\nSee the log file for more information.");
            EXPECT_EQ(icon("127.0.0.3"), 2);
            EXPECT_EQ(logHeaders(), 2);
        } else {
            EXPECT_EQ(wizard->CurrentStep(), StepFailure);
            EXPECT_EQ(caption(), "Installation - Kestrup");
            EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)(&Install)[&Exit]");
            EXPECT_EQ(reportText("ctlReportErr"),
                      "An error has occurred: no printer was updated.\n\n"
                      "Not updated:\n127.0.0.2 (Dispatch): Error: Firmware check failed(9999)\n\n"
                      "Not started:\n127.0.0.3 (Warehouse)\n\nSee the log file for more information.");
            EXPECT_EQ(icon("127.0.0.3"), 0);
            EXPECT_EQ(second->connections(), 0);
            EXPECT_EQ(logHeaders(), 1);
        }
        wizard.reset();
    }
}

TEST_F(WizardE2ETest, APrinterThatIgnoresHelloIsAskedForItsBreakString) {
    Renova::WriteTimeout(Renova::TS_TimeOut, 1000);
    // The package's break string does not stop this printer's program; the one typed does.
    PrinterSim::Profile blocked = PrinterSim::Profile::forVersion("8.10");
    blocked.breakString = "\x1bx\r";
    startFleet("8.10", blocked, PrinterSim::FaultPlan{*PrinterSim::Fault::parse("hello-needs-break")});
    second->recordInput(true);
    toBothPrinters();
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepFinished);
    EXPECT_EQ(breakDialogs, std::vector<std::string>{"Break string"});
    EXPECT_TRUE(second->receivedBytes().contains("\x1bx\r"));
    EXPECT_EQ(icon("127.0.0.3"), 2);
}

TEST_F(WizardE2ETest, AFirmwareImageToBothNetworkPrinters) {
    startFleet();
    toBothPrinters(true);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepFinished);
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    EXPECT_EQ(icon("127.0.0.2"), 2);
    EXPECT_EQ(icon("127.0.0.3"), 2);
    auto& actions = progressList("lvwActions");
    EXPECT_EQ(actions.Text(actions.Item("ID12")), "Read firmware file");
    // A firmware job keeps the printer's user, who may flash.
    EXPECT_TRUE(logins.empty());
    EXPECT_EQ(logHeaders(), 2);
}

TEST_F(WizardE2ETest, APackageToThePrinterOnCom1) {
    installOnCom1(false);
}

TEST_F(WizardE2ETest, AFirmwareToThePrinterOnCom1) {
    installOnCom1(true);
}

TEST_F(WizardE2ETest, AFailedSerialRunNamesTheFileAndThePrinterAndTheFailurePageItsLog) {
    // The UFF file went after the package was chosen.
    ASSERT_NO_FATAL_FAILURE(toCom1(false));
    std::filesystem::remove(home() + "/" + DemoFiles::FlashFileName);
    click(NavNext);
    EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{"Kestrup|Error: Uff file is missing: \"" + home() +
                                                         "/" + DemoFiles::FlashFileName +
                                                         "\"(9999)\n\nPrinter: Com1 (Printer on com1)"});
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    // This run wrote the log: the page sends the user there.
    EXPECT_EQ(reportText("ctlReportErr"),
              "An error has occurred. See the log file for more information about the error.");
    EXPECT_TRUE(find<QWidget>("ctlReportErr")->findChild<QPushButton*>("cmdLogFile")->isEnabled());
}

TEST_F(WizardE2ETest, ARunThatCouldNotWriteItsLogSaysWhatFailedOnTheFailurePage) {
    std::filesystem::create_directory(WizardSettings::LogFilePath());
    ASSERT_NO_FATAL_FAILURE(toCom1(false));
    click(NavNext);
    ASSERT_EQ(robot.boxes.size(), 1u);
    const std::string error = "Path/File access error: cannot open the log file \"" +
                              WizardSettings::LogFilePath() + "\" (Is a directory)";
    EXPECT_EQ(robot.boxes[0].text, "Error: " + error + "(75)\n\nPrinter: Com1 (Printer on com1)");
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(reportText("ctlReportErr"), "An error has occurred: " + error);
    EXPECT_FALSE(find<QWidget>("ctlReportErr")->findChild<QPushButton*>("cmdLogFile")->isEnabled());
}

TEST_F(WizardE2ETest, AnAbortClickedInAnyPhaseOfANetworkRunEndsItBeforeTheNextPrinter) {
    // A printer that waits for a break string the package does not have: its
    // hello would wait out the whole time-out (ten minutes, beyond the
    // test's limit), which the abort must cut short.
    PrinterSim::Profile blocked = PrinterSim::Profile::forVersion("8.10");
    blocked.breakString = "\x1bx\r";
    const auto fault = [](const char* name) {
        return PrinterSim::FaultPlan{*PrinterSim::Fault::parse(name)};
    };
    struct Phase {
        const char* name;
        PrinterSim::Profile profile;
        PrinterSim::FaultPlan faults;
        std::function<bool()> when;
    };
    const PrinterSim::Profile plain = PrinterSim::Profile::forVersion("8.10");
    const std::vector<Phase> phases = {
        {"connect", blocked, fault("hello-needs-break"),
         [this] { return status(Renova::AI_Connecting) != "-"; }},
        {"upload", plain, {}, [this] { return received(*first, "BIG.BIN") && first->heldUploadBytes() > 0; }},
        {"flash", plain, fault("slow-flakef"), [this] { return displayed(*first, "Storing Kernel"); }},
        {"reboot", plain, {}, [this] { return first->rebooting(); }},
    };
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        Renova::WriteTimeout(Renova::TS_TimeOut, 600000);
        robot.boxes.clear();
        breakDialogs.clear();
        logins.clear();
        DemoFiles::WriteDemoFiles(home());
        const std::string name = phase.name;
        if (name == "upload") {
            ASSERT_NO_FATAL_FAILURE(addBigFile(4 << 20));
        }
        startFleet(phase.profile, phase.faults);
        ASSERT_NO_FATAL_FAILURE(toBothPrinters());
        abortWhen(phase.when);
        click(NavNext);
        // The printer keeps what the phase had not yet replaced: a kernel is
        // stored only once the flash began, and the printer restarts only in
        // the reboot; the next printer is never reached.
        const bool flashed = name == "flash" || name == "reboot";
        expectAborted(flashed, flashed ? "The installation was stopped by Abort.\n\n"
                                         "Not started:\n127.0.0.3 (Warehouse)\n\n"
                                         "Updated:\n127.0.0.2 (Dispatch)\n\n"
                                         "See the log file for more information."
                                       : "The installation was stopped by Abort.\n\n"
                                         "Not updated:\n127.0.0.2 (Dispatch): Error: The operation was "
                                         "cancelled.(113)\n\n"
                                         "Not started:\n127.0.0.3 (Warehouse)\n\n"
                                         "See the log file for more information.");
        EXPECT_EQ(first->storedKernels().isEmpty(), !flashed);
        EXPECT_EQ(displayed(*first, "Rebooting"), flashed);
        if (name == "connect") {
            EXPECT_FALSE(first->files().contains("c:demo/HELLO.PRG"));
            EXPECT_EQ(log().find("Request break string"), std::string::npos) << log();
        }
        // No question after the abort: the login comes only before the flash.
        EXPECT_EQ(logins.size(), flashed ? 1u : 0u);
        EXPECT_EQ(icon("127.0.0.2"), flashed ? 2 : 0);
        EXPECT_EQ(icon("127.0.0.3"), 0);
        EXPECT_EQ(second->connections(), 0);
        EXPECT_EQ(logHeaders(), 1);
        wizard.reset();
    }
}

TEST_F(WizardE2ETest, AnAbortClickedInAnyPhaseOfASerialRunEndsIt) {
    // Found at the last speed the search tries, the printer keeps the search long.
    PrinterSim::Profile slowLine = PrinterSim::Profile::forVersion("8.10");
    slowLine.baudRate = 2400;
    const PrinterSim::Profile plain = PrinterSim::Profile::forVersion("8.10");
    struct Phase {
        const char* name;
        PrinterSim::Profile profile;
        PrinterSim::FaultPlan faults;
        std::function<bool()> when;
    };
    const std::vector<Phase> phases = {
        {"connect", slowLine, {}, [this] { return status(Renova::AI_Connecting) != "-"; }},
        {"upload", plain, {}, [this] { return received(*serial, "BIG.BIN"); }},
        {"flash", plain, PrinterSim::FaultPlan{*PrinterSim::Fault::parse("slow-flakef")},
         [this] { return displayed(*serial, "Storing Kernel"); }},
        {"reboot", plain, {}, [this] { return serial->rebooting(); }},
    };
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        robot.boxes.clear();
        logins.clear();
        DemoFiles::WriteDemoFiles(home());
        const std::string name = phase.name;
        if (name == "upload") {
            ASSERT_NO_FATAL_FAILURE(addBigFile(1 << 20));
        }
        ASSERT_NO_FATAL_FAILURE(toCom1(false, phase.profile, phase.faults));
        abortWhen(phase.when);
        click(NavNext);
        const bool flashed = name == "flash" || name == "reboot";
        expectAborted(flashed, flashed ? "The installation was stopped by Abort.\n\n"
                                         "Updated:\nCom1 (Printer on com1)\n\n"
                                         "See the log file for more information."
                                       : "The installation was stopped by Abort.\n\n"
                                         "Not updated:\nCom1 (Printer on com1): Error: The operation was "
                                         "cancelled.(113)\n\n"
                                         "See the log file for more information.");
        EXPECT_EQ(serial->storedKernels().isEmpty(), !flashed);
        EXPECT_EQ(displayed(*serial, "Rebooting"), flashed);
        if (name == "connect") {
            // The search itself stopped: the engine never spoke to the printer.
            EXPECT_FALSE(serial->files().contains("c:demo/HELLO.PRG"));
            EXPECT_EQ(log().find("Connect to printer"), std::string::npos) << log();
        }
        EXPECT_EQ(icon("Com1"), flashed ? 2 : 0);
        wizard.reset();
    }
}

TEST_F(WizardE2ETest, OnlyAFailedNetworkPrinterWithAnotherAfterItIsAskedWhetherToGoOn) {
    // The last printer fails (its language is too old): the box, then the
    // finish page that names it.
    startFleet("8.10", PrinterSim::Profile::forVersion("6.50"));
    toBothPrinters();
    click(NavNext);
    ASSERT_EQ(robot.boxes.size(), 1u) << robot.boxTexts().back();
    EXPECT_NE(robot.boxes[0].text.find("(9999)"), std::string::npos) << robot.boxes[0].text;
    EXPECT_EQ(wizard->CurrentStep(), StepFinished);
    EXPECT_NE(reportText("ctlReportFinish")
                  .find("Not updated:\n127.0.0.3 (Warehouse): Error: Firmware check failed(9999)"),
              std::string::npos)
        << reportText("ctlReportFinish");
    EXPECT_EQ(icon("127.0.0.2"), 2);
    EXPECT_EQ(icon("127.0.0.3"), 0);
    wizard.reset();

    // A component's own errors are negative, and fail the printer as any other.
    robot.boxes.clear();
    robot.boxAnswers = {Platform::MsgBoxResult::OK, Platform::MsgBoxResult::No};
    Renova::WriteTimeout(Renova::TS_TimeOut, 1000);
    PrinterSim::Profile blocked = PrinterSim::Profile::forVersion("8.10");
    blocked.breakString = "\x1bx\r";
    startFleet(blocked, PrinterSim::FaultPlan{*PrinterSim::Fault::parse("hello-needs-break")});
    toBothPrinters();
    const int32_t failure = Automation::ObjectErrorBase + 7;
    robot.onForm = [&](QDialog&) { Automation::raise(failure, "frmBreakStrings", "The dialog failed"); };
    click(NavNext);
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_EQ(robot.boxes[0].text,
              "Error: The dialog failed(" + std::to_string(failure) + ")\n\nPrinter: 127.0.0.2 (Dispatch)");
    EXPECT_EQ(robot.boxes[1].text, "The update of 127.0.0.2 (Dispatch) failed. The next printer is 127.0.0.3 "
                                   "(Warehouse).\n\nDo you want to continue the update?");
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(second->connections(), 0);
}

TEST_F(WizardE2ETest, ASerialRunWithoutAChosenPortDoesNotStart) {
    ASSERT_NO_FATAL_FAILURE(toCom1(false));
    // The port's choice is gone without the page hearing of it (a port that
    // went as Install was pressed).
    {
        QSignalBlocker quiet(find<QWidget>("ctlSerialPorts1"));
        find<Platform::Ui::ListView>("lstSerialPorts")->clearSelection();
    }
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(reportText("ctlReportErr"), "An error has occurred: No serial port is selected.");
    EXPECT_TRUE(serial->receivedLines().isEmpty());
}

TEST_F(WizardE2ETest, AFailedSerialPrinterEndsTheRunWithoutAQuestion) {
    ASSERT_NO_FATAL_FAILURE(toCom1(false, PrinterSim::Profile::forVersion("6.50")));
    click(NavNext);
    ASSERT_EQ(robot.boxes.size(), 1u) << robot.boxTexts().back();
    EXPECT_NE(robot.boxes[0].text.find("(9999)"), std::string::npos) << robot.boxes[0].text;
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(icon("Com1"), 0);
}
