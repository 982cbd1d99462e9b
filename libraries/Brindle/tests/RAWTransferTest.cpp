#include "Brindle/RAWTransfer.h"

#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "Brindle/RawDownloadScanner.h"
#include "CancelOnceMoving.h"
#include "ErrorNumber.h"
#include "Tethra/Global.h"
#include "Tethra/NetPort.h"

using namespace Brindle;
using Automation::Ref;
namespace fs = std::filesystem;

namespace {

const std::string Begin(RawDownloadScanner::BeginMarker);
const std::string End(RawDownloadScanner::EndMarker);

// A printer's TCP side in a thread of its own: each time bytes arrive, the
// script sees all received so far and says what to send back, and whether to
// drop the link.
class ScriptedPrinter {
public:
    using Script = std::function<std::string(const std::string& received, bool& drop)>;

    explicit ScriptedPrinter(Script script) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedPrinter() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    uint16_t port() const { return port_; }
    std::string received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    void run() {
        int link = ::accept(listener_, nullptr, nullptr);
        if (link < 0)
            return;
        char chunk[65536];
        for (ssize_t n; (n = ::recv(link, chunk, sizeof chunk, 0)) > 0;) {
            std::string all;
            {
                std::lock_guard lock(mutex_);
                received_.append(chunk, static_cast<size_t>(n));
                all = received_;
            }
            bool drop = false;
            std::string reply = script_(all, drop);
            for (size_t at = 0; at < reply.size();) {
                ssize_t put = ::send(link, reply.data() + at, reply.size() - at, MSG_NOSIGNAL);
                if (put <= 0)
                    break;
                at += static_cast<size_t>(put);
            }
            if (drop)
                break;
        }
        ::close(link);
    }

    Script script_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::string received_;
};

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

const std::string DownloadCommand =
    "\rPRINTCHR$(1)+CHR$(2)+\"<@BEGIN>\"+CHR$(3)+CHR$(4);:RUN\"cat -B c:f\":PRINT "
    "CHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4);\r";
const std::string EndLine = "\rPRINTCHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4)\r";

std::string uploadCommand(size_t size) {
    return "\rRUN\"cat -S2 -" + std::to_string(size) + " >c:f\r";
}

// Answers the download command once it is whole.
ScriptedPrinter::Script catSends(std::string reply) {
    return [reply = std::move(reply), done = false](const std::string& received, bool&) mutable {
        if (done || received.find(DownloadCommand) == std::string::npos)
            return std::string();
        done = true;
        return "\r\n" + reply + "\r\n>";
    };
}

class RAWTransferTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("rawtransfer-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Ref<RAWTransfer> transferTo(const ScriptedPrinter& printer) {
        connection_ = Tethra::Global::CreateNetConnectionObj("127.0.0.1", printer.port());
        auto transfer = Automation::New<RAWTransfer>();
        transfer->setConnection(connection_);
        return transfer;
    }
    int32_t clients() { return connection_->PortObject().as<Tethra::NetPort>()->NetComm()->ClientCount(); }

    fs::path dir_;
    Ref<Tethra::Connection> connection_;
};

} // namespace

TEST_F(RAWTransferTest, DownloadsByteExact) {
    const std::string tricky = "a" + End + Begin + std::string(RawDownloadScanner::SocketErrorText) + End;
    for (const std::string& data : {std::string(), std::string("x"), pattern(2047), pattern(2048),
                                    pattern(2049), tricky, pattern(3 << 20)}) {
        ScriptedPrinter printer(catSends(Begin + data + End));
        auto transfer = transferTo(printer);
        fs::path target = dir_ / "down.bin";
        std::ofstream(target, std::ios::binary) << std::string(5 << 20, 'O'); // longer: must not keep a tail
        transfer->Download("c:f", target.string(), static_cast<int32_t>(data.size()), DownloadCommand);
        EXPECT_EQ(readFile(target), data) << data.size();
        EXPECT_EQ(transfer->Status(), Tethra::FileTransfer_Success);
        EXPECT_EQ(transfer->GarbageReceived(), "\r\n>");
        EXPECT_EQ(clients(), 1);
        EXPECT_FALSE(connection_->PortOpen()); // closed before, closed again
    }
}

