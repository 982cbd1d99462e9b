// The serial control on a pseudo-terminal: line settings, COM port mapping,
// output, input, and events that come only while the thread pumps.
#include <gtest/gtest.h>
#include <stdexcept>

#include <unistd.h>

#include "ControlHarness.h"
#include "PtyPeer.h"
#include "automation/Error.h"
#include "messages/MessagePump.h"
#include "serial/ComPorts.h"
#include "serial/ZModemCodec.h"

namespace Platform::Serial::Testing {
namespace {

// Runs the call and returns the error it raised (number 0 when none).
Automation::Error raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Automation::Error& error) {
        return error;
    }
    return Automation::Error(0, "", "");
}

class SaxComm8Line : public ::testing::Test {
protected:
    SaxComm8Line() : com_(pty_.slaveName()), control_(makeControl()) {}

    std::string readPeer(std::size_t count) {
        std::string got;
        const int64_t deadline = monotonicMs() + 5000;
        while (got.size() < count && monotonicMs() < deadline) {
            char buffer[4096];
            ssize_t n = ::read(pty_.master(), buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0)
                got.append(buffer, std::size_t(n));
            else
                SleepWithoutEvents(5);
        }
        return got;
    }

    void writePeer(const std::string& bytes) {
        ASSERT_EQ(::write(pty_.master(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    // Waits, without pumping, until the control counts `count` waiting bytes.
    bool countsInput(int32_t count) {
        const int64_t deadline = monotonicMs() + 5000;
        while (control_->InBufferCount() != count && monotonicMs() < deadline)
            SleepWithoutEvents(5);
        return control_->InBufferCount() == count;
    }

    Pty pty_;
    ComDir com_;
    Automation::Ref<SaxComm8> control_;
};

TEST_F(SaxComm8Line, SettingsAreCheckedAndReadBackInTheSameForm) {
    EXPECT_EQ(control_->Settings(), "115200,n,8,1");
    control_->setSettings("9600,E,7,2");
    EXPECT_EQ(control_->Settings(), "9600,e,7,2");

    // A pseudo-terminal takes every parity, mark and space included, without failing.
    control_->setPortOpen(true);
    for (const char* settings : {"2400,n,8,1", "4800,e,7,1", "19200,o,7,2", "57600,m,8,1", "115200,s,8,2"}) {
        control_->setSettings(settings);
        EXPECT_EQ(control_->Settings(), settings);
    }
    for (int32_t handshaking : {0, 1, 2, 3})
        control_->setHandshaking(handshaking);
    EXPECT_EQ(control_->Handshaking(), 3);

    const std::pair<const char*, const char*> bad[] = {
        {"12345,n,8,1", "baud"},     {"9600,x,8,1", "parity"},    {"9600,n,9,1", "data bits"},
        {"9600,n,8,3", "stop bits"}, {"9600,n,8", "four fields"}, {"9600,n,8,1,1", "four fields"}};
    for (const auto& [settings, problem] : bad) {
        auto error = raised([&] { control_->setSettings(settings); });
        EXPECT_EQ(error.Number(), SaxComm8Error::InvalidPropertyValue) << settings;
        EXPECT_NE(error.Description().find(problem), std::string::npos) << error.Description();
    }
    EXPECT_EQ(control_->Settings(), "115200,s,8,2");
    EXPECT_EQ(raised([&] { control_->setHandshaking(4); }).Number(), SaxComm8Error::InvalidPropertyValue);
}

TEST_F(SaxComm8Line, CommPortNamesAMappedDeviceThatOnlyOneMayHold) {
    EXPECT_EQ(raised([&] { control_->setCommPort("COM17"); }).Number(), SaxComm8Error::InvalidPortNumber);
    EXPECT_EQ(raised([&] { control_->setCommPort("LPT1"); }).Number(), SaxComm8Error::InvalidPortNumber);
    EXPECT_EQ(control_->CommPort(), "Com1");

    // COM3 has no entry in the folder that stands for the ports.
    control_->setCommPort("COM3");
    EXPECT_EQ(raised([&] { control_->setPortOpen(true); }).Number(), SaxComm8Error::InvalidPortNumber);
    EXPECT_FALSE(control_->PortOpen());

    control_->setCommPort("COM1");
    control_->setPortOpen(true);
    EXPECT_TRUE(control_->PortOpen());
    EXPECT_FALSE(control_->CDHolding()); // no modem lines on a pseudo-terminal
    EXPECT_EQ(raised([&] { control_->setCommPort("COM2"); }).Number(), SaxComm8Error::PortAlreadyOpen);

    auto other = makeControl();
    EXPECT_EQ(raised([&] { other->setPortOpen(true); }).Number(), SaxComm8Error::PortAlreadyOpen);
    EXPECT_FALSE(other->PortOpen());
    // Probing the ports sees the held one as unavailable, and never sees one without a device.
    EXPECT_FALSE(comPortAvailable(1));
    EXPECT_FALSE(comPortAvailable(2));
    control_->setPortOpen(false);
    EXPECT_TRUE(comPortAvailable(1));
    EXPECT_EQ(comPortModemStatus(1), 0u); // a pseudo-terminal has no modem lines
    other->setPortOpen(true);
    EXPECT_TRUE(other->PortOpen());
}

TEST_F(SaxComm8Line, OutputQueuesAndReturnsAtOnce) {
    EXPECT_EQ(raised([&] { control_->setOutput(std::string("x")); }).Number(), SaxComm8Error::DeviceNotOpen);
    control_->setPortOpen(true);
    control_->setOutput(std::string("hello"));
    control_->setOutput(Automation::ByteArray{0x00, 0xff});
    EXPECT_EQ(readPeer(7), std::string("hello\0\xff", 7));
    EXPECT_EQ(raised([&] { control_->setOutput(int32_t(65)); }).Number(),
              SaxComm8Error::InvalidPropertyValue);

    // Nobody reads: far more than the line holds is queued, and the call does not wait.
    control_->setOutput(std::string(1 << 20, 'a'));
    EXPECT_GT(control_->OutBufferCount(), 0);
    EXPECT_LE(control_->OutBufferCount(), 1 << 20);
    control_->setOutBufferCount(0);
    EXPECT_EQ(control_->OutBufferCount(), 0);
    // Closing drops what is still queued at once.
    control_->setOutput(std::string(1 << 20, 'b'));
    control_->setPortOpen(false);
    EXPECT_EQ(control_->OutBufferCount(), 0);
}

TEST_F(SaxComm8Line, InputCountsWhatTheKernelHoldsAndHandsItOverAsTextOrBytes) {
    control_->setPortOpen(true);
    int receives = 0;
    auto connection = control_->Receive.connect([&] { ++receives; });

    writePeer(std::string("abc\0def", 7));
    ASSERT_TRUE(countsInput(7));
    control_->setInputMode(0);
    EXPECT_EQ(control_->Input(), Automation::Variant(std::string("abc\0def", 7)));
    EXPECT_EQ(control_->InBufferCount(), 0);

    writePeer("\x01\x80xyz");
    ASSERT_TRUE(countsInput(5));
    control_->setInputMode(1);
    control_->setInputLen(2);
    EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray{0x01, 0x80}));
    control_->setInputLen(0);
    EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray{'x', 'y', 'z'}));

