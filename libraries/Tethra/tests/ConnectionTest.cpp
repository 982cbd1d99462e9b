#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

#include "Tethra/Connection.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"
#include "Tethra/modClassIDGenerator.h"
#include "TethraTest.h"

using Automation::Ref;
using Tethra::Connection;
using Tethra::NetPort;
using Tethra::SerPort;
using TethraTest::EventLog;
using TethraTest::isLibraryError;

namespace {

const std::string NoPortGolden = "<Connection Visible=\"False\">\n"
                                 "\t<PortType No0=\"Nothing\">\n"
                                 "\t0\n"
                                 "\t</PortType>\n"
                                 "</Connection>\n";

const std::string NetEntry = "\t<Port>\n"
                             "\t\t<Type>\n"
                             "\t\t\"NetPort\"\n"
                             "\t\t</Type>\n"
                             "\t\t<Settings>\n"
                             "\t\t\t<RemoteHost>\n"
                             "\t\t\t\"192.0.2.10\"\n"
                             "\t\t\t</RemoteHost>\n"
                             "\t\t\t<RemotePort>\n"
                             "\t\t\t\"9090\"\n"
                             "\t\t\t</RemotePort>\n"
                             "\t\t</Settings>\n"
                             "\t</Port>\n";

const std::string SerEntry = "\t<Port>\n"
                             "\t\t<Type>\n"
                             "\t\t\"SerPort\"\n"
                             "\t\t</Type>\n"
                             "\t\t<Settings>\n"
                             "\t\t\t<CommPort>\n"
                             "\t\t\t3\n"
                             "\t\t\t</CommPort>\n"
                             "\t\t\t<Baudrate>\n"
                             "\t\t\t9600\n"
                             "\t\t\t</Baudrate>\n"
                             "\t\t\t<Parity>\n"
                             "\t\t\t2\n"
                             "\t\t\t</Parity>\n"
                             "\t\t\t<Databits>\n"
                             "\t\t\t7\n"
                             "\t\t\t</Databits>\n"
                             "\t\t\t<Stopbits>\n"
                             "\t\t\t2\n"
                             "\t\t\t</Stopbits>\n"
                             "\t\t\t<Handshake>\n"
                             "\t\t\t1\n"
                             "\t\t\t</Handshake>\n"
                             "\t\t</Settings>\n"
                             "\t</Port>\n";

std::string golden(int type, const std::string& className, const std::string& entries) {
    return "<Connection Visible=\"False\">\n\t<PortType No" + std::to_string(type) + "=\"" + className +
           "\">\n\t" + std::to_string(type) + "\n\t</PortType>\n" + entries + "</Connection>\n";
}

// The printed form of a network connection's settings: value lines one tab
// deeper than their tags.
const std::string PrintedNet = "<Connection Visible=\"False\">\n"
                               "\t<PortType No2=\"NetPort\">\n\t\t2\n\t</PortType>\n"
                               "\t<Port>\n\t\t<Type>\n\t\t\t\"NetPort\"\n\t\t</Type>\n"
                               "\t\t<Settings>\n"
                               "\t\t\t<RemoteHost>\n\t\t\t\t\"192.0.2.10\"\n\t\t\t</RemoteHost>\n"
                               "\t\t\t<RemotePort>\n\t\t\t\t\"9090\"\n\t\t\t</RemotePort>\n"
                               "\t\t</Settings>\n\t</Port>\n"
                               "</Connection>\n";

Ref<Connection> network(const std::string& host = "192.0.2.10") {
    auto connection = Automation::New<Connection>();
    connection->setPortType(2);
    connection->PortObject().as<NetPort>()->setRemoteHost(host);
    return connection;
}

void configureSerial(SerPort& port) {
    port.setCommPort(3);
    port.setBaudrate(9600);
    port.setParity(Tethra::Parity_Even);
    port.setDatabits(7);
    port.setStopbits(2);
    port.setHandshake(Tethra::HandShake_Software);
}

} // namespace

