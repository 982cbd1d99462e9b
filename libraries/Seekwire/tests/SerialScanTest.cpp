// The serial search against the simulated printer on a pseudo-terminal
// linked as COM1 (a printer at 9600 baud, 8 data bits, no parity, one stop
// bit, unless a test says otherwise). Every test but one sets short waits for
// the silent candidates. The first candidate whose data bits and parity agree
// with the printer's answers: a printer at n,8,1 is found at "n,8,2".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <QTimer>

#include "ErrorNumber.h"
#include "Printer.h"
#include "PtyPeer.h"
#include "ScopedEnvironment.h"
#include "Seekwire/AutoConnect.h"
#include "Seekwire/SerialAutoConnect.h"
#include "TempFolder.h"
#include "Tethra/SerPort.h"
#include "messages/MessagePump.h"

namespace Seekwire {
namespace {

using Automation::Ref;

// The 9600-baud candidates keep their default wait: the simulated printer
// answers there. The others never answer and are passed quickly.
const std::string ShortWaits = "<AutoConnect>\n\t<Timouts>\n"
                               "\t\"115200:20:57600:20:38400:20:19200:20:9600:250:4800:20:2400:20\"\n"
                               "\t</Timouts>\n</AutoConnect>\n";

// A receiver of the progress that asks to cancel at its nth report (0: never).
class Canceller : public Automation::Object, public Gaugely::IProgressCallBack {
public:
    explicit Canceller(int at) : at_(at) {}
    void Feedback(const Ref<Gaugely::Progress>&, bool& Cancel) override {
        if (++reports == at_) {
            Cancel = true;
            if (onCancel)
                onCancel();
        }
    }
    int reports = 0;
    std::function<void()> onCancel;

private:
    int at_;
};

class SerialScanTest : public testing::Test {
protected:
    void startPrinter(const PrinterSim::FaultPlan& faults = {}, int baudRate = 9600, int stopBits = 1,
                      int comPort = 1, const char* parity = "NONE", int dataBits = 8) {
        PrinterSim::Profile profile = PrinterSim::Profile::forVersion(QStringLiteral("8.10"));
        profile.baudRate = baudRate;
        profile.stopBits = stopBits;
        profile.parity = parity;
        profile.dataBits = dataBits;
        printer = std::make_unique<PrinterSim::Printer>(profile, faults);
        ASSERT_TRUE(printer->openSerial(QString::fromStdString(folder / ("COM" + std::to_string(comPort)))))
            << printer->errorString().toStdString();
    }
    static PrinterSim::Fault fault(const char* name) {
        return *PrinterSim::Fault::parse(QString::fromLatin1(name));
    }

    Ref<SerialAutoConnect> engine(bool shortWaits = true) {
        auto e = Automation::New<SerialAutoConnect>();
        auto connection = Automation::New<Tethra::Connection>();
        connection->setPortType(1);
        e->setConnection(connection);
        if (shortWaits)
            e->setObjectData(ShortWaits);
        return e;
    }
    static Ref<Tethra::SerCommWrapper> wrapperOf(const Ref<SerialAutoConnect>& e) {
        return e->Connection()->PortObject().as<Tethra::ISerCommClient>()->SerComm();
    }
    static std::string found(const Ref<SerialAutoConnect>& e) {
        return std::to_string(e->CommPort().toLong()) + ":" + std::to_string(e->Baudrate()) + "," +
               std::to_string(e->Parity()) + "," + std::to_string(e->Databits()) + "," +
               std::to_string(e->Stopbits()) + " hs" + std::to_string(e->Handshake()) + " ch" +
               std::to_string(e->StdIO());
    }
    qsizetype hellosHeard() const { return printer->receivedLines().count("INPUT OFF"); }
    QList<QByteArray> lastLines(qsizetype n) const {
        const QList<QByteArray> lines = printer->receivedLines();
        return lines.mid(std::max<qsizetype>(0, lines.size() - n));
    }

