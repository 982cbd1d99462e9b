#include <QTimer>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "ControlHarness.h"
#include "PtyPeer.h"
#include "Tethra/Connection.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"
#include "Tethra/SerPort.h"
#include "TethraTest.h"
#include "messages/MessagePump.h"

using Automation::Ref;
using Platform::WaitUntil;
using Platform::Serial::Testing::ComDir;
using Platform::Serial::Testing::Pty;
using Platform::Serial::Testing::randomBytes;
using Platform::Serial::Testing::TempFolder;
using Tethra::Connection;
using Tethra::SerCommWrapper;
using Tethra::SerPort;
using TethraTest::EventLog;
using TethraTest::isLibraryError;

namespace {

// Reads the far end of the line on a thread of its own, unless told to stop.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~LineReader() {
        stop_ = true;
        thread_.join();
    }
    void setReading(bool reading) { reading_ = reading; }
    size_t size() const {
        std::lock_guard lock(mutex_);
        return bytes_.size();
    }
    std::string bytes() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

private:
    void run() {
        char buffer[65536];
        while (!stop_) {
            pollfd readable{fd_, POLLIN, 0};
            if (!reading_ || ::poll(&readable, 1, 5) <= 0) {
                ::usleep(2000);
                continue;
            }
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                bytes_.append(buffer, static_cast<size_t>(n));
            }
        }
    }

    int fd_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reading_{true};
    mutable std::mutex mutex_;
    std::string bytes_;
    std::thread thread_;
};

struct SerialLine {
    Pty pty;
    ComDir com{pty.slaveName()};
    Ref<Connection> connection = Tethra::Global::CreateSerialConnectionObj(1, 115200, Tethra::Parity_None, 8,
                                                                           1, Tethra::HandShake_None);
    Ref<SerPort> port = connection->PortObject().as<SerPort>();
};

class Client : public Automation::Object, public Tethra::ISerCommClient {
public:
    Ref<SerCommWrapper> SerComm() override { return wrapper; }
    void setSerComm(const Ref<SerCommWrapper>& value) override { wrapper = value; }
    void PrepareFile() override {}
    void StartFile() override {}
    void WaitForFile() override {}
    void TransferBlock() override {}
    void FinishFile() override {}
    void AbortFile() override {}
    void AbortFileTransfer() override {}
    void FinishFileTransfer() override {}
    void Receive() override { ++receives; }
    void CTSChanged() override {}
    void DSRChanged() override {}

    Ref<SerCommWrapper> wrapper;
    int receives = 0;
};

double cpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

TEST(SerPort, SendsEveryByteOnceInOrderReceivesByEventAndDrainsOnClose) {
    SerialLine line;
    LineReader reader(line.pty.master());
    EventLog log(*line.connection);
    line.connection->setPortOpen(true);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"FirstOpen", "Opened"}));

    const std::string text = randomBytes(1 << 20, 7);
    auto progress = Automation::New<Gaugely::Progress>();
    line.connection->Send(text, progress);
    EXPECT_EQ(progress->SubValue(), static_cast<int32_t>(text.size()));
    EXPECT_TRUE(WaitUntil([&] { return reader.size() >= text.size(); }, 10000));
    EXPECT_TRUE(reader.bytes() == text);

    ASSERT_EQ(::write(line.pty.master(), "OK\r\n", 4), 4);
    EXPECT_TRUE(WaitUntil([&] { return !log.events.empty(); }, 3000));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Receive"}));
    EXPECT_EQ(line.connection->Receive(), "OK\r\n");

    // The close waits while the far end holds the output: a close that did
    // not would drop what the control still holds, and bytes would be
    // missing below. (The pseudo-terminal may take the rest on its own
    // meanwhile; then there is nothing to wait for.)
    reader.setReading(false);
    std::string tail;
    // Until the output stays held, well past the few hundred bytes that the
    // line discipline may still move along on its own.
    auto held = [&] {
        if (line.port->SerComm()->OutBufferCount() < 8000)
            return false;
        Platform::SleepWithoutEvents(20);
        return line.port->SerComm()->OutBufferCount() >= 8000;
    };
    for (unsigned i = 0; !held(); ++i) {
        std::string piece = randomBytes(4000, 100 + i);
        line.connection->Send(piece);
        tail += piece;
    }
    QTimer::singleShot(300, [&] { reader.setReading(true); });
    line.connection->setPortOpen(false);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"Closed"}));
    EXPECT_TRUE(WaitUntil([&] { return reader.size() >= text.size() + tail.size(); }, 3000));
    EXPECT_TRUE(reader.bytes() == text + tail);
}

