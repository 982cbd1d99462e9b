// The network printer selection control, headless, against the simulated
// print servers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include "ErrorNumber.h"
#include "HubletSimProcess.h"
#include "Modelpick/ctlVantorSelect.h"
#include "UiRobot.h"
#include "messages/MessagePump.h"
#include "ui/ListView.h"

namespace Modelpick {
namespace {

using Platform::Ui::ListView;

// A window that takes a Return reaching it as a press of its default button,
// as the wizard does: there, Install.
class ReturnCountingWindow : public QWidget {
public:
    int returns = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            ++returns;
        QWidget::keyPressEvent(event);
    }
};

class VantorSelectTest : public testing::Test {
protected:
    // The print servers, if any, then the environment, then the control:
    // Qt's threads read the environment, so it is set before any can run.
    void start(const std::vector<std::string>& servers = {}) {
        if (!servers.empty()) {
            std::vector<std::string> arguments{"--port", "0", "--community", "caddis"};
            for (const auto& server : servers) {
                arguments.push_back("--server");
                arguments.push_back(server);
            }
            sim = std::make_unique<HubletSim::HubletSimProcess>(HUBLET_SIM_PROGRAM, arguments);
            setenv("KESTRUP_SNMP_PORT", std::to_string(sim->port()).c_str(), 1);
        }
        setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
        control = std::make_unique<ctlVantorSelect>();
    }
    // Scans and pumps until `rows` rows are listed.
    void scanFor(int rows) {
        control->Scan();
        ASSERT_TRUE(Platform::WaitUntil([&] { return list().ItemCount() >= rows; }, 8000))
            << list().ItemCount() << " rows";
    }
    ListView& list() { return *control->findChild<ListView*>("ListView1"); }
    template <class T> T& child(const char* name) { return *control->findChild<T*>(name); }
    std::vector<std::string> columns() {
        std::vector<std::string> captions;
        for (int i = 0; i < list().columnCount(); ++i)
            captions.push_back(list().ColumnCaption(i));
        return captions;
    }
    std::vector<std::string> cells(const std::string& key) {
        std::vector<std::string> texts;
        for (int i = 0; i < list().columnCount(); ++i)
            texts.push_back(list().Text(list().Item(key), i));
        return texts;
    }
    void check(const std::string& key) { list().Item(key)->setCheckState(0, Qt::Checked); }
    // The control, loaded, in the active window.
    void showInWindow() {
        (new QVBoxLayout(&window))->addWidget(control.get());
        control->Load();
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void report(const std::string& address, const std::string& name) {
        auto server = Automation::New<Beaconet::HBPrinter>();
        server->setIPAddress(address);
        server->setIPPort("9100");
        server->setPrinterName(name);
        server->setSysStatus(3);
        control->NotifyClient()->NewPrinter(server);
    }

    UiRobot robot;
    std::unique_ptr<HubletSim::HubletSimProcess> sim;
    ReturnCountingWindow window;
    std::unique_ptr<ctlVantorSelect> control;
};

TEST_F(VantorSelectTest, LoadsOnceWithTheDefaultsAndShowsTheColumnsAsked) {
    start();
    auto* tabs = control->findChild<QTabWidget*>("SSTab1");
    EXPECT_EQ(tabs->tabText(0).remove(QChar('&')), QString(" Network printers"));
    EXPECT_EQ(tabs->tabText(1).remove(QChar('&')), QString("Options"));
    EXPECT_EQ(child<QLineEdit>("txtNetwork").text(), QString("255.255.255.255"));

    control->Load();
    control->Load();
    EXPECT_EQ(child<QLineEdit>("txtCommunity").text(), QString("caddis"));
    EXPECT_EQ(control->ReadCommunity(), "caddis");
    EXPECT_EQ(child<QListWidget>("lstSubnets").count(), 1);
    EXPECT_EQ(control->Networks()->Count(), 1);
    EXPECT_EQ(control->Networks()->Item(Automation::Variant(1))->IPAddress(), "255.255.255.255");
    EXPECT_TRUE(list().Checkboxes());

    control->show();
    EXPECT_EQ(control->ShowItems(), SI_Name | SI_IP);
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "IP"}));
    control->hide();
    control->setShowItems(15);
    control->show();
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "IP", "Port", "Status"}));
    EXPECT_EQ(list().ColumnKey(3), "Status");
    EXPECT_NEAR(list().ColumnWidthTwips(2), 800, 15); // whole pixels
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(VantorSelectTest, AScanListsThePrintServersAndGhostsThoseThatCannotBeUsed) {
    start({"address=127.0.0.21,layout=A,name=Annex,status=4",
           "address=127.0.0.22,layout=B,name=Basement,status=5,port=40000",
           "address=127.0.0.23,layout=A,name=Closet,status=0,revtelnet=2,port=0"});
    control->setShowItems(15);
    control->Load();
    control->show();
    QSignalSpy made(control.get(), &ctlVantorSelect::SelectionMade);
    QSignalSpy none(control.get(), &ctlVantorSelect::NoSelectionMade);
    scanFor(3);

    EXPECT_EQ(cells("IP127.0.0.21"), (std::vector<std::string>{"Annex", "127.0.0.21", "9100", "Idle"}));
    EXPECT_EQ(list().Item("IP127.0.0.21")->toolTip(0), QString("Status: Idle Model: K1"));
    EXPECT_EQ(list().SmallIcon(list().Item("IP127.0.0.21")), 1);
    EXPECT_FALSE(list().Ghosted(list().Item("IP127.0.0.21")));
    // A print server above port 32767 is listed with its port.
    EXPECT_EQ(cells("IP127.0.0.22"),
              (std::vector<std::string>{"Basement", "127.0.0.22", "40000", "Warning"}));
    EXPECT_EQ(list().Item("IP127.0.0.22")->toolTip(0), QString("Status: Warning Model: N3"));
    EXPECT_EQ(cells("IP127.0.0.23"), (std::vector<std::string>{"Closet", "127.0.0.23", "0", ""}));
    EXPECT_TRUE(list().Ghosted(list().Item("IP127.0.0.23")));

    // A ghosted row cannot be checked; the message gives every reason.
    check("IP127.0.0.23");
    EXPECT_FALSE(list().Checked(list().Item("IP127.0.0.23")));
    EXPECT_EQ(robot.boxTexts(),
              (std::vector<std::string>{"Error|Can't connect to this printer due to port is set to 0\r\n"
                                        " and Reverse Telnet Option is enabled\r\n and Tessel is running."}));
    EXPECT_EQ(none.count(), 2); // the scan emptied the list, then this check
    EXPECT_EQ(made.count(), 0);
    EXPECT_EQ(control->GetSelectedItems()->Count(), 0);

    // The checked printers come back in the list's order.
    list().sortByHeader(0); // Name, descending
    check("IP127.0.0.21");
    check("IP127.0.0.22");
    EXPECT_EQ(made.count(), 2);
    auto selected = control->GetSelectedItems();
    ASSERT_EQ(selected->Count(), 2);
    EXPECT_EQ(selected->Item(Automation::Variant(1))->Name(), "Basement");
    EXPECT_EQ(selected->Item(Automation::Variant(1))->Port(), 40000);
    EXPECT_EQ(selected->Item(Automation::Variant(2))->IPAddress(), "127.0.0.21");
    EXPECT_EQ(selected->Item(Automation::Variant(2))->Status(), 4);
    list().Item("IP127.0.0.22")->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(made.count(), 3); // one row is still checked
    list().Item("IP127.0.0.21")->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(none.count(), 3);

    // A new scan empties the list, and with it the selection.
    check("IP127.0.0.21");
    EXPECT_EQ(made.count(), 4);
    control->Scan();
    EXPECT_EQ(list().ItemCount(), 0);
    EXPECT_EQ(none.count(), 4);
    EXPECT_EQ(robot.boxes.size(), 1u);
}

