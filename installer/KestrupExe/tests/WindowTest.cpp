// The wizard in a real X window (run under xvfb-run with the xcb platform):
// walks to the network printers and keeps screenshots of the pages it passes.
#include "WizardFixture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "HubletSimProcess.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Printer.h"
#include "TempFolder.h"
#include "files/FileContents.h"
#include "messages/MessagePump.h"
#include "ui/ListView.h"

using namespace Kestrup;

namespace {

class WindowTest : public WizardFixture {
protected:
    // What the X server shows of the window, frame excluded.
    void screenshot(const char* name) {
        // Lets the window paint what it shows now.
        QTest::qWait(500);
        QPixmap shot = wizard->screen()->grabWindow(wizard->winId());
        ASSERT_FALSE(shot.isNull());
        std::filesystem::create_directories(SCREENSHOT_FOLDER);
        ASSERT_TRUE(shot.save(QString(SCREENSHOT_FOLDER) + "/" + name + ".png"));
    }
};

} // namespace

TEST_F(WindowTest, WalksToTheNetworkPrintersOnAnXServer) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    HubletSim::HubletSimProcess sim(HUBLET_SIM_PROGRAM,
                                    {"--port", "0", "--community", "caddis", "--server",
                                     "address=127.0.0.2,name=Dispatch,status=4,port=9100", "--server",
                                     "address=127.0.0.3,name=Warehouse,status=4,port=9100"});
    ::setenv("KESTRUP_SNMP_PORT", std::to_string(sim.port()).c_str(), 1);
    ::setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);

    start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    screenshot("page0");
    click(NavNext);
    find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->setFilePath(package());
    screenshot("page1");
    click(NavNext);
    find<QRadioButton>("optAgree")->click();
    click(NavNext);
    click(NavNext);
    find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(2);
    click(NavNext);
    EXPECT_EQ(caption(), "Select printers - Kestrup");
    auto* printers = find<Platform::Ui::ListView>("ListView1");
    EXPECT_TRUE(Platform::WaitUntil([&] { return printers->ItemCount() >= 2; }, 8000))
        << printers->ItemCount();
    screenshot("page6");
}

TEST_F(WindowTest, AnAbortClickedDuringASerialRunEndsOnTheFailurePage) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    // At the last speed the search tries, the printer keeps the search long enough to click into.
    TempFolder comDir;
    ::setenv("KESTRUP_COM_DIR", comDir.path().c_str(), 1);
    PrinterSim::Profile profile = PrinterSim::Profile::forVersion("8.10");
    profile.baudRate = 2400;
    PrinterSim::Printer printer(profile);
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
    ports.setCurrentItem(com1);
    Q_EMIT ports.ItemClick(com1);

    // The click comes once the connection step reports, from a timer that
    // runs while the installation pumps.
    auto& actions = *find<Platform::Ui::ListView>("lvwActions");
    auto* abort = find<QPushButton>("cmdAbort");
    bool clicked = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* connect = actions.Item("ID3");
        if (clicked || !connect || actions.Text(connect, 1) == "-")
            return;
        clicked = true;
        ASSERT_TRUE(abort->isVisible());
        QTest::mouseClick(abort, Qt::LeftButton);
    });
    watch.start();
    click(NavNext);
    watch.stop();

    EXPECT_TRUE(clicked);
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(caption(), "Installation - Kestrup");
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_EQ(robot.boxes[0].text, "Error: The operation was cancelled.(113)");
    const std::string log = Platform::Files::ReadFileContents(WizardSettings::LogFilePath());
    EXPECT_NE(log.find("Printer updater error: The operation was cancelled.(113)"), std::string::npos) << log;
    EXPECT_FALSE(printer.files().contains("c:demo/HELLO.PRG"));
    screenshot("page8-aborted");
    wizard.reset();
    ::unsetenv("KESTRUP_COM_DIR");
}