TEST(SerPort, CancelAndAbortEndTheSendWith113AndDestroyClosesAtOnce) {
    SerialLine line;
    line.connection->setPortOpen(true);
    // An abort asked while no send runs does not cut the next one short.
    line.port->setAbort(true);
    EXPECT_EQ(errorNumberOf([&] { line.port->Send("after a stale abort"); }), 0);
    EXPECT_FALSE(line.port->Abort());

    const std::string text = randomBytes(1 << 20, 9);

    auto progress = Automation::New<Gaugely::Progress>();
    progress->setNotificationInterval(20);
    auto link = progress->Notification.connect([](Ref<Gaugely::Progress>, bool& cancel) { cancel = true; });
    progress->setStart(true);
    EXPECT_TRUE(isLibraryError(raisedError([&] { line.connection->Send(text, progress); }), 113,
                               "Connection:Send Method"));
    progress->setStart(false);
    EXPECT_FALSE(line.port->Abort());

    QTimer::singleShot(50, [&] { line.port->setAbort(true); });
    EXPECT_TRUE(isLibraryError(raisedError([&] { line.port->Send(text); }), 113, "SerPort:Send Method"));
    EXPECT_FALSE(line.port->Abort());

    auto started = std::chrono::steady_clock::now();
    Tethra::Global::TeardownConnectionObj(line.connection);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(line.connection->PortType(), 0);
}

TEST(SerPort, LineSettingsAreRefusedWhileOpenAndBadValuesAreNotKept) {
    SerialLine line;
    SerPort& port = *line.port;
    EXPECT_EQ(line.connection->ConnectString(), "SER:COM1:115200,N,8,1,0");
    port.setParity(0);
    EXPECT_EQ(port.Parity(), Tethra::Parity_None);
    port.setBaudrate(9600);
    port.setParity(Tethra::Parity_Even);
    port.setDatabits(7);
    port.setStopbits(2);
    EXPECT_EQ(port.SettingsText(), "9600,E,7,2");
    EXPECT_EQ(port.Baudrate(), 9600);
    EXPECT_EQ(port.Parity(), Tethra::Parity_Even);
    EXPECT_EQ(port.Databits(), 7);
    EXPECT_EQ(port.Stopbits(), 2);

    auto error = raisedError([&] { port.setParity(6); });
    EXPECT_EQ(error.Number(), 9);
    EXPECT_EQ(error.Source(), "SerPort:Parity Property Let");
    error = raisedError([&] { port.setBaudrate(12345); });
    EXPECT_EQ(error.Number(), 380);
    EXPECT_EQ(error.Source(), "SerPort:Baudrate Property Let");
    EXPECT_NE(error.Description().find("12345"), std::string::npos);
    port.setStopbits(1);
    EXPECT_EQ(port.SettingsText(), "9600,E,7,1");

    EventLog log(*line.connection);
    port.setCommPort(1);
    EXPECT_TRUE(log.take().empty());
    port.setCommPort(12);
    EXPECT_EQ(port.CommPort(), 12);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"After"}));
    port.setCommPort(1);

    line.connection->setPortOpen(true);
    for (auto [let, source] : std::initializer_list<std::pair<std::function<void()>, const char*>>{
             {[&] { port.setCommPort(2); }, "SerPort:CommPort Property Let"},
             {[&] { port.setBaudrate(2400); }, "SerPort:Baudrate Property Let"},
             {[&] { port.setParity(1); }, "SerPort:Parity Property Let"},
             {[&] { port.setDatabits(8); }, "SerPort:Databits Property Let"},
             {[&] { port.setStopbits(2); }, "SerPort:Stopbits Property Let"},
             {[&] { port.setHandshake(0); }, "SerPort:Handshake Property Let"}})
        EXPECT_TRUE(isLibraryError(raisedError(let), 112, source));
    EXPECT_EQ(line.connection->ConnectString(), "SER:COM1:9600,E,7,1,0");
}