TEST_F(VantorSelectTest, EachReasonAloneGhostsARow) {
    start({"address=127.0.0.41,layout=A,name=Telnet,status=4,revtelnet=2",
           "address=127.0.0.42,layout=A,name=Tessel,status=0",
           "address=127.0.0.43,layout=A,name=NoPort,status=4,port=0",
           "address=127.0.0.44,layout=A,name=Usable,status=3"});
    control->setShowItems(15);
    control->Load();
    control->show();
    scanFor(4);
    EXPECT_FALSE(list().Ghosted(list().Item("IP127.0.0.44")));
    for (const char* key : {"IP127.0.0.41", "IP127.0.0.42", "IP127.0.0.43"}) {
        EXPECT_TRUE(list().Ghosted(list().Item(key))) << key;
        check(key);
        EXPECT_FALSE(list().Checked(list().Item(key))) << key;
    }
    EXPECT_EQ(robot.boxTexts(),
              (std::vector<std::string>{
                  "Error|Can't connect to this printer due to Reverse Telnet Option is enabled",
                  "Error|Can't connect to this printer due to Tessel is running",
                  "Error|Can't connect to this printer due to port is set to 0"}));
}

TEST_F(VantorSelectTest, AServerReportedAgainKeepsOneUpToDateRow) {
    start({"address=127.0.0.31,layout=B,name=Twice,status=4"});
    sim->command("fault repeat");
    control->Load();
    control->show();
    scanFor(1);
    check("IP127.0.0.31");
    // The sweep goes on asking; every answer comes twice.
    Platform::WaitForEvents(1500);
    EXPECT_EQ(list().ItemCount(), 1);
    EXPECT_TRUE(list().Checked(list().Item("IP127.0.0.31")));
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(VantorSelectTest, WhatTheUserGetsWrongIsShownAndChangesNothing) {
    start();
    control->Load();
    auto& community = child<QLineEdit>("txtCommunity");
    auto& subnets = child<QListWidget>("lstSubnets");

    community.clear();
    child<QPushButton>("cmdScan").click();
    community.setText("caddis");
    child<QListWidget>("lstSubnets").setCurrentRow(0);
    child<QPushButton>("cmdRemove").click();
    EXPECT_EQ(subnets.count(), 0);
    EXPECT_EQ(control->Networks()->Count(), 0);
    control->Scan();

    child<QLineEdit>("txtNetwork").setText("10.0.0.256");
    child<QPushButton>("cmdAdd").click();
    EXPECT_EQ(subnets.count(), 0);
    child<QLineEdit>("txtNetwork").setText("127.0.0.*");
    child<QPushButton>("cmdAdd").click();
    child<QLineEdit>("txtNetwork").setText("127.1.0.0");
    child<QPushButton>("cmdAdd").click();
    EXPECT_EQ(subnets.count(), 2);
    EXPECT_EQ(control->Networks()->Item(Automation::Variant(1))->IPAddress(), "127.0.0.255");
    child<QPushButton>("cmdRemoveAll").click();
    EXPECT_EQ(subnets.count(), 0);
    EXPECT_EQ(control->Networks()->Count(), 0);

    EXPECT_EQ(robot.boxTexts(),
              (std::vector<std::string>{"Modelpick|Community not valid", "Modelpick|No networks defined",
                                        "Modelpick|IP address is not valid"}));
    EXPECT_EQ(list().ItemCount(), 0);
}

TEST_F(VantorSelectTest, ReturnInATextFieldNeverReachesTheWindow) {
    start();
    ASSERT_NO_FATAL_FAILURE(showInWindow());
    auto& address = child<QLineEdit>("txtNetwork");
    auto& subnets = child<QListWidget>("lstSubnets");
    // An address that begins as a listed one does is another address.
    for (const char* typed : {"127.0.0.10", "127.0.0.1"}) {
        address.setText(typed);
        QTest::keyClick(&address, Qt::Key_Return);
    }
    ASSERT_EQ(subnets.count(), 3);
    EXPECT_EQ(subnets.item(2)->text(), QString("127.0.0.1"));
    EXPECT_EQ(control->Networks()->Count(), 3);

    auto& community = child<QLineEdit>("txtCommunity");
    community.selectAll();
    QTest::keyClicks(&community, "public");
    QTest::keyClick(&community, Qt::Key_Return);
    QTest::keyClick(&community, Qt::Key_Enter);
    EXPECT_EQ(community.text(), QString("public"));
    EXPECT_EQ(window.returns, 0);
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
}

TEST_F(VantorSelectTest, AFocusedListHasACurrentRowThatSpaceChecksWhicheverCellWasClicked) {
    start();
    ASSERT_NO_FATAL_FAILURE(showInWindow());
    QSignalSpy made(control.get(), &ctlVantorSelect::SelectionMade);
    report("127.0.0.51", "Annex");
    report("127.0.0.52", "Basement");
    list().setFocus(Qt::TabFocusReason);
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(list().Checked(list().Item("IP127.0.0.51")));
    EXPECT_EQ(made.count(), 1);

    QTreeWidgetItem* second = list().Item("IP127.0.0.52");
    const QPoint address(list().header()->sectionViewportPosition(1) + 4,
                         list().visualItemRect(second).center().y());
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, address);
    ASSERT_EQ(list().currentItem(), second);
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(list().Checked(second));
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_FALSE(list().Checked(second));
    EXPECT_TRUE(list().Checked(list().Item("IP127.0.0.51")));

    // Rows that come into the focused list after a scan emptied it.
    list().ClearItems();
    report("127.0.0.53", "Closet");
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(list().Checked(list().Item("IP127.0.0.53")));
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
}

