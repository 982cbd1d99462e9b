// Whole runs of the wizard against simulated printers behind simulated print servers.
#include "WizardFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "HubletSimProcess.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Printer.h"
#include "Renova/EngineSettings.h"
#include "TempFolder.h"
#include "files/FileContents.h"
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
        first = std::make_unique<PrinterSim::Printer>(PrinterSim::Profile::forVersion(firstVersion));
        second = std::make_unique<PrinterSim::Printer>(secondProfile, secondFaults);
        ASSERT_TRUE(first->listen("127.0.0.2")) << first->errorString().toStdString();
        ASSERT_TRUE(second->listen("127.0.0.3")) << second->errorString().toStdString();
        sim = std::make_unique<HubletSim::HubletSimProcess>(
            HUBLET_SIM_PROGRAM,
            std::vector<std::string>{
                "--port", "0", "--community", "caddis", "--server",
                "address=127.0.0.2,name=Dispatch,status=4,port=" + std::to_string(first->port()), "--server",
                "address=127.0.0.3,name=Warehouse,status=4,port=" + std::to_string(second->port())});
        ::setenv("KESTRUP_SNMP_PORT", std::to_string(sim->port()).c_str(), 1);
        ::setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
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
        ASSERT_EQ(buttons(), "[Help][Cancel][< &Back][Install](&Exit)");
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

    std::vector<std::string> logins;
    std::vector<std::string> duringRun;
    std::vector<std::string> breakDialogs;
    std::unique_ptr<PrinterSim::Printer> first, second;
    std::unique_ptr<HubletSim::HubletSimProcess> sim;

    void TearDown() override {
        ::unsetenv("KESTRUP_COM_DIR");
        WizardFixture::TearDown();
    }

    // To the serial page with COM1 chosen, its printer on a pseudo-terminal linked as COM1.
    void toCom1(bool firmwareOnly) {
        ::setenv("KESTRUP_COM_DIR", comDir.path().c_str(), 1);
        serial = std::make_unique<PrinterSim::Printer>(PrinterSim::Profile::forVersion("8.10"));
        ASSERT_TRUE(serial->openSerial(QString::fromStdString(comDir / "COM1")))
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
    TempFolder comDir;
    std::unique_ptr<PrinterSim::Printer> serial;

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
    EXPECT_EQ(buttons(), "[Help](Cancel)(< &Back)(Install)[Exit]");
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    EXPECT_EQ(icon("127.0.0.2"), 2);
    EXPECT_EQ(icon("127.0.0.3"), 2);
    auto& actions = progressList("lvwActions");
    EXPECT_EQ(actions.Text(actions.Item("ID99"), 1), "100 %");
    EXPECT_EQ(reportText("ctlReportFinish"), "The Wizard is finished with the installation");
    EXPECT_EQ(logHeaders(), 2);
    // Each printer was flashed to the package's firmware after a login.
    EXPECT_EQ(logins.size(), 2u);
    EXPECT_EQ(duringRun.front(), "Installation - Kestrup [Help](Cancel)(< &Back)(Install)(&Exit)");
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
            EXPECT_EQ(wizard->CurrentStep(), StepFinished);
            EXPECT_EQ(icon("127.0.0.3"), 2);
            EXPECT_EQ(logHeaders(), 2);
        } else {
            EXPECT_EQ(wizard->CurrentStep(), StepFailure);
            EXPECT_EQ(caption(), "Installation - Kestrup");
            EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)(Install)[Exit]");
            EXPECT_EQ(reportText("ctlReportErr"),
                      "An error has occurred. See the log file for more information about the error.");
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
    std::filesystem::remove(home() + "/" + DemoFiles::FlashFileName);
    ASSERT_NO_FATAL_FAILURE(toCom1(false));
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
