// The facade's document (history, subnets, community) and the applying of a
// setup to the caller's connection.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "PtyPeer.h"
#include "Seekwire/AutoConnect.h"
#include "Seekwire/NetConnectionSetup.h"
#include "Seekwire/SerialConnectionSetup.h"
#include "TempFolder.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"

namespace Seekwire {
namespace {

using Automation::Ref;

Ref<SerialConnectionSetup> serial(int32_t port, int32_t baud) {
    auto s = Automation::New<SerialConnectionSetup>();
    s->setCommPort(port);
    s->setBaudrate(baud);
    s->setParity(1);
    s->setDatabits(7);
    s->setStopbits(1);
    s->setHandshake(2);
    return s;
}

Ref<NetConnectionSetup> net(const std::string& address, const std::string& port) {
    auto n = Automation::New<NetConnectionSetup>();
    n->setIPAddress(address);
    n->setIPPort(port);
    n->setSysStatus("3");
    return n;
}

TEST(AutoConnectData, ANewFacadeWritesAnEmptyHistoryAndTheDefaultCommunity) {
    auto facade = Automation::New<AutoConnect>();
    EXPECT_EQ(facade->ObjectData(),
              "<AutoConnect Visible=\"False\">\r\n<History>\r\n</History>\r\n<SubNets>\r\n"
              "<Community>\r\n\"caddis\"\r\n</Community>\r\n</SubNets>\r\n</AutoConnect>");
}

TEST(AutoConnectData, HistorySubnetsAndCommunityAreWrittenByteForByteAndReadBackEqual) {
    auto facade = Automation::New<AutoConnect>();
    facade->setConnection(Automation::New<Tethra::Connection>());
    auto a = serial(2, 9600);
    auto b = net("127.0.0.21", "9100");
    facade->History()->AddObject(a);
    facade->History()->AddObject(b);
    facade->setCommunity("ca\"ddis");
    facade->AddSubnet("127.0.1.0");
    facade->AddSubnet("127.0.2.255");
    const std::string text = facade->ObjectData();
    EXPECT_EQ(text,
              "<AutoConnect Visible=\"False\">\r\n<History>\r\n" + a->ObjectData() + b->ObjectData() +
                  "</History>\r\n<SubNets>\r\n<Community>\r\n\"ca{\\34}ddis\"\r\n</Community>\r\n"
                  "<SubNet>\r\n\"127.0.1.0\"\r\n</SubNet>\r\n<SubNet>\r\n\"127.0.2.255\"\r\n</SubNet>\r\n"
                  "</SubNets>\r\n</AutoConnect>");

    auto copy = Automation::New<AutoConnect>();
    copy->AddSubnet("127.9.9.9");
    copy->setObjectData(text);
    EXPECT_EQ(copy->ObjectData(), text);
    EXPECT_EQ(copy->Community(), "ca\"ddis");
    ASSERT_EQ(copy->History()->Count(), 2);
    EXPECT_EQ(copy->History()->Item(Automation::Variant(1))->ConnectionType(), "SerialConnectionSetup");
    EXPECT_EQ(copy->History()->Item(Automation::Variant(2))->ObjectData(), b->ObjectData());
}

TEST(AutoConnectData, AGarbledTextKeepsWhatWasReadBeforeAndRaisesNothing) {
    auto facade = Automation::New<AutoConnect>();
    facade->History()->AddObject(serial(2, 9600));
    facade->AddSubnet("127.0.1.0");
    const std::string good = facade->ObjectData();
    // A second history entry without its Type ends the reading there.
    std::string garbled = good;
    garbled.insert(garbled.find("</History>"), "<Connection>\r\n</Connection>\r\n");

    auto copy = Automation::New<AutoConnect>();
    copy->History()->AddObject(serial(5, 2400));
    copy->AddSubnet("127.9.9.9");
    copy->setCommunity("kept");
    copy->setObjectData(garbled);
    ASSERT_EQ(copy->History()->Count(), 1);
    EXPECT_EQ(copy->History()->Item(Automation::Variant(1)).as<SerialConnectionSetup>()->CommPort(), 2);
    EXPECT_EQ(copy->Subnets().Count(), 0);
    EXPECT_EQ(copy->Community(), "kept");
    copy->setObjectData("no document at all <");
    EXPECT_EQ(copy->History()->Count(), 0);
}

class MakeConnectionTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("KESTRUP_COM_DIR", folder.path().c_str(), 1);
        for (int n : {1, 3})
            std::filesystem::create_symlink((n == 1 ? com1 : com3).slaveName(),
                                            folder / ("COM" + std::to_string(n)));
        facade->setConnection(connection);
        events = connection->AfterConnectionChanged.connect([this](Ref<Tethra::Connection> c) {
            if (auto port = c->PortObject().as<Tethra::SerPort>())
                ports.push_back(port->CommPort());
        });
    }
    void TearDown() override { unsetenv("KESTRUP_COM_DIR"); }