TEST(Connection, ANewConnectionHasNoPortAndFailsWhereItNeedsOne) {
    auto connection = Automation::New<Connection>();
    EXPECT_EQ(connection->PortType(), 0);
    EXPECT_FALSE(connection->PortOpen());
    EXPECT_FALSE(connection->Busy());
    EXPECT_EQ(connection->Receive(), "");
    EXPECT_TRUE(connection->Tag().isEmpty());
    EXPECT_EQ(connection->ObjectData(), NoPortGolden);
    EXPECT_TRUE(isError(raisedError([&] { connection->ConnectString(); }), 91,
                        "Connection:ConnectString Property Get",
                        "Object variable or With block variable not set"));
    EXPECT_EQ(errorNumberOf([&] { connection->Properties(); }), 91);
    EXPECT_EQ(errorNumberOf([&] { connection->ProcessEvents(); }), 91);
    EXPECT_EQ(raisedError([&] { connection->Send("x"); }).Source(), "Connection:Send Method");
}

TEST(Connection, ObjectDataIsTheGoldenTextOfEachPortTypeAndReadsBack) {
    auto net = network();
    EXPECT_EQ(net->ObjectData(), golden(2, "NetPort", NetEntry));
    EXPECT_EQ(net->ConnectString(), "LAN:192.0.2.10:9090");

    // 2 -> 1 -> 2: one entry per class, the serial one first.
    net->setPortType(1);
    configureSerial(*net->PortObject().as<SerPort>());
    EXPECT_EQ(net->ObjectData(), golden(1, "SerPort", NetEntry + SerEntry));
    EXPECT_EQ(net->ConnectString(), "SER:COM3:9600,E,7,2,1");
    net->setPortType(2);
    const std::string both = golden(2, "NetPort", SerEntry + NetEntry);
    EXPECT_EQ(net->ObjectData(), both);

    // A new connection given the text switches to its type and restores both.
    auto copy = Automation::New<Connection>();
    copy->setObjectData(both);
    EXPECT_EQ(copy->PortType(), 2);
    EXPECT_EQ(copy->ObjectData(), both);
    copy->setPortType(1);
    EXPECT_EQ(copy->ConnectString(), "SER:COM3:9600,E,7,2,1");

    // The printed form, values one level deeper, reads to the same tree.
    auto printed = Automation::New<Connection>();
    printed->setObjectData(PrintedNet);
    EXPECT_EQ(printed->ObjectData(), golden(2, "NetPort", NetEntry));

    // A Connection element nested in another document is taken out.
    auto nested = Automation::New<Connection>();
    nested->setObjectData("<Saved>\n" + PrintedNet + "</Saved>\n");
    EXPECT_EQ(nested->ObjectData(), golden(2, "NetPort", NetEntry));
}

TEST(Connection, AnEntryForTheCurrentTypeIsNotAppliedButReplacedAtTheNextGet) {
    auto connection = network("127.0.0.5");
    connection->setObjectData(PrintedNet);
    EXPECT_EQ(connection->PortObject().as<NetPort>()->RemoteHost(), "127.0.0.5");
    EXPECT_NE(connection->ObjectData().find("\"127.0.0.5\""), std::string::npos);
}

TEST(Connection, ATextWithoutConnectionElementIsRefusedAndTheSettingsStay) {
    auto connection = network();
    const std::string before = connection->ObjectData();
    auto error = raisedError([&] { connection->setObjectData("<Other>\n</Other>\n"); });
    EXPECT_EQ(error.Number(), 101);
    EXPECT_EQ(error.Source(), "Connection:ObjectData Property Let");
    EXPECT_EQ(connection->ObjectData(), before);
    connection->setPortType(1);
    EXPECT_EQ(connection->PortType(), 1);
}

