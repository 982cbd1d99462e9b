// The wizard in a real X window (run under xvfb-run with the xcb platform):
// both demo installs walked with the keyboard alone, keys going where the
// focus is, with screenshots of every page and dialog at the window's
// default size and at the smallest it allows (KESTRUP_SCREENSHOTS names
// their folder).
#include "WizardFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <set>

#include "HubletSimProcess.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Printer.h"
#include "Renova/EngineSettings.h"
#include "Renova/Enums.h"
#include "TempFolder.h"
#include "files/FileContents.h"
#include "messages/MessagePump.h"
#include "ui/HelpViewer.h"
#include "ui/ListView.h"
#include "ui/MessageBoxes.h"

using namespace Kestrup;

namespace {

class WindowTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        const char* folder = std::getenv("KESTRUP_SCREENSHOTS");
        shots_ = folder && *folder ? folder : SCREENSHOT_FOLDER;
        std::filesystem::create_directories(shots_);
        // The dialogs are real windows, answered with keys.
        robot.onForm = [this](QDialog& form) { answer(form); };
    }

    void startWindow() {
        start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
        wizard->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    }

    // Keys go to the widget that has the keyboard's focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "no focus on " << caption();
        QTest::keyClick(focus, key, modifiers);
    }
    void type(const QString& text) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, text);
    }
    void tabTo(QWidget* target) {
        ASSERT_NE(target, nullptr);
        for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i)
            press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), target) << target->objectName().toStdString();
    }

    // The window as the X server shows it, at its size and at the smallest it allows.
    void shoot(QWidget& window, const std::string& name) {
        const QSize size = window.size();
        grab(window, name + "-default");
        window.resize(1, 1);
        grab(window, name + "-smallest");
        window.resize(size);
        QTest::qWait(100);
    }
    void grab(QWidget& window, const std::string& name) {
        // Lets the window paint what it shows now.
        QTest::qWait(400);
        QPixmap shot = window.screen()->grabWindow(window.winId());
        ASSERT_FALSE(shot.isNull());
        ASSERT_TRUE(shot.save(QString::fromStdString(shots_ + "/" + name + ".png")));
    }

    // The login (as admin) and the break string, typed as a user would.
    void answer(QDialog& form) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        const bool login = form.windowTitle() == "Login";
        if (shotForms_.insert(form.windowTitle().toStdString()).second) {
            shoot(form, login ? "dialog-login" : "dialog-break-string");
            form.hide();
            shoot(*wizard, "page7-installation");
            form.show();
            form.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        }
        dialogs.push_back(form.windowTitle().toStdString());
        if (login) {
            tabTo(form.findChild<QLineEdit*>("txtUserName"));
            press(Qt::Key_A, Qt::ControlModifier);
            type("admin");
            press(Qt::Key_Tab);
            type("admin");
        } else {
            tabTo(form.findChild<QLineEdit*>("Text1"));
            type("<ESC>x<CR>");
        }
        press(Qt::Key_Return);
        EXPECT_FALSE(form.isVisible()) << "Return did not close " << form.windowTitle().toStdString();
    }

    // The package page with the demo package or the firmware image chosen, on to the connection type.
    void choose(bool firmwareOnly) {
        ASSERT_EQ(caption(), "Introduction - Kestrup");
        shoot(*wizard, "page0-introduction");
        press(Qt::Key_Return);
        ASSERT_EQ(caption(), "Select installation package - Kestrup");
        auto* list = find<Platform::Ui::ListView>("lstDistribution");
        if (firmwareOnly) {
            tabTo(find<QCheckBox>("chkFirmwareOnly"));
            press(Qt::Key_Space);
            tabTo(list);
        }
        EXPECT_EQ(QApplication::focusWidget(), list);
        press(Qt::Key_Down);
        shoot(*wizard, firmwareOnly ? "page1-firmware" : "page1-package");
        press(Qt::Key_Return);
        if (!firmwareOnly) {
            ASSERT_EQ(caption(), "License Agreement - Kestrup");
            tabTo(find<QRadioButton>("optAgree"));
            press(Qt::Key_Space);
            shoot(*wizard, "page2-license");
            press(Qt::Key_Return);
            ASSERT_EQ(caption(), "Readme - Kestrup");
            shoot(*wizard, "page3-readme");
            press(Qt::Key_Return);
        }
        ASSERT_EQ(caption(), "Connection type - Kestrup");
    }

    // Return, or the access key given, is Exit.
    void finish(const char* shot = "page9-finished", Qt::Key accessKey = Qt::Key_unknown) {
        EXPECT_EQ(caption(), "Finished! - Kestrup");
        // Without a window manager nothing hands the focus back when a dialog closes.
        wizard->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
        EXPECT_EQ(QApplication::focusWidget(), button(NavExit));
        EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
        shoot(*wizard, shot);
        if (accessKey != Qt::Key_unknown)
            press(accessKey, Qt::AltModifier);
        else
            press(Qt::Key_Return);
        EXPECT_TRUE(Platform::WaitUntil([&] { return !wizard->isVisible(); }, 2000));
    }

    std::vector<std::string> dialogs;

    void toComOne(PrinterSim::Printer& printer, TempFolder& comDir);
    // From the connection page: "Network", and both printers the scan finds.
    void toBothPrinters() {
        // The arrow moves to "Network" and chooses it.
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        ASSERT_EQ(caption(), "Select printers - Kestrup");
        auto* printers = find<Platform::Ui::ListView>("ListView1");
        ASSERT_TRUE(Platform::WaitUntil([&] { return printers->ItemCount() >= 2; }, 8000))
            << printers->ItemCount();
    }
    // ... and both checked, with the keyboard.
    void checkBothPrinters() {
        ASSERT_NO_FATAL_FAILURE(toBothPrinters());
        tabTo(find<Platform::Ui::ListView>("ListView1"));
        for (int row = 0; row < 2; ++row) {
            press(Qt::Key_Space);
            press(Qt::Key_Down);
        }
    }
    // The two printers on 127.0.0.2 and 127.0.0.3, each behind its print
    // server, which the scan finds on loopback.
    void startPrintServers(PrinterSim::Printer& first, PrinterSim::Printer& second) {
        ASSERT_TRUE(first.listen("127.0.0.2")) << first.errorString().toStdString();
        ASSERT_TRUE(second.listen("127.0.0.3")) << second.errorString().toStdString();
        printServers_ = std::make_unique<HubletSim::HubletSimProcess>(
            HUBLET_SIM_PROGRAM,
            std::vector<std::string>{
                "--port", "0", "--community", "caddis", "--server",
                "address=127.0.0.2,name=Dispatch,status=4,port=" + std::to_string(first.port()), "--server",
                "address=127.0.0.3,name=Warehouse,status=4,port=" + std::to_string(second.port())});
        // The printers' threads run already: the environment changes through
        // Qt, whose threads read it under the same lock.
        qputenv("KESTRUP_SNMP_PORT", QByteArray::number(printServers_->port()));
        qputenv("KESTRUP_BROADCAST", "127.255.255.255");
    }
    bool installAbortingWhen(const std::function<bool()>& phase);
    std::string actionStatus(int32_t action) const;
    std::string reportText(const char* report) const;

