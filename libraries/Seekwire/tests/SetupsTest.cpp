// Connection setups, their collection and their documents; the serial
// engine's lists, names, probe texts and refusals (no printer needed).
#include <gtest/gtest.h>

#include <string>

#include "ErrorNumber.h"
#include "Seekwire/ConnectionSetupCol.h"
#include "Seekwire/NetConnectionSetup.h"
#include "Seekwire/Probes.h"
#include "Seekwire/SerialAutoConnect.h"
#include "Seekwire/SerialConnectionSetup.h"
#include "Tethra/Connection.h"
#include "errors/ErrorTextProvider.h"

namespace Seekwire {
namespace {

using Automation::Ref;
using Automation::Variant;

// One setting of a setup's document, at its depth.
std::string setting(const std::string& name, const std::string& value) {
    return "\t\t<" + name + ">\n\t\t" + value + "\n\t\t</" + name + ">\n";
}

std::string document(const std::string& type, const std::string& settings) {
    return "<Connection>\n\t<Type>\n\t\"" + type + "\"\n\t</Type>\n\t<Settings>\n" + settings +
           "\t</Settings>\n</Connection>\n";
}

Ref<SerialConnectionSetup> serialSetup() {
    auto s = Automation::New<SerialConnectionSetup>();
    s->setCommPort(3);
    s->setBaudrate(9600);
    s->setParity(1);
    s->setDatabits(7);
    s->setStopbits(1);
    s->setHandshake(3);
    s->setStdIO(1);
    s->setTiming(25);
    s->setImmediateMode(true);
    return s;
}

Ref<NetConnectionSetup> netSetup() {
    auto n = Automation::New<NetConnectionSetup>();
    n->setSysStatus("4");
    n->setPrinterName("Hall \"A\"");
    n->setIPAddress("127.0.0.21");
    n->setIPPort("9100");
    n->setRevTelnetOptionEnabled(true);
    n->setStdIO(5);
    n->setLinebreakType(3);
    return n;
}

TEST(ConnectionSetup, EachSetupWritesItsBrowsablePropertiesAndReadsThemBack) {
    auto serial = serialSetup();
    serial->setKey("COM3");
    const std::string serialText =
        document("SerialConnectionSetup", setting("CommPort", "3") + setting("Baudrate", "9600") +
                                              setting("Parity", "1") + setting("Databits", "7") +
                                              setting("Stopbits", "1") + setting("Handshake", "3") +
                                              setting("StdIO", "1") + setting("LinebreakType", "0") +
                                              setting("Timing", "25") + setting("ImmediateMode", "True"));
    EXPECT_EQ(serial->ObjectData(), serialText);
    EXPECT_EQ(serial->ConnectionType(), "SerialConnectionSetup");

    auto net = netSetup();
    const std::string netText = document(
        "NetConnectionSetup",
        setting("SysStatus", "\"Idle\"") + setting("PrinterName", "\"Hall {\\34}A{\\34}\"") +
            setting("IPAddress", "\"127.0.0.21\"") + setting("IPPort", "\"9100\"") +
            setting("RevTelnetOptionEnabled", "True") + setting("StdIO", "5") +
            setting("LinebreakType", "3") + setting("Timing", "0") + setting("ImmediateMode", "True"));
    EXPECT_EQ(net->ObjectData(), netText);

    auto serialCopy = Automation::New<SerialConnectionSetup>();
    serialCopy->setObjectData(serialText);
    EXPECT_EQ(serialCopy->ObjectData(), serialText);
    EXPECT_EQ(serialCopy->Key(), ""); // not a setting
    auto netCopy = Automation::New<NetConnectionSetup>();
    netCopy->setObjectData(netText);
    EXPECT_EQ(netCopy->ObjectData(), netText);
    EXPECT_EQ(netCopy->PrinterName(), "Hall \"A\"");

    // A text of the other class, or none at all, changes nothing.
    auto other = Automation::New<NetConnectionSetup>();
    other->setObjectData(serialText);
    other->setObjectData("");
    EXPECT_EQ(other->ObjectData(), Automation::New<NetConnectionSetup>()->ObjectData());
    // Settings it does not know are passed over; the rest is read.
    auto partly = Automation::New<SerialConnectionSetup>();
    partly->setObjectData(
        document("SerialConnectionSetup",
                 setting("Colour", "\"red\"") + setting("Key", "\"K\"") + setting("Baudrate", "2400")));
    EXPECT_EQ(partly->Baudrate(), 2400);
    EXPECT_EQ(partly->Key(), "");
    // A document without its Type is an error of the let.
    EXPECT_TRUE(isError(raisedError([&] { partly->setObjectData("<Connection>\n</Connection>\n"); }),
                        Automation::RuntimeError::SubscriptOutOfRange,
                        "SerConnection:ObjectData Property Let", "Subscript out of range"));
}

TEST(ConnectionSetup, StatusNumbersNameTheStatusAndOnlyIdleIsImmediate) {
    auto net = Automation::New<NetConnectionSetup>();
    net->setSysStatus("4");
    EXPECT_EQ(net->SysStatus(), "Idle");
    EXPECT_TRUE(net->ImmediateMode());
    net->setSysStatus("busy");
    EXPECT_EQ(net->SysStatus(), "busy");
    EXPECT_TRUE(net->ImmediateMode());
    net->setSysStatus("9");
    EXPECT_EQ(net->SysStatus(), "Unknown");
    EXPECT_FALSE(net->ImmediateMode());
    net->setSysStatus("7");
    EXPECT_EQ(net->SysStatus(), "Down");
}

TEST(ConnectionSetupCol, KeysAreWrittenOnceAndTheFirstSetupWithAKeyStays) {
    auto col = Automation::New<ConnectionSetupCol>();
    auto a = serialSetup();
    auto b = netSetup();
    b->setKey("IP:127.0.0.21");
    b->setKey("other"); // written once
    col->AddObject(a);
    col->AddObject(a);
    col->AddObject(b);
    auto c = netSetup();
    c->setKey("IP:127.0.0.21");
    EXPECT_EQ(col->AddObject(c), Ref<IConnectionSetup>(c));
    ASSERT_EQ(col->Count(), 2);
    EXPECT_EQ(a->Key().rfind("Obj", 0), 0u);
    EXPECT_EQ(col->Item(Variant(a->Key())), Ref<IConnectionSetup>(a));
    EXPECT_EQ(col->Item(Variant(2)), Ref<IConnectionSetup>(b));
    EXPECT_EQ(col->Remove(Variant("nothing")), nullptr);
    EXPECT_EQ(col->Remove(Variant("ip:127.0.0.21")), Ref<IConnectionSetup>(b));
    EXPECT_EQ(errorNumberOf([&] { col->Item(Variant(2)); }), Automation::RuntimeError::SubscriptOutOfRange);
    col->Clear();
    EXPECT_EQ(col->Count(), 0);
}

TEST(SerialAutoConnect, ProbeTextsAreByteForByteTheSearchs) {
    EXPECT_EQ(Probes::hello(true), "\x11\rINPUT OFF\rIMMEDIATE ON\rPRINT CHR$(1)+\"Hello\x02\"\r");
    EXPECT_EQ(Probes::hello(false), "\x11\rIMMEDIATE ON\rPRINT CHR$(1)+\"Hello\x02\"\r");
    static const char stdio[] = "MAP1,0,49:MAP2,0,50:MAP3,0,51\rPRINT CHR$(1)+\"STDIO:\0\"+CHR$(3)+"
                                "\"END\"+CHR$(4)\rMAP1,0,0:MAP2,0,0:MAP3,0,0\r";
    EXPECT_EQ(Probes::stdio(), std::string(stdio, sizeof stdio - 1));
    EXPECT_EQ(Probes::readBack("uart", "2"), "SETUP WRITE \"uart2:\"\rPRINT CHR$(3)+\"END\"+CHR$(4)\r");
}

TEST(SerialAutoConnect, ListsAndWaitsAreItsDocumentAndABadOneIsRefused) {
    auto engine = Automation::New<SerialAutoConnect>();
    const std::string defaults =
        "<AutoConnect>\n"
        "\t<Baudrates>\n\t\"115200:57600:38400:19200:9600:4800:2400\"\n\t</Baudrates>\n"
        "\t<Frames>\n\t\"m,8,2:n,8,2:n,7,2:n,7,1\"\n\t</Frames>\n"
        "\t<Timouts>\n"
        "\t\"115200:150:57600:150:38400:150:19200:200:9600:250:4800:300:2400:450\"\n"
        "\t</Timouts>\n"
        "</AutoConnect>\n";
    EXPECT_EQ(engine->ObjectData(), defaults);

    const std::string mine = "<AutoConnect>\n\t<Baudrates>\n\t\"9600:2400\"\n\t</Baudrates>\n"
                             "\t<Frames>\n\t\"n,8,1\"\n\t</Frames>\n"
                             "\t<Timouts>\n\t\"9600:20:2400:30\"\n\t</Timouts>\n</AutoConnect>\n";
    engine->setObjectData(mine);
    EXPECT_EQ(engine->ObjectData(), mine);
    // A list that is left out stays.
    engine->setObjectData("<AutoConnect>\n\t<Frames>\n\t\"e,7,2:n,8,1\"\n\t</Frames>\n</AutoConnect>\n");
    EXPECT_NE(engine->ObjectData().find("\"9600:2400\""), std::string::npos);
    EXPECT_NE(engine->ObjectData().find("\"e,7,2:n,8,1\""), std::string::npos);

    // Waits without their pairs, or that are no numbers, change nothing.
    for (const char* bad : {"9600:20:2400", "9600:soon"}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(isError(raisedError([&] {
                                engine->setObjectData(std::string("<AutoConnect>\n\t<Timouts>\n\t\"") + bad +
                                                      "\"\n\t</Timouts>\n</AutoConnect>\n");
                            }),
                            101, "SerialAutoConnect:ObjectData Property Let",
                            Platform::ErrorTextProvider::GetErrorText(101)));
        EXPECT_NE(engine->ObjectData().find("\"9600:20:2400:30\""), std::string::npos);
    }
    // An empty text stands for the default waits.
    engine->setObjectData("<AutoConnect>\n\t<Timouts>\n\t\"\"\n\t</Timouts>\n</AutoConnect>\n");
    EXPECT_NE(engine->ObjectData().find("\"115200:150:57600:150"), std::string::npos);
}

TEST(SerialAutoConnect, NamesOfParitiesAndHandshakes) {
    auto engine = Automation::New<SerialAutoConnect>();
    EXPECT_EQ(engine->ParityValue("n"), 1);
    EXPECT_EQ(engine->ParityValue("None"), 1);
    EXPECT_EQ(engine->ParityValue("Space"), 5);
    EXPECT_EQ(engine->ParityValue("x"), 0);
    EXPECT_EQ(engine->ParityValue(""), 0);
    EXPECT_EQ(engine->ParityString(4), "M");
    EXPECT_EQ(engine->HandshakeString(3), "Both");
    EXPECT_EQ(engine->HandshakeString(0), "None");
    EXPECT_EQ(errorNumberOf([&] { engine->ParityString(0); }), Automation::RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { engine->HandshakeString(4); }),
              Automation::RuntimeError::SubscriptOutOfRange);
}

TEST(SerialAutoConnect, WithoutASerialPortEveryRunIsRefusedWith117AndNothingRuns) {
    auto engine = Automation::New<SerialAutoConnect>();
    auto setup = Automation::New<SerialConnectionSetup>();
    const std::string text = Platform::ErrorTextProvider::GetErrorText(117);
    for (int32_t type : {-1, 0, 2}) {
        SCOPED_TRACE(type);
        if (type >= 0) {
            auto connection = Automation::New<Tethra::Connection>();
            connection->setPortType(type);
            engine->setConnection(connection);
        }
        EXPECT_TRUE(
            isError(raisedError([&] { engine->Scan(); }), 117, "SerialAutoConnect:Scan method", text));
        EXPECT_TRUE(isError(raisedError([&] { engine->VerifySettings(1, "9600,n,8,1", setup); }), 117,
                            "SerialAutoConnect:VerifySettings method", text));
        EXPECT_TRUE(isError(raisedError([&] { engine->ScanCommPort(setup); }), 117,
                            "SerialAutoConnect:Start method", text));
        EXPECT_FALSE(engine->IsRunning());
        EXPECT_FALSE(setup->ImmediateMode());
    }
}

} // namespace
} // namespace Seekwire