TEST(SerPort, TheControlsErrorsReachTheCallerWithTheControlsText) {
    TempFolder folder;
    ::setenv("KESTRUP_COM_DIR", folder.path().c_str(), 1);
    auto connection = Tethra::Global::CreateSerialConnectionObj(5, 115200, 1, 8, 1, 2);
    auto error = raisedError([&] { connection->setPortOpen(true); });
    EXPECT_EQ(error.Number(), 8002);
    EXPECT_EQ(error.Source(), "Connection:PortOpen Property Let");
    EXPECT_NE(error.Description().find("COM5"), std::string::npos);

    // A device the user may not open names the group that may.
    std::string device = folder.file("COM6");
    Platform::Serial::Testing::writeFile(device, "");
    ASSERT_EQ(::chown(device.c_str(), 0, 20), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    connection->PortObject().as<SerPort>()->setCommPort(6);
    bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    error = raisedError([&] { connection->setPortOpen(true); });
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    ::unsetenv("KESTRUP_COM_DIR");
    EXPECT_EQ(error.Number(), 8010);
    EXPECT_NE(error.Description().find("\"dialout\""), std::string::npos) << error.Description();
}

TEST(SerPort, APushedClientAloneHearsTheLineAndThePopGivesTheWrapperBack) {
    SerialLine line;
    EventLog log(*line.connection);
    line.connection->setPortOpen(true);
    log.take();
    Ref<SerCommWrapper> wrapper = line.port->SerComm();
    auto client = Automation::New<Client>();
    client->wrapper = wrapper;
    wrapper->ClientAdd(client);
    EXPECT_TRUE(line.port->SerComm().isNothing());
    EXPECT_EQ(wrapper->ClientCount(), 2);
    EXPECT_EQ(errorNumberOf([&] { wrapper->ClientAdd(client); }), 457);
    EXPECT_EQ(wrapper->ClientCount(), 2);
    EXPECT_EQ(errorNumberOf([&] { wrapper->ClientRemove(Automation::New<Client>()); }), 5);

    ASSERT_EQ(::write(line.pty.master(), "to the client", 13), 13);
    EXPECT_TRUE(WaitUntil([&] { return client->receives > 0; }, 3000));
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(Automation::ByteArray(wrapper->InputByte()).size(), 13u);

    wrapper->ClientRemove(client);
    EXPECT_TRUE(line.port->SerComm() == wrapper);
    ASSERT_EQ(::write(line.pty.master(), "to the port", 11), 11);
    EXPECT_TRUE(WaitUntil([&] { return !log.events.empty(); }, 3000));
    EXPECT_EQ(line.connection->Receive(), "to the port");
}

TEST(SerPort, WaitingPumpsWithoutSpinning) {
    SerialLine line;
    line.connection->setPortOpen(true);
    double before = cpuMs();
    line.connection->Wait(300, true);
    EXPECT_LT(cpuMs() - before, 100.0);
}

TEST(SerPort, ASendHeldByTheLineEndsWith120) {
    SerialLine line;
    line.connection->setPortOpen(true);
    auto error = raisedError([&] { line.connection->Send(randomBytes(1 << 20, 3)); });
    EXPECT_TRUE(isLibraryError(error, 120, "Connection:Send Method"));
}