private:
    std::unique_ptr<HubletSim::HubletSimProcess> printServers_;
    std::string shots_;
    std::set<std::string> shotForms_;
};

} // namespace

TEST_F(WindowTest, APackageToBothNetworkPrintersWithTheKeyboard) {
    Renova::WriteTimeout(Renova::TS_TimeOut, 1000);
    PrinterSim::Printer first(PrinterSim::Profile::forVersion("8.10"));
    // The second printer's program ignores hello until the typed break string stops it.
    PrinterSim::Profile blocked = PrinterSim::Profile::forVersion("8.10");
    blocked.breakString = "\x1bx\r";
    PrinterSim::Printer second(blocked,
                               PrinterSim::FaultPlan{*PrinterSim::Fault::parse("hello-needs-break")});
    ASSERT_NO_FATAL_FAILURE(startPrintServers(first, second));

    ASSERT_NO_FATAL_FAILURE(startWindow());
    ASSERT_NO_FATAL_FAILURE(choose(false));
    shoot(*wizard, "page4-connection-type");
    ASSERT_NO_FATAL_FAILURE(checkBothPrinters());
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Install](&Exit)");
    shoot(*wizard, "page6-network-printers");
    press(Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(find<QTabWidget>("SSTab1")->currentIndex(), 1);
    shoot(*wizard, "page6-options");
    press(Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(find<QTabWidget>("SSTab1")->currentIndex(), 0);
    press(Qt::Key_Return);

    EXPECT_EQ(dialogs, (std::vector<std::string>{"Login", "Break string", "Login"}));
    for (auto* printer : {&first, &second}) {
        EXPECT_TRUE(printer->files().contains("c:demo/HELLO.PRG"))
            << printer->files().keys().join(" ").toStdString();
        EXPECT_FALSE(printer->storedKernels().isEmpty());
    }
    finish();
}

TEST_F(WindowTest, DamagedFilesBesideThePackageAndAFailedPrinterAreNamedWithTheKeyboard) {
    // A copy cut short and a text file beside the demo package.
    const std::string cut = home() + "/Demo2.rbi";
    std::filesystem::copy_file(package(), cut);
    std::filesystem::resize_file(cut, 400);
    const std::string notes = home() + "/Notes.rbi";
    std::ofstream(notes) << "Order more labels.\n";
    // The first printer's language is too old: it fails, the user goes on.
    PrinterSim::Printer first(PrinterSim::Profile::forVersion("6.50"));
    PrinterSim::Printer second(PrinterSim::Profile::forVersion("8.10"));
    ASSERT_NO_FATAL_FAILURE(startPrintServers(first, second));

    ASSERT_NO_FATAL_FAILURE(startWindow());
    ASSERT_NO_FATAL_FAILURE(choose(false));
    ASSERT_EQ(robot.boxes.size(), 1u) << robot.boxTexts().back();
    EXPECT_NE(robot.boxes[0].text.find("it ends before its last element closes. Package document: \"" + cut),
              std::string::npos)
        << robot.boxes[0].text;
    EXPECT_NE(robot.boxes[0].text.find("it holds no Kestrup package. Package document: \"" + notes),
              std::string::npos)
        << robot.boxes[0].text;
    robot.boxes.clear();
    ASSERT_NO_FATAL_FAILURE(checkBothPrinters());

    // Return in the address field adds the address and installs nothing.
    press(Qt::Key_O, Qt::AltModifier);
    tabTo(find<QLineEdit>("txtNetwork"));
    press(Qt::Key_A, Qt::ControlModifier);
    type("127.0.0.9");
    press(Qt::Key_Return);
    EXPECT_EQ(caption(), "Select printers - Kestrup");
    auto* subnets = find<QListWidget>("lstSubnets");
    ASSERT_GE(subnets->count(), 1);
    EXPECT_EQ(subnets->item(subnets->count() - 1)->text(), "127.0.0.9");
    shoot(*wizard, "page6-address-added");
    press(Qt::Key_N, Qt::AltModifier);

    robot.boxAnswers = {Platform::MsgBoxResult::OK, Platform::MsgBoxResult::Yes};
    // A button's access key clicks it a moment later.
    press(Qt::Key_I, Qt::AltModifier);
    ASSERT_TRUE(Platform::WaitUntil([&] { return wizard->CurrentStep() == StepFinished; }, 60000))
        << caption();
    EXPECT_EQ(dialogs, std::vector<std::string>{"Login"});
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_EQ(robot.boxes[0].text, "Error: Firmware check failed(9999)\n\nPrinter: 127.0.0.2 (Dispatch)");
    robot.boxes.clear();
    EXPECT_TRUE(second.files().contains("c:demo/HELLO.PRG"));
    EXPECT_EQ(reportText("ctlReportFinish"),
              "The Wizard is finished with the installation, but not every printer was updated.\n\n"
              "Not updated:\n127.0.0.2 (Dispatch): Error: Firmware check failed(9999)\n\n"
              "Updated:\n127.0.0.3 (Warehouse)\n\nSee the log file for more information.");
    finish("page9-finished-in-part", Qt::Key_E);
}

TEST_F(WindowTest, APackageWhoseUffFileLacksOneOfItsFilesIsNamedAndReachesNoPrinter) {
    changePackage([](Scrivel::KSDoc& doc) {
        auto file = doc.PrinterFiles()->Add();
        file->setFileTitle("MISSING.PRG");
        file->setDestinationPath("c:/demo/MISSING.PRG");
    });
    PrinterSim::Printer first(PrinterSim::Profile::forVersion("8.10"));
    PrinterSim::Printer second(PrinterSim::Profile::forVersion("8.10"));
    ASSERT_NO_FATAL_FAILURE(startPrintServers(first, second));
    // This box is a real one, photographed and closed with Return.
    Platform::setModalBoxHook([this](const Platform::ModalBoxRequest& request) {
        robot.boxes.push_back(request);
        QTimer::singleShot(0, [this] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
            grab(*box, "box-package-lacks-a-file");
            QTest::keyClick(box, Qt::Key_Return);
        });
        return Platform::Ui::AnswerWithMessageBox(request);
    });

    ASSERT_NO_FATAL_FAILURE(startWindow());
    press(Qt::Key_Return);
    ASSERT_EQ(caption(), "Select installation package - Kestrup");
    press(Qt::Key_Down);
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_EQ(
        robot.boxes[0].text,
        "The package \"Kestrup demo application\" cannot be installed.\n\nThe package document is damaged: "
        "its file \"MISSING.PRG\" is not in its UFF file \"" +
            home() + "/" + DemoFiles::FlashFileName +
            "\"\n\nPut the UFF file that belongs to it, whole, beside the package document \"" + package() +
            "\", or choose another package.");
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Next >)(&Exit)");
    shoot(*wizard, "page1-package-lacks-a-file");
    // Return and the access key of Next go nowhere.
    press(Qt::Key_Return);
    press(Qt::Key_N, Qt::AltModifier);
    QTest::qWait(200);
    EXPECT_EQ(caption(), "Select installation package - Kestrup");
    EXPECT_EQ(first.connections(), 0);
    EXPECT_EQ(second.connections(), 0);
}

