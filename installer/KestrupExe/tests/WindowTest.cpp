// The wizard in a real X window (run under xvfb-run with the xcb platform):
// walks to the network printers and keeps screenshots of the pages it passes.
#include "WizardFixture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "HubletSimProcess.h"
#include "KestrupExe/ctlConnectionType.h"
#include "Pickett/ctlInstFileFinder.h"
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