TEST_F(RAWTransferTest, UploadsByteExact) {
    for (size_t size : {0, 1, 2048, 2049, 3 << 20}) {
        std::string data = pattern(size);
        std::string expected = uploadCommand(size) + data + EndLine;
        ScriptedPrinter printer([&](const std::string& received, bool&) {
            return received.size() == expected.size() ? "\r\n" + End + "\r\n>" : std::string();
        });
        auto transfer = transferTo(printer);
        fs::path source = dir_ / "up.bin";
        std::ofstream(source, std::ios::binary) << data;
        transfer->Upload(source.string(), "c:f", static_cast<int32_t>(size), uploadCommand(size));
        EXPECT_EQ(printer.received() == expected, true) << size;
        EXPECT_EQ(transfer->Status(), Tethra::FileTransfer_Success);
        EXPECT_EQ(clients(), 1);
    }
}

TEST_F(RAWTransferTest, AnUploadSourceShortOfItsSizeIsRefusedBeforeAByteGoesOut) {
    fs::path source = dir_ / "up.bin";
    std::ofstream(source, std::ios::binary) << pattern(4096);
    for (const auto& [path, size, number] :
         {std::tuple{source, 4097, 75}, std::tuple{dir_ / "none.bin", 1, 53}}) {
        ScriptedPrinter printer([](const std::string&, bool&) { return std::string(); });
        auto transfer = transferTo(printer);
        Automation::Error error =
            raisedError([&] { transfer->Upload(path.string(), "c:f", size, uploadCommand(size)); });
        EXPECT_EQ(error.Number(), number) << path;
        EXPECT_EQ(error.Source(), "RawTransfer:Upload method") << path;
        EXPECT_NE(error.Description().find(path.string()), std::string::npos) << error.Description();
        EXPECT_EQ(printer.received(), "") << path;
        EXPECT_EQ(clients(), 1) << path;
    }
}

TEST_F(RAWTransferTest, PrinterFailures) {
    struct Case {
        const char* name;
        std::function<std::string(const std::string&, bool&)> script;
        bool upload;
        int32_t size;
        int32_t number;
        const char* source;
    };
    const Case cases[] = {
        {"socket", catSends("cat: Operation not supported on socket" + Begin), false, 2000, 129,
         "RawTransfer:INetCommClient_Receive method>RawTransfer:Download method"},
        {"size", catSends(Begin + "abc" + End + "\r\n>\r\n>\r\n>"), false, 2, 101,
         "RawTransfer:INetCommClient_Receive method>RawTransfer:Download method"},
        {"dropped",
         [](const std::string& received, bool& drop) {
             drop = received.find(DownloadCommand) != std::string::npos;
             return drop ? Begin + pattern(1000) : std::string();
         },
         false, 2000, 108, "RawTransfer:WaitUntilNotRunning method.>RawTransfer:Download method"},
    };
    for (const Case& c : cases) {
        ScriptedPrinter printer(c.script);
        auto transfer = transferTo(printer);
        fs::path file = dir_ / "f.bin";
        std::ofstream(file, std::ios::binary) << "old";
        Automation::Error error = raisedError([&] {
            if (c.upload)
                transfer->Upload(file.string(), "c:f", c.size, uploadCommand(3));
            else
                transfer->Download("c:f", file.string(), c.size, DownloadCommand);
        });
        EXPECT_EQ(error.Number(), c.number) << c.name;
        EXPECT_EQ(error.Source(), c.source) << c.name;
        EXPECT_EQ(readFile(file), "old") << c.name;
        EXPECT_EQ(clients(), 1) << c.name;
    }
}