    // More than the line hands over in one read: Input takes it all.
    const std::string many = randomBytes(6000, 3);
    writePeer(many);
    const int64_t deadline = monotonicMs() + 5000;
    while (control_->InBufferCount() == 0 && monotonicMs() < deadline)
        SleepWithoutEvents(5);
    EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray(many.begin(), many.end())));

    writePeer("junk");
    ASSERT_TRUE(countsInput(4));
    control_->setInBufferCount(0);
    EXPECT_EQ(control_->InBufferCount(), 0);
    EXPECT_EQ(raised([&] { control_->setInBufferCount(3); }).Number(), SaxComm8Error::InvalidPropertyValue);
    EXPECT_EQ(raised([&] { control_->setInputMode(2); }).Number(), SaxComm8Error::InvalidPropertyValue);
    // Nothing pumped, so nothing was raised.
    EXPECT_EQ(receives, 0);
}

TEST_F(SaxComm8Line, ReceiveIsRaisedOnlyWhileThePumpRuns) {
    control_->setPortOpen(true);
    int receives = 0;
    auto connection = control_->Receive.connect([&] { ++receives; });

    writePeer("ping");
    ASSERT_TRUE(countsInput(4));
    EXPECT_EQ(receives, 0);
    EXPECT_TRUE(pumpUntil([&] { return receives > 0; }, 5000));
    EXPECT_EQ(receives, 1);
    EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray{'p', 'i', 'n', 'g'}));

    // Without a threshold nothing is raised.
    control_->setRThreshold(0);
    writePeer("pong");
    EXPECT_FALSE(pumpUntil([&] { return receives > 1; }, 300));
    EXPECT_EQ(control_->InBufferCount(), 4);
}

TEST_F(SaxComm8Line, ANoticeTakesWhatQueuesBehindAFullTtyBuffer) {
    control_->setPortOpen(true);
    int receives = 0;
    auto connection = control_->Receive.connect([&] { ++receives; });

    // The tty layer holds 4095 bytes; the rest of a fast sender's burst waits behind them.
    const std::string burst = randomBytes(6000, 5);
    writePeer(burst);
    ASSERT_TRUE(countsInput(4095));
    EXPECT_TRUE(pumpUntil([&] { return receives > 0; }, 5000));
    // One notice took the whole burst: no second round for the rest.
    EXPECT_FALSE(pumpUntil([&] { return receives > 1; }, 300));
    EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray(burst.begin(), burst.end())));
}