TEST_F(WindowTest, TheBareFirmwareToComOneWithTheKeyboard) {
    TempFolder comDir;
    qputenv("KESTRUP_COM_DIR", QByteArray(comDir.path().c_str()));
    PrinterSim::Printer printer(PrinterSim::Profile::forVersion("8.10"));
    ASSERT_TRUE(printer.openSerial(QString::fromStdString(comDir / "COM1")))
        << printer.errorString().toStdString();

    ASSERT_NO_FATAL_FAILURE(startWindow());
    ASSERT_NO_FATAL_FAILURE(choose(true));
    press(Qt::Key_Return);
    ASSERT_EQ(caption(), "Select serial port - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Install)(&Exit)");
    press(Qt::Key_Down);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Install](&Exit)");
    press(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Install)(&Exit)");
    press(Qt::Key_Space);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Install](&Exit)");
    shoot(*wizard, "page5-serial-port");
    press(Qt::Key_Return);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_FALSE(printer.storedKernels().isEmpty());
    finish();
    qunsetenv("KESTRUP_COM_DIR");
}

TEST_F(WindowTest, TheFailurePage) {
    // A help viewer that cannot start: the error ends on the failure page.
    class BrokenHelp : public Platform::Ui::HelpViewer {
    public:
        void setHelpFile(const std::string&) override {}
        void setContext(int32_t) override {}
        void Show(QWidget*) override {
            Automation::raise(53, "HelpViewer:Show", "File not found: kestrup.hlp");
        }
        void Close() override {}
    };
    const auto previous = Platform::Ui::setHelpViewerFactory([] { return std::make_unique<BrokenHelp>(); });
    ASSERT_NO_FATAL_FAILURE(startWindow());
    QTest::mouseClick(button(NavHelp), Qt::LeftButton);
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    shoot(*wizard, "page8-failure");
    Platform::Ui::setHelpViewerFactory(previous);
}

