// The network scan against the simulated print servers (community "caddis"),
// and the readiness check of a network setup against simulated printers on
// the servers' addresses.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "HubletSimProcess.h"
#include "Printer.h"
#include "Seekwire/AutoConnect.h"
#include "Seekwire/NetConnectionSetup.h"
#include "messages/MessagePump.h"
#include "messages/ModalBox.h"

namespace Seekwire {
namespace {

using Automation::Ref;

const std::vector<std::string> TwoServers{
    "--server", "address=127.0.0.21,layout=A,name=Alpha,status=4,port=9100", "--server",
    "address=127.0.0.22,layout=B,name=Beta,status=3,port=9101"};

class NetScanTest : public testing::Test {
protected:
    void startSim(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", "0", "--community", "caddis"});
        sim = std::make_unique<HubletSim::HubletSimProcess>(HUBLET_SIM_PROGRAM, arguments);
        setenv("KESTRUP_SNMP_PORT", std::to_string(sim->port()).c_str(), 1);
        setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
    }
    void SetUp() override {
        previousHook = Platform::setModalBoxHook([this](const Platform::ModalBoxRequest& box) {
            boxes.push_back(box.title + "|" + box.text + "|" + std::to_string(box.style));
            return Platform::MsgBoxResult::OK;
        });
        events = facade->AddNewPort.connect([this](Ref<IConnectionSetup>& setup) {
            auto n = setup.as<NetConnectionSetup>();
            announced.push_back(n->Key() + " " + n->PrinterName() + " " + n->IPPort() + " " + n->SysStatus() +
                                (n->ImmediateMode() ? " immediate" : ""));
            if (onAnnounce)
                onAnnounce(setup);
        });
    }
    void TearDown() override { Platform::setModalBoxHook(previousHook); }

    // Scans and waits for `count` setups, or the end of the finder's sweep.
    std::vector<std::string> scan(size_t count) {
        announced.clear();
        facade->ScanNetConnection();
        Platform::WaitUntil([&] { return announced.size() >= count; }, 5000);
        std::sort(announced.begin(), announced.end());
        return announced;
    }

    std::unique_ptr<HubletSim::HubletSimProcess> sim;
    Ref<AutoConnect> facade = Automation::New<AutoConnect>();
    Automation::EventConnection events;
    std::vector<std::string> announced;
    std::function<void(Ref<IConnectionSetup>&)> onAnnounce;
    std::vector<std::string> boxes;
    Platform::ModalBoxHook previousHook;
};

TEST_F(NetScanTest, AScanWithoutSubnetsBroadcastsAndMakesOneSetupPerServerKeyedByAddress) {
    startSim(TwoServers);
    EXPECT_EQ(scan(2), (std::vector<std::string>{"IP:127.0.0.21 Alpha 9100 Idle immediate",
                                                 "IP:127.0.0.22 Beta 9101 Running"}));
    EXPECT_EQ(facade->ConnectionSetupCol()->Count(), 2);
    EXPECT_EQ(facade->ConnectionSetupCol()->Item(Automation::Variant("IP:127.0.0.22"))->ConnectionType(),
              "NetConnectionSetup");
    // The local broadcast went to the seam's address.
    const std::vector<std::string> lines = sim->lines(200);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("received broadcast get") == 0; }));

    // An empty community is the default one; a subnet narrows the sweep.
    facade->setCommunity("");
    facade->AddSubnet("127.0.0.22");
    EXPECT_EQ(scan(1), (std::vector<std::string>{"IP:127.0.0.22 Beta 9101 Running"}));
    EXPECT_EQ(facade->ConnectionSetupCol()->Count(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(NetScanTest, AnErrorWithOneServerIsShownInABoxAndTheScanGoesOn) {
    startSim(TwoServers);
    onAnnounce = [](Ref<IConnectionSetup>& setup) {
        if (setup->Key() == "IP:127.0.0.21")
            Automation::raise(Automation::RuntimeError::InvalidProcedureCall, "test", "refused");
    };
    EXPECT_EQ(scan(2).size(), 2u);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Error|Error 5\r\n127.0.0.21|0"}));
}

TEST_F(NetScanTest, AbortEndsTheDeliveryOfFurtherServers) {
    startSim(TwoServers);
    facade->ScanNetConnection();
    facade->Abort();
    Platform::WaitUntil([] { return false; }, 2500);
    EXPECT_TRUE(announced.empty());
    // A later scan makes a new engine, which a handler may abort in turn.
    onAnnounce = [this](Ref<IConnectionSetup>&) { facade->Abort(); };
    scan(2);
    Platform::WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(announced.size(), 1u);
}

// A peer that sends back what it receives: it holds "Hello", but not the answer.
class EchoServer {
public:
    explicit EchoServer(const char* address) {
        server_.listen(QHostAddress(QString::fromLatin1(address)), 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server_.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [socket] { socket->write(socket->readAll()); });
        });
    }
    std::string port() const { return std::to_string(server_.serverPort()); }

private:
    QTcpServer server_;
};

TEST_F(NetScanTest, CheckImmediadtemodeProbesOnlyAnIdlePrinterOnANetworkChannel) {
    startSim({"--server", "address=127.0.0.31,status=4,stdio=1", "--server",
              "address=127.0.0.32,status=4,stdio=5", "--server", "address=127.0.0.33,status=4,stdio=0",
              "--server", "address=127.0.0.34,status=4,stdio=100", "--server",
              "address=127.0.0.35,status=3,stdio=5", "--server", "address=127.0.0.36,status=4,stdio=5"});
    struct Case {
        const char* address;
        bool probed;
        bool immediate;
    };
    for (const Case& c :
         {Case{"127.0.0.31", false, false}, Case{"127.0.0.32", true, true}, Case{"127.0.0.33", true, true},
          Case{"127.0.0.34", true, true}, Case{"127.0.0.35", false, false}}) {
        SCOPED_TRACE(c.address);
        PrinterSim::Printer printer;
        ASSERT_TRUE(printer.listen(QString::fromLatin1(c.address)));
        auto setup = Automation::New<NetConnectionSetup>();
        setup->setIPAddress(c.address);
        setup->setIPPort(std::to_string(printer.port()));
        setup->CheckImmediadtemode("caddis");
        EXPECT_EQ(setup->ImmediateMode(), c.immediate);
        EXPECT_EQ(printer.connections(), c.probed ? 1 : 0);
    }

    // An echo holds "Hello" but is no answer.
    EchoServer echo("127.0.0.36");
    auto echoed = Automation::New<NetConnectionSetup>();
    echoed->setIPAddress("127.0.0.36");
    echoed->setIPPort(echo.port());
    echoed->CheckImmediadtemode("caddis");
    EXPECT_EQ(echoed->StdIO(), 5);
    EXPECT_EQ(echoed->SysStatus(), "Idle");
    EXPECT_FALSE(echoed->ImmediateMode());

    // No print server there: False, without raising.
    auto absent = Automation::New<NetConnectionSetup>();
    absent->setIPAddress("127.0.0.39");
    absent->setIPPort("9100");
    absent->setSysStatus("4");
    absent->CheckImmediadtemode("caddis");
    EXPECT_FALSE(absent->ImmediateMode());
}

} // namespace
} // namespace Seekwire