TEST_F(SaxComm8Line, AHandlerThatThrowsAnythingLeavesTheControlWorking) {
    control_->setPortOpen(true);
    int receives = 0;
    auto connection = control_->Receive.connect([&] {
        ++receives;
        control_->setInBufferCount(0);
        throw std::runtime_error("handler broke");
    });
    testing::internal::CaptureStderr();
    writePeer("one");
    EXPECT_TRUE(pumpUntil([&] { return receives == 1; }, 5000));
    writePeer("two");
    EXPECT_TRUE(pumpUntil([&] { return receives == 2; }, 5000));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("handler broke"), std::string::npos);
    EXPECT_TRUE(control_->PortOpen());
}

TEST_F(SaxComm8Line, TransferEventsComeAfterTheSetterThatCausedThem) {
    TempFolder folder;
    writeFile(folder.file("a.bin"), "data");
    control_->setPortOpen(true);
    TransferWatch watch(*control_);

    control_->setDownload(folder.path());
    EXPECT_TRUE(control_->Busy());
    EXPECT_TRUE(watch.events.empty());
    EXPECT_EQ(raised([&] { control_->setUpload(folder.file("a.bin")); }).Number(),
              SaxComm8Error::TransferRunning);
    control_->setAbortTransfer(true);
    EXPECT_FALSE(control_->Busy());
    EXPECT_TRUE(watch.events.empty());
    EXPECT_TRUE(pumpUntil([&] { return watch.ended(); }, 5000));
    EXPECT_EQ(watch.events, (std::vector<std::string>{"WaitForFile", "AbortFileTransfer"}));
    EXPECT_EQ(control_->XferStatus(), SerialFTStatus_TransferAbort);

    // Shutdown gives up a running transfer and silences the control.
    watch.events.clear();
    control_->setAbortTransfer(false);
    control_->setUpload(folder.file("a.bin"));
    control_->setShutdown(true);
    EXPECT_FALSE(control_->Busy());
    EXPECT_FALSE(pumpUntil([&] { return !watch.events.empty(); }, 300));
    control_->setShutdown(false);

    EXPECT_EQ(raised([&] { control_->setUpload(folder.file("missing.bin")); }).Number(),
              Automation::RuntimeError::FileNotFound);
    control_->setPortOpen(false);
    EXPECT_EQ(raised([&] { control_->setDownload(folder.path()); }).Number(), SaxComm8Error::DeviceNotOpen);
}

TEST_F(SaxComm8Line, ClosingTheLineOrShuttingDownEndsARunningTransferAtOnce) {
    TempFolder folder;
    writeFile(folder.file("a.bin"), "data");
    TransferWatch watch(*control_);
    for (int32_t protocol : {SerialFTProtocol_ZModem, SerialFTProtocol_KERMIT}) {
        SCOPED_TRACE(protocol);
        control_->setXferProtocol(protocol);
        control_->setPortOpen(true);
        control_->setUpload(folder.file("a.bin"));
        ASSERT_TRUE(control_->Busy());
        const int ends = watch.ends();
        // No peer will ever hear of the abort: the transfer does not wait for one.
        control_->setPortOpen(false);
        EXPECT_FALSE(control_->Busy());
        EXPECT_TRUE(pumpUntil([&] { return watch.ends() > ends; }, 5000));
        EXPECT_EQ(watch.events.back(), "AbortFileTransfer");
        EXPECT_EQ(watch.statusAtEnd, SerialFTStatus_TransferAbort);

        control_->setPortOpen(true);
        control_->setUpload(folder.file("a.bin"));
        control_->setShutdown(true);
        EXPECT_FALSE(control_->Busy());
        control_->setShutdown(false);
        control_->setPortOpen(false);
    }
}

TEST_F(SaxComm8Line, ReadingInputDuringATransferLeavesTheLineToTheEngine) {
    using namespace ZModem;
    TempFolder folder;
    control_->setPortOpen(true);
    TransferWatch watch(*control_);
    control_->setDownload(folder.path());
    // The printer echoes its command, then its sender announces the file.
    std::string line = "RUN\"sz a.bin\r\n";
    Escaper escaper;
    appendBinaryHeader(line, Header::withFlags(ZFILE, ZCBIN), true, escaper);
    appendSubpacket(line,
                    std::string("a.bin\0"
                                "4",
                                7),
                    ZCRCW, true, escaper);
    writePeer(line);

    // Reading the input neither takes the engine's bytes nor raises its events inside the call.
    const int64_t until = monotonicMs() + 300;
    while (monotonicMs() < until && watch.events.empty()) {
        EXPECT_EQ(control_->Input(), Automation::Variant(Automation::ByteArray{}));
        EXPECT_EQ(control_->InBufferCount(), 0);
        SleepWithoutEvents(10);
    }
    EXPECT_TRUE(watch.events.empty());
    EXPECT_TRUE(pumpUntil([&] { return watch.saw("PrepareFile"); }, 5000));
    EXPECT_EQ(watch.events.front(), "WaitForFile");
    EXPECT_EQ(control_->XferDestFilename(), folder.file("a.bin"));
    control_->setAbortTransfer(true);
    EXPECT_FALSE(control_->Busy());
}

} // namespace
} // namespace Platform::Serial::Testing