TEST(Connection, PortTypeLetRaisesItsEventsAndHonoursTheVeto) {
    auto connection = Automation::New<Connection>();
    EventLog log(*connection);
    connection->setPortType(2);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"After"}));
    connection->setPortType(2);
    EXPECT_TRUE(log.take().empty());
    connection->PortObject().as<NetPort>()->setRemoteHost("192.0.2.10");
    EXPECT_EQ(log.take(), (std::vector<std::string>{"After"}));

    // A type without port class: the events, and the port stays.
    Ref<Automation::Object> port = connection->PortObject();
    connection->setPortType(3);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Before", "After"}));
    EXPECT_TRUE(connection->PortObject() == port);

    // Settings applied during a switch raise nothing of their own.
    connection->setPortType(1);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Before", "After"}));
    connection->setPortType(2);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Before", "After"}));
    EXPECT_EQ(connection->PortObject().as<NetPort>()->RemoteHost(), "192.0.2.10");

    EventLog vetoing(*connection, true);
    connection->setPortType(1);
    EXPECT_EQ(vetoing.take(), (std::vector<std::string>{"Before"}));
    EXPECT_EQ(connection->PortType(), 2);
}

TEST(Connection, PortTypeNineIsRefusedBeforeAnythingChanges) {
    auto connection = network();
    EventLog log(*connection);
    Ref<Automation::Object> port = connection->PortObject();
    auto error = raisedError([&] { connection->setPortType(9); });
    EXPECT_EQ(error.Number(), 13);
    EXPECT_EQ(error.Source(), "Connection:PortType Property Let");
    EXPECT_TRUE(log.take().empty());
    EXPECT_TRUE(connection->PortObject() == port);
    EXPECT_EQ(connection->PortType(), 2);
}

TEST(Connection, TeardownStoresTheSettingsAndDropsThePort) {
    auto connection = Tethra::Global::CreateNetConnectionObj("192.0.2.10", 9090);
    Tethra::Global::TeardownConnectionObj(connection);
    EXPECT_EQ(connection->PortType(), 0);
    EXPECT_TRUE(connection->PortObject().isNothing());
    EXPECT_EQ(connection->ObjectData(), golden(0, "Nothing", NetEntry));
}

TEST(Connection, ClassDebugIdCountsConnectionsOnlyAndNeverGivesNumbersBack) {
    int32_t first = Automation::New<Connection>()->ClassDebugID().toLong();
    auto second = Automation::New<Connection>();
    EXPECT_EQ(second->ClassDebugID().varType(), Automation::VarType::Long);
    EXPECT_EQ(second->ClassDebugID().toLong(), first + 1);
    EXPECT_EQ(Tethra::modClassIDGenerator::NextInstanceID("SomethingElse"), 1);
    EXPECT_EQ(Tethra::modClassIDGenerator::NextInstanceID("somethingelse"), 2);
    EXPECT_EQ(Automation::New<Connection>()->ClassDebugID().toLong(), first + 2);
}

TEST(Connection, WaitLastsAtLeastItsTimeAndIsBusyOnlyWhilePumping) {
    auto connection = network();
    auto start = std::chrono::steady_clock::now();
    connection->Wait(0);
    connection->Wait(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(31));

    bool busyInside = false;
    int32_t refused = 0;
    QTimer::singleShot(5, [&] {
        busyInside = connection->Busy();
        refused = errorNumberOf([&] { connection->Send("x"); });
    });
    connection->Wait(60, true);
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(refused, 121);
    EXPECT_FALSE(connection->Busy());
    connection->Wait(-1, true);

    // The pumps block in the event loop: a wait costs next to no processor time.
    std::clock_t before = std::clock();
    connection->Wait(300, true);
    connection->Wait(100, false);
    EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 10);
}

TEST(Connection, TagKeepsValuesAndObjects) {
    auto connection = Automation::New<Connection>();
    connection->setTag(Automation::Variant(int32_t(7)));
    EXPECT_EQ(connection->Tag().toLong(), 7);
    auto other = Automation::New<Connection>();
    connection->setTag(Automation::Variant(other));
    EXPECT_TRUE(connection->Tag().toObject() == other);
}

TEST(Connection, SendOnAClosedPortIsRefusedWithTheLibraryText) {
    auto connection = network();
    EXPECT_TRUE(isLibraryError(raisedError([&] { connection->Send("x"); }), 102, "Connection:Send Method"));
    EXPECT_TRUE(isLibraryError(raisedError([&] { connection->PortObject().as<NetPort>()->Send("x"); }), 102,
                               "NetPort:Send method"));
}