// The way to the serial page with the demo package, by clicks, and COM1 chosen.
void WindowTest::toComOne(PrinterSim::Printer& printer, TempFolder& comDir) {
    qputenv("KESTRUP_COM_DIR", QByteArray(comDir.path().c_str()));
    ASSERT_TRUE(printer.openSerial(QString::fromStdString(comDir / "COM1")))
        << printer.errorString().toStdString();
    start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    click(NavNext);
    find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->setFilePath(package());
    click(NavNext);
    find<QRadioButton>("optAgree")->click();
    click(NavNext);
    click(NavNext);
    find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(1);
    click(NavNext);
    auto& ports = *find<Platform::Ui::ListView>("lstSerialPorts");
    auto* com1 = ports.Item("com1:");
    ASSERT_NE(com1, nullptr);
    QTest::mouseClick(ports.viewport(), Qt::LeftButton, {}, ports.visualItemRect(com1).center());
}

// Install, with Abort clicked once `phase` holds, from a timer that runs
// while the installation pumps. True when the click came.
bool WindowTest::installAbortingWhen(const std::function<bool()>& phase) {
    auto* abort = find<QPushButton>("cmdAbort");
    bool clicked = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (clicked || !phase())
            return;
        clicked = true;
        EXPECT_TRUE(abort->isVisible());
        QTest::mouseClick(abort, Qt::LeftButton);
    });
    watch.start();
    click(NavNext);
    watch.stop();
    return clicked;
}

std::string WindowTest::actionStatus(int32_t action) const {
    auto& actions = *find<Platform::Ui::ListView>("lvwActions");
    auto* row = actions.Item("ID" + std::to_string(action));
    return row ? actions.Text(row, 1) : std::string("-");
}

std::string WindowTest::reportText(const char* report) const {
    return find<QWidget>(report)->findChild<QLabel*>("lblReportText")->text().toStdString();
}