    TempFolder folder;
    // Set before the printer's thread starts, given back after it has ended.
    ScopedEnvironment environment{{{"KESTRUP_COM_DIR", folder.path()}}};
    std::unique_ptr<PrinterSim::Printer> printer;
};

TEST_F(SerialScanTest, APrinterAt9600WithOneStopBitIsFoundAtItsFrameWithItsChannelAndReadBack) {
    startPrinter();
    // Blanks in a listed line are no part of it. XON/XOFF either way counts
    // once beside RTS/CTS.
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,RTS/CTS", " ENABLE"));
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,XON/XOFF,DATATOHOST", "ENABLE"));
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,XON/XOFF,DATAFROMHOST", "ENABLE"));
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,1 hs3 ch1");
    EXPECT_FALSE(e->IsRunning());
    // The probes as the printer read them: DC1 is flow control to it, and the
    // channel probe's NUL comes back mapped to the channel's digit.
    EXPECT_EQ(lastLines(9), (QList<QByteArray>{"", "INPUT OFF", "IMMEDIATE ON", "PRINT CHR$(1)+\"Hello\x02\"",
                                               "MAP1,0,49:MAP2,0,50:MAP3,0,51",
                                               "PRINT CHR$(1)+\"STDIO:1\"+CHR$(3)+\"END\"+CHR$(4)",
                                               "MAP1,0,0:MAP2,0,0:MAP3,0,0", "SETUP WRITE \"uart1:\"",
                                               "PRINT CHR$(3)+\"END\"+CHR$(4)"}));
    // The line is left closed with what answered, and the engine off its stack.
    auto wrapper = wrapperOf(e);
    ASSERT_TRUE(wrapper);
    EXPECT_FALSE(wrapper->PortOpen());
    EXPECT_EQ(wrapper->Settings(), "9600,n,8,2");
    EXPECT_EQ(wrapper->Handshaking(), 3);
    EXPECT_EQ(wrapper->ClientCount(), 1);
    // What answered is tried first next time: one hello only.
    EXPECT_NE(e->ObjectData().find("\"9600:115200:57600:38400:19200:4800:2400\""), std::string::npos);
    EXPECT_NE(e->ObjectData().find("\"n,8,2:m,8,2:n,7,2:n,7,1\""), std::string::npos);
    // The printer heard both candidates at its speed ("m,8,2" too, whose
    // answers the PC could not read); the second answered.
    const qsizetype hellos = hellosHeard();
    EXPECT_EQ(hellos, 2);
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(hellosHeard(), hellos + 1);
}

TEST_F(SerialScanTest, AnswersWithBit7SetStillMatch) {
    startPrinter({fault("line-sets-bit7")});
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,1 hs0 ch1");
}

TEST_F(SerialScanTest, ListsOfOneRateAndOneFrameKeepWhatAnsweredAndEmptyWaitsAreTheDefaults) {
    startPrinter();
    auto e = engine();
    e->setObjectData(
        "<AutoConnect>\n\t<Baudrates>\n\t\"9600\"\n\t</Baudrates>\n"
        "\t<Frames>\n\t\"n,8,1\"\n\t</Frames>\n\t<Timouts>\n\t\"\"\n\t</Timouts>\n</AutoConnect>\n");
    ASSERT_TRUE(e->Scan());
    EXPECT_NE(e->ObjectData().find("\"9600\""), std::string::npos);
    EXPECT_NE(e->ObjectData().find("\"n,8,1\""), std::string::npos);
}

TEST_F(SerialScanTest, AHelloWithoutAChannelAnswerGoesOnToTheNextCandidate) {
    // Two stop bits: "m,8,2" answers first at 9600, its channel probe does not.
    startPrinter({fault("stdio-unanswered:once")}, 9600, 2);
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,2 hs0 ch1");
    EXPECT_NE(e->ObjectData().find("\"n,8,2:m,8,2:n,7,2:n,7,1\""), std::string::npos);
}

TEST_F(SerialScanTest, AReadBackThatNeverEndsLeavesTheSettingThatAnswered) {
    startPrinter({fault("readback-unfinished")});
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,2 hs0 ch1");
    EXPECT_EQ(wrapperOf(e)->Settings(), "9600,n,8,2");
}

TEST_F(SerialScanTest, AReadBackLackingALineTakesThatValueFromTheSettingThatAnswered) {
    startPrinter({fault("readback-lacks-line@4:once")}); // the stop bits (1)
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,2 hs0 ch1");
    printer->addFault(fault("readback-lacks-line@5")); // RTS/CTS
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,RTS/CTS", "ENABLE"));
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,XON/XOFF,DATAFROMHOST", "ENABLE"));
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,1 hs1 ch1");
}

TEST_F(SerialScanTest, OfTwoReadBackLinesWithOneKeyTheFirstCounts) {
    startPrinter({fault("readback-repeats-line@5")}); // RTS/CTS, repeated as 0
    ASSERT_TRUE(printer->setSetupValue("SER-COM,UART1,FLOWCONTROL,RTS/CTS", "ENABLE"));
    auto e = engine();
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(found(e), "1:9600,1,8,1 hs2 ch1");
}

// The candidates' frames reach the line: a printer is found at exactly its
// own, not at an earlier candidate of its speed.
TEST_F(SerialScanTest, APrinterIsFoundAtTheCandidateOfItsDataBitsAndParity) {
    const std::string frames = "<AutoConnect>\n\t<Frames>\n\t\"m,8,2:n,7,2:n,7,1:e,7,1:n,8,1\"\n"
                               "\t</Frames>\n</AutoConnect>\n";
    startPrinter({}, 9600, 1, 1, "EVEN", 7);
    auto e = engine();
    e->setObjectData(frames);
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(wrapperOf(e)->Settings(), "9600,e,7,1");
    EXPECT_EQ(found(e), "1:9600,2,7,1 hs0 ch1");
    EXPECT_NE(e->ObjectData().find("\"e,7,1:m,8,2:n,7,2:n,7,1:n,8,1\""), std::string::npos);

    printer.reset();
    startPrinter({}, 19200);
    e = engine();
    e->setObjectData(frames);
    ASSERT_TRUE(e->Scan());
    EXPECT_EQ(wrapperOf(e)->Settings(), "19200,n,8,1");
    EXPECT_EQ(found(e), "1:19200,1,8,1 hs0 ch1");
}

TEST_F(SerialScanTest, VerifySettingsTriesOneSettingWithoutInputOffAndAsksTheUpperCaseUart) {
    startPrinter();
    auto e = engine();
    auto setup = Automation::New<SerialConnectionSetup>();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(e->VerifySettings(1, "9600,n,8,1", setup));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_EQ(
        lastLines(8),
        (QList<QByteArray>{"", "IMMEDIATE ON", "PRINT CHR$(1)+\"Hello\x02\"", "MAP1,0,49:MAP2,0,50:MAP3,0,51",
                           "PRINT CHR$(1)+\"STDIO:1\"+CHR$(3)+\"END\"+CHR$(4)", "MAP1,0,0:MAP2,0,0:MAP3,0,0",
                           "SETUP WRITE \"UART1:\"", "PRINT CHR$(3)+\"END\"+CHR$(4)"}));
    EXPECT_EQ(setup->CommPort(), 1);
    EXPECT_EQ(setup->Baudrate(), 9600);
    EXPECT_EQ(setup->Databits(), 8);
    EXPECT_EQ(setup->StdIO(), 1);
    EXPECT_TRUE(setup->ImmediateMode());
    // The baud rate moves to the front, the frames stay.
    EXPECT_NE(e->ObjectData().find("\"9600:115200:"), std::string::npos);
    EXPECT_NE(e->ObjectData().find("\"m,8,2:n,8,2:n,7,2:n,7,1\""), std::string::npos);

    // A rate that is not in the list ends the run with False, the printer answering or not.
    auto other = Automation::New<SerialConnectionSetup>();
    e->setObjectData("<AutoConnect>\n\t<Baudrates>\n\t\"19200\"\n\t</Baudrates>\n</AutoConnect>\n");
    EXPECT_FALSE(e->VerifySettings(1, "9600,n,8,1", other));
    EXPECT_FALSE(other->ImmediateMode());
    EXPECT_EQ(other->Baudrate(), 0);
    EXPECT_FALSE(e->IsRunning());
    EXPECT_EQ(wrapperOf(e)->ClientCount(), 1);
}

TEST_F(SerialScanTest, AbortEndsTheRunWithFalseThePortClosedAndTheEngineOffTheStack) {
    startPrinter();
    auto e = engine();
    auto canceller = Automation::New<Canceller>(3);
    ASSERT_FALSE(e->Scan(canceller));
    EXPECT_EQ(canceller->reports, 4); // the start, two failed candidates, the close
    EXPECT_FALSE(e->IsRunning());
    auto wrapper = wrapperOf(e);
    ASSERT_TRUE(wrapper);
    EXPECT_FALSE(wrapper->PortOpen());
    EXPECT_EQ(wrapper->ClientCount(), 1);
    // Abort from inside the wait of a probe.
    auto inside = Automation::New<Canceller>(1);
    inside->onCancel = [&] { e->Abort(); };
    EXPECT_FALSE(e->Scan(inside));
    EXPECT_FALSE(wrapperOf(e)->PortOpen());
}

// A printer at 115200 baud with two stop bits answers the first candidate,
// "m,8,2"; one with one stop bit the second.
TEST_F(SerialScanTest, AnAbortDuringAProbeEndsTheRunThereAndOneAfterAFailedCandidateTriesNoOther) {
    startPrinter({}, 115200, 2);
    auto e = engine();
    QTimer::singleShot(0, [&] { e->Abort(); });
    EXPECT_FALSE(e->Scan());
    EXPECT_TRUE(Platform::WaitUntil([&] { return hellosHeard() > 0; }, 5000));
    EXPECT_FALSE(printer->receivedLines().contains("MAP1,0,49:MAP2,0,50:MAP3,0,51"));

    printer.reset();
    startPrinter({}, 115200);
    e = engine();
    // The start, then the report of the failed first candidate.
    auto canceller = Automation::New<Canceller>(2);
    EXPECT_FALSE(e->Scan(canceller));
    EXPECT_TRUE(Platform::WaitUntil([&] { return hellosHeard() > 0; }, 5000));
    // A second hello would follow the first at once.
    Platform::WaitUntil([&] { return hellosHeard() > 1; }, 500);
    EXPECT_EQ(hellosHeard(), 1);
}

TEST_F(SerialScanTest, ASilentPortCostsEveryDefaultWait) {
    Platform::Serial::Testing::Pty silent;
    std::filesystem::create_symlink(silent.slaveName(), folder / "COM1");
    auto e = engine(false);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(e->Scan());
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(6600));
    EXPECT_LT(took, std::chrono::seconds(60));
}

// The facade's entry for the installation engine, on a printer at 115200 baud
// (found at the second candidate, so default waits cost little).
TEST_F(SerialScanTest, ScanSerialConnectionProbesAndRestoresTheCallersConnectionKeepingNothing) {
    startPrinter({}, 115200, 1, 2);
    auto caller = Automation::New<Tethra::Connection>();
    caller->setPortType(1);
    caller->PortObject().as<Tethra::SerPort>()->setCommPort(2);
    caller->setPortOpen(true);
    auto facade = Automation::New<AutoConnect>();
    facade->setConnection(caller);
    int announced = 0;
    auto events = facade->AddNewPort.connect([&](Ref<IConnectionSetup>&) { ++announced; });

    // The frames of the first speed come before the next speed: one failed candidate.
    auto reports = Automation::New<Canceller>(0);
    Ref<IConnectionSetup> setup = facade->ScanSerialConnection(2, {}, reports);
    EXPECT_EQ(reports->reports, 5); // the start, one failed candidate, channel, read-back, the close
    auto serial = setup.as<SerialConnectionSetup>();
    ASSERT_TRUE(serial);
    EXPECT_TRUE(serial->ImmediateMode());
    EXPECT_EQ(serial->CommPort(), 2);
    EXPECT_EQ(serial->Baudrate(), 115200);
    EXPECT_TRUE(caller->PortOpen());

    setup = facade->ScanSerialConnection(2, "115200,n,8,1");
    EXPECT_TRUE(setup.as<SerialConnectionSetup>()->ImmediateMode());
    EXPECT_EQ(printer->receivedLines().last(), "PRINT CHR$(3)+\"END\"+CHR$(4)");
    EXPECT_TRUE(printer->receivedLines().contains("SETUP WRITE \"UART1:\""));
    EXPECT_TRUE(caller->PortOpen());
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(facade->History()->Count(), 0);
    EXPECT_EQ(facade->ConnectionSetupCol()->Count(), 0);

    facade->MakeConnection(setup);
    EXPECT_FALSE(caller->PortOpen());
    EXPECT_EQ(caller->ConnectString(), "SER:COM2:115200,N,8,1,0");
    // A closed caller stays closed.
    setup = facade->ScanSerialConnection(2, "115200,n,8,1");
    EXPECT_TRUE(setup.as<SerialConnectionSetup>()->ImmediateMode());
    EXPECT_FALSE(caller->PortOpen());
}

TEST_F(SerialScanTest, MakeConnectionSetsTheLineTheScanFoundStopBitsIncluded) {
    // Two stop bits: found at the first candidate, "m,8,2", and read back as two.
    startPrinter({}, 115200, 2);
    auto caller = Automation::New<Tethra::Connection>();
    caller->setPortType(1);
    auto facade = Automation::New<AutoConnect>();
    facade->setConnection(caller);
    Ref<IConnectionSetup> setup = facade->ScanSerialConnection(1, {});
    auto serial = setup.as<SerialConnectionSetup>();
    ASSERT_TRUE(serial);
    ASSERT_TRUE(serial->ImmediateMode());
    ASSERT_EQ(serial->Stopbits(), 2);

    facade->MakeConnection(setup);
    auto port = caller->PortObject().as<Tethra::SerPort>();
    EXPECT_EQ(caller->ConnectString(), "SER:COM1:115200,N,8,2,0");
    EXPECT_EQ(port->Stopbits(), 2);
    EXPECT_EQ(port->Parity(), 1);
    EXPECT_EQ(port->Databits(), 8);
}

TEST_F(SerialScanTest, ScanSerialConnectionsAnnouncesEveryPortAndAbortStopsAfterTheCurrentOne) {
    // COM1, the engine's own port, is listed without a try although nothing
    // is there; the printer is on COM2.
    startPrinter({}, 115200, 1, 2);
    auto facade = Automation::New<AutoConnect>();
    facade->setConnection(Automation::New<Tethra::Connection>());
    std::vector<std::string> ports;
    auto events = facade->AddNewPort.connect([&](Ref<IConnectionSetup>& setup) {
        auto s = setup.as<SerialConnectionSetup>();
        ports.push_back(std::to_string(s->CommPort()) + (s->ImmediateMode() ? " answered" : " silent"));
    });
    facade->ScanSerialConnections();
    EXPECT_EQ(ports, (std::vector<std::string>{"1 silent", "2 answered"}));
    EXPECT_EQ(facade->ConnectionSetupCol()->Count(), 2);

    ports.clear();
    auto canceller = Automation::New<Canceller>(1);
    canceller->onCancel = [&] { facade->Abort(); };
    facade->ScanSerialConnections(canceller);
    EXPECT_TRUE(ports.empty());
    EXPECT_EQ(canceller->reports, 2); // COM1's start and close; COM2 is not scanned
    // An Abort while nothing runs does not stop the next scan.
    facade->Abort();
    facade->ScanSerialConnections();
    EXPECT_EQ(ports.size(), 2u);
}

} // namespace
} // namespace Seekwire