TEST_F(RAWTransferTest, AnUploadEndsAtOnceWhenThePrinterRefusesIt) {
    // The printer answers the command line at once; the rest of a long file
    // is not sent, and the failure does not wait for the idle time-out.
    const std::pair<std::string, int32_t> refusals[] = {
        {"cat: Timer Expired\r\n", 120}, {"Error in file name\r\n", 128}, {std::string(600, '?'), 101}};
    // Longer than what the kernel's buffers could take before the printer reads.
    const std::string data = pattern(32 << 20);
    fs::path file = dir_ / "up.bin";
    std::ofstream(file, std::ios::binary) << data;
    for (const auto& [reply, number] : refusals) {
        const std::string command = uploadCommand(data.size());
        ScriptedPrinter printer([reply, command, done = false](const std::string& received, bool&) mutable {
            if (done || received.find(command) == std::string::npos)
                return std::string();
            done = true;
            return reply;
        });
        auto transfer = transferTo(printer);
        auto started = std::chrono::steady_clock::now();
        Automation::Error error = raisedError([&] {
            transfer->Upload(file.string(), "c:f", static_cast<int32_t>(data.size()),
                             uploadCommand(data.size()));
        });
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(error.Number(), number);
        EXPECT_EQ(error.Source(), "RawTransfer:INetCommClient_Receive method>RawTransfer:Upload method");
        // Generous beside the settling wait after a failure, well under the idle time-out.
        EXPECT_LT(took, std::chrono::milliseconds(RAWTransfer::DefaultIdleTimeoutMs / 2)) << number;
        EXPECT_LT(printer.received().size(), data.size() / 2) << number;
        EXPECT_EQ(clients(), 1);
    }
}

TEST_F(RAWTransferTest, AnUploadCutByAnAbortEndsAsTheAbortWhenThePrinterStaysSilent) {
    // A printer that never says its cat gave up: the wait after the cut is
    // the settling time, well under the idle time-out.
    const std::string data = pattern(32 << 20);
    fs::path file = dir_ / "up.bin";
    std::ofstream(file, std::ios::binary) << data;
    ScriptedPrinter printer([](const std::string&, bool&) { return std::string(); });
    auto transfer = transferTo(printer);
    auto receiver = Automation::New<CancelOnceMoving>();
    transfer->setProgressObject(CancelOnceMoving::progressFor(data.size(), receiver));
    Automation::Error error = raisedError([&] {
        transfer->Upload(file.string(), "c:f", static_cast<int32_t>(data.size()), uploadCommand(data.size()));
    });
    ASSERT_TRUE(receiver->cancelled.isValid());
    EXPECT_EQ(error.Number(), 113);
    EXPECT_LT(receiver->cancelled.elapsed(), RAWTransfer::DefaultIdleTimeoutMs / 2);
    EXPECT_LT(printer.received().size(), data.size());
    EXPECT_EQ(clients(), 1);
}

TEST_F(RAWTransferTest, CancelAndSilence) {
    // The printer never answers: a cancel ends the wait with 113, and without
    // one the idle time-out ends it with 120.
    for (bool cancel : {true, false}) {
        ScriptedPrinter printer([](const std::string&, bool&) { return std::string(); });
        auto transfer = transferTo(printer);
        transfer->setIdleTimeoutMs(300);
        if (cancel)
            QTimer::singleShot(100, [transfer] { transfer->Abort(); });
        fs::path file = dir_ / "f.bin";
        Automation::Error error =
            raisedError([&] { transfer->Download("c:f", file.string(), 10, DownloadCommand); });
        EXPECT_EQ(error.Number(), cancel ? 113 : 120);
        EXPECT_FALSE(fs::exists(file));
    }
}

TEST_F(RAWTransferTest, FrontChecks) {
    auto transfer = Automation::New<RAWTransfer>();
    EXPECT_EQ(errorNumberOf([&] { transfer->Download("c:f", "x", 1, ""); }), 116);
    transfer->setConnection(Automation::New<Tethra::Connection>());
    EXPECT_EQ(errorNumberOf([&] { transfer->Upload("x", "c:f", 1, ""); }), 118);
}