TEST_F(WindowTest, AnAbortBeforeTheFlashEndsOnTheFailurePageAskingNothingMore) {
    for (int32_t phase : {Renova::AI_Connecting, Renova::AI_CopyingFiles}) {
        SCOPED_TRACE(phase);
        robot.boxes.clear();
        dialogs.clear();
        // At the last speed the search tries, the printer keeps the search long enough to click into.
        TempFolder comDir;
        PrinterSim::Profile profile = PrinterSim::Profile::forVersion("8.10");
        if (phase == Renova::AI_Connecting)
            profile.baudRate = 2400;
        PrinterSim::Printer printer(profile);
        ASSERT_NO_FATAL_FAILURE(toComOne(printer, comDir));
        // During the upload the click may come after its last report: the
        // login that follows is still never asked.
        EXPECT_TRUE(installAbortingWhen([&] { return actionStatus(phase) != "-"; }));
        EXPECT_TRUE(dialogs.empty());
        EXPECT_EQ(wizard->CurrentStep(), StepFailure);
        EXPECT_EQ(caption(), "Installation - Kestrup");
        ASSERT_EQ(robot.boxes.size(), 1u);
        EXPECT_EQ(robot.boxes[0].text,
                  "Error: The operation was cancelled.(113)\n\nPrinter: Com1 (Printer on com1)");
        const std::string log = Platform::Files::ReadFileContents(WizardSettings::LogFilePath());
        EXPECT_NE(log.find("Printer updater error: The operation was cancelled.(113)"), std::string::npos)
            << log;
        EXPECT_EQ(log.find("Change user to"), std::string::npos) << log;
        EXPECT_TRUE(printer.storedKernels().isEmpty());
        if (phase == Renova::AI_Connecting) {
            EXPECT_FALSE(printer.files().contains("c:demo/HELLO.PRG"));
            shoot(*wizard, "page8-aborted");
        }
        wizard.reset();
        qunsetenv("KESTRUP_COM_DIR");
    }
}

TEST_F(WindowTest, AnAbortDuringTheFlashLetsItFinishAndTheFinishPageSaysTheRunStopped) {
    TempFolder comDir;
    PrinterSim::Printer printer(PrinterSim::Profile::forVersion("8.10"),
                                PrinterSim::FaultPlan{*PrinterSim::Fault::parse("slow-flakef")});
    ASSERT_NO_FATAL_FAILURE(toComOne(printer, comDir));
    EXPECT_TRUE(installAbortingWhen([&] {
        for (const QByteArray& shown : printer.displayHistory())
            if (shown.contains("Storing Kernel"))
                return true;
        return false;
    }));
    EXPECT_EQ(dialogs, std::vector<std::string>{"Login"});
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    EXPECT_EQ(wizard->CurrentStep(), StepFinished);
    EXPECT_EQ(reportText("ctlReportFinish"), "The installation was stopped by Abort.\n\n"
                                             "Updated:\nCom1 (Printer on com1)\n\n"
                                             "See the log file for more information.");
    EXPECT_FALSE(printer.storedKernels().isEmpty());
    shoot(*wizard, "page9-stopped-by-abort");
    wizard.reset();
    qunsetenv("KESTRUP_COM_DIR");
}

// The printers page from the keyboard: Tab and Space check the first
// printer; Return in the community field installs nothing.
TEST_F(WindowTest, SpaceChecksTheFirstPrinterAndReturnInTheCommunityFieldSendsNothing) {
    PrinterSim::Printer first(PrinterSim::Profile::forVersion("8.10"));
    PrinterSim::Printer second(PrinterSim::Profile::forVersion("8.10"));
    ASSERT_NO_FATAL_FAILURE(startPrintServers(first, second));
    ASSERT_NO_FATAL_FAILURE(startWindow());
    ASSERT_NO_FATAL_FAILURE(choose(false));
    ASSERT_NO_FATAL_FAILURE(toBothPrinters());
    auto* printers = find<Platform::Ui::ListView>("ListView1");

    tabTo(printers);
    press(Qt::Key_Space);
    const auto rows = printers->Items();
    EXPECT_EQ(printers->currentItem(), rows[0]);
    EXPECT_TRUE(printers->Checked(rows[0]));
    EXPECT_FALSE(printers->Checked(rows[1]));
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Install](&Exit)");
    shoot(*wizard, "page6-first-printer-checked");

    press(Qt::Key_O, Qt::AltModifier);
    auto* community = find<QLineEdit>("txtCommunity");
    QTest::mouseClick(community, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), community);
    press(Qt::Key_A, Qt::ControlModifier);
    type("public");
    press(Qt::Key_Return);
    // An access key would click a moment later; Return might too.
    Platform::WaitForEvents(300);
    EXPECT_EQ(caption(), "Select printers - Kestrup");
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(first.connections() + second.connections(), 0);
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
}