    TempFolder folder;
    Platform::Serial::Testing::Pty com1, com3;
    Ref<Tethra::Connection> connection = Automation::New<Tethra::Connection>();
    Ref<AutoConnect> facade = Automation::New<AutoConnect>();
    Automation::EventConnection events;
    std::vector<int32_t> ports;
};

TEST_F(MakeConnectionTest, ASerialSetupIsWrittenIntoTheClosedPortWithADetourWhenTheNumberIsTheSame) {
    connection->setPortType(1);
    connection->setPortOpen(true);
    ASSERT_TRUE(connection->PortOpen());
    ports.clear();
    facade->MakeConnection(serial(1, 9600));
    EXPECT_FALSE(connection->PortOpen());
    EXPECT_EQ(connection->ConnectString(), "SER:COM1:9600,N,7,1,2");
    EXPECT_EQ(ports, (std::vector<int32_t>{3, 1}));

    ports.clear();
    facade->MakeConnection(serial(3, 19200));
    EXPECT_EQ(ports, (std::vector<int32_t>{3}));
    ports.clear();
    facade->MakeConnection(serial(3, 19200));
    EXPECT_EQ(ports, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(connection->ConnectString(), "SER:COM3:19200,N,7,1,2");

    // Equal setups (COM number and the five line settings) do not grow the history.
    auto other = serial(3, 19200);
    other->setStdIO(2);
    facade->MakeConnection(other);
    EXPECT_EQ(facade->History()->Count(), 2);
    facade->MakeConnection(serial(3, 2400));
    EXPECT_EQ(facade->History()->Count(), 3);
}

TEST_F(MakeConnectionTest, ANetworkSetupSetsHostAndPortAndABusyConnectionIsLeftAlone) {
    facade->MakeConnection(net("127.0.0.21", "9100"));
    EXPECT_EQ(connection->PortType(), 2);
    EXPECT_EQ(connection->ConnectString(), "LAN:127.0.0.21:9100");
    facade->MakeConnection(net("127.0.0.21", "9100"));
    facade->MakeConnection(net("127.0.0.21", "9101"));
    EXPECT_EQ(facade->History()->Count(), 2);
    facade->MakeConnection(nullptr);
    EXPECT_EQ(facade->History()->Count(), 2);

    // While the connection pumps it is busy: nothing changes.
    QTimer::singleShot(0, [&] { facade->MakeConnection(serial(3, 9600)); });
    connection->Wait(100, true);
    EXPECT_EQ(connection->PortType(), 2);
    EXPECT_EQ(facade->History()->Count(), 2);
}

TEST(AutoConnect, SerialScansWithoutAConnectionRaise91) {
    auto facade = Automation::New<AutoConnect>();
    EXPECT_EQ(errorNumberOf([&] { facade->ScanSerialConnection(1, {}); }),
              Automation::RuntimeError::ObjectNotSet);
    EXPECT_EQ(errorNumberOf([&] { facade->ScanSerialConnections(); }),
              Automation::RuntimeError::ObjectNotSet);
    EXPECT_FALSE(facade->IsRunning());
}

} // namespace
} // namespace Seekwire