TEST_F(VantorSelectTest, APrinterReportedAgainUpdatesItsRowAndCannotStayCheckedOnceGhosted) {
    start();
    control->setShowItems(SI_Name | SI_IP | SI_SysStatus);
    control->Load();
    control->show();
    QSignalSpy none(control.get(), &ctlVantorSelect::NoSelectionMade);
    auto server = Automation::New<Beaconet::HBPrinter>();
    server->setIPAddress("127.0.0.41");
    server->setIPPort("9100");
    server->setPrinterName("Annex");
    server->setModel("K1");
    server->setSysStatus(3);
    control->NotifyClient()->NewPrinter(server);
    check("IP127.0.0.41");
    server->setPrinterName("Annex 2");
    server->setSysStatus(0);
    control->NotifyClient()->NewPrinter(server);
    EXPECT_EQ(list().ItemCount(), 1);
    EXPECT_EQ(cells("IP127.0.0.41"), (std::vector<std::string>{"Annex 2", "127.0.0.41", ""}));
    EXPECT_EQ(list().Item("IP127.0.0.41")->toolTip(0), QString("Status:  Model: K1"));
    EXPECT_TRUE(list().Ghosted(list().Item("IP127.0.0.41")));
    EXPECT_FALSE(list().Checked(list().Item("IP127.0.0.41")));
    EXPECT_EQ(none.count(), 1);

    // A port that is no number lists nothing.
    auto odd = Automation::New<Beaconet::HBPrinter>();
    odd->setIPAddress("127.0.0.42");
    odd->setIPPort("raw");
    EXPECT_EQ(errorNumberOf([&] { control->NotifyClient()->NewPrinter(odd); }), 13);
    EXPECT_EQ(list().ItemCount(), 1);

    auto client = control->NotifyClient();
    control.reset();
    EXPECT_EQ(errorNumberOf([&] { client->NewPrinter(server); }), 91);
}

TEST(HubletPrinter, ReadsItsServerAtEachCall) {
    auto server = Automation::New<Beaconet::HBPrinter>();
    auto printer = Automation::New<HubletPrinter>();
    printer->setSource(server);
    EXPECT_EQ(printer->StatusText(), "");
    server->setSysStatus(8);
    EXPECT_EQ(printer->StatusText(), "Setup");
    server->setSysStatus(9);
    EXPECT_EQ(printer->StatusText(), "");
    server->setIPPort("65535");
    EXPECT_EQ(printer->Port(), 65535);
    server->setIPPort("raw");
    EXPECT_EQ(errorNumberOf([&] { printer->Port(); }), 13);
}

} // namespace
} // namespace Modelpick
