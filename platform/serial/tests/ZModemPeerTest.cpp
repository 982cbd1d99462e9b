// Our ZModem engine through the control, against lrzsz's sz and rz on the
// other end of a pseudo-terminal line.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <unistd.h>

#include "ControlHarness.h"
#include "PtyPeer.h"
#include "messages/MessagePump.h"

namespace Platform::Serial::Testing {
namespace {

std::string sampleFile(const std::string& kind) {
    if (kind == "empty")
        return {};
    if (kind == "one")
        return "Z";
    if (kind == "odd") {
        std::string s;
        for (int i = 0; i < 1023; ++i)
            s.push_back(static_cast<char>("\x18*\r@\x11\x13\x90\xff"[i % 8] + i / 8));
        return s;
    }
    if (kind == "allbytes") {
        std::string s(65536, '\0');
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<char>(i);
        return s;
    }
    std::mt19937 random(20240611);
    std::string s(1 << 20, '\0');
    for (char& c : s)
        c = static_cast<char>(random());
    return s;
}

class ZModemPeer : public ::testing::Test {
protected:
    ZModemPeer() {
        std::filesystem::create_directory(work_.file("src"));
        std::filesystem::create_directory(work_.file("dst"));
    }

    // Wires our COM1 to the peer's line through a relay that models the line.
    void connect(LineModel toPeer = {}, LineModel fromPeer = {}) {
        relay_ = std::make_unique<Relay>(ours_.master(), theirs_.master(), toPeer, fromPeer);
        com_ = std::make_unique<ComDir>(ours_.slaveName());
        control_ = makeControl();
        control_->setPortOpen(true);
        control_->setXferProtocol(SerialFTProtocol_ZModem);
        watch_ = std::make_unique<TransferWatch>(*control_);
    }

    void startPeer(const std::vector<std::string>& argv, const std::string& folder) {
        peer_ = std::make_unique<PeerProcess>(argv, theirs_.slave(), folder, work_.file("peer.log"));
    }

    std::string src(const std::string& name) const { return work_.file("src/" + name); }
    std::string dst(const std::string& name) const { return work_.file("dst/" + name); }
    std::string peerLog() const { return readFile(work_.file("peer.log")); }

    bool waitForEnd(int timeoutMs = 60000) {
        return pumpUntil([&] { return watch_->ended(); }, timeoutMs);
    }

    TempFolder work_;
    Pty ours_;
    Pty theirs_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<ComDir> com_;
    Automation::Ref<SaxComm8> control_;
    std::unique_ptr<TransferWatch> watch_;
    std::unique_ptr<PeerProcess> peer_;
};

class ZModemFiles : public ZModemPeer, public ::testing::WithParamInterface<std::string> {};

TEST_P(ZModemFiles, OurSenderDeliversToRz) {
    const std::string data = sampleFile(GetParam());
    writeFile(src("sample.bin"), data);
    connect();
    startPeer({"rz", "-q"}, work_.file("dst"));
    control_->setUpload(src("sample.bin"));

    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->events.back(), "FinishFileTransfer");
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(control_->XferStatus(), SerialFTStatus_Success);
    EXPECT_EQ(control_->XferTransferred(), static_cast<int32_t>(data.size()));
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
    EXPECT_FALSE(control_->Busy());
}

TEST_P(ZModemFiles, SzDeliversToOurReceiver) {
    const std::string data = sampleFile(GetParam());
    writeFile(src("sample.bin"), data);
    connect();
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));

    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->events.front(), "WaitForFile");
    EXPECT_EQ(watch_->events.back(), "FinishFileTransfer");
    EXPECT_TRUE(watch_->saw("PrepareFile"));
    EXPECT_TRUE(watch_->saw("FinishFile"));
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(control_->XferSourceFilename(), "sample.bin");
    EXPECT_EQ(control_->XferDestFilename(), dst("sample.bin"));
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
}

INSTANTIATE_TEST_SUITE_P(Samples, ZModemFiles,
                         ::testing::Values("empty", "one", "odd", "allbytes", "random"));

class ZModemSenderOptions : public ZModemPeer, public ::testing::WithParamInterface<std::string> {};

// sz escaping every control character (-e) and sz with 8 KiB subpackets (-8).
TEST_P(ZModemSenderOptions, SzVariantsDeliverToOurReceiver) {
    const std::string data = sampleFile("random") + sampleFile("allbytes");
    writeFile(src("sample.bin"), data);
    connect();
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", GetParam(), "sample.bin"}, work_.file("src"));

    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
}

INSTANTIATE_TEST_SUITE_P(Flags, ZModemSenderOptions, ::testing::Values("-e", "-8"),
                         [](const auto& info) { return info.param == "-e" ? "EscapeAll" : "Blocks8k"; });

TEST_F(ZModemPeer, EscapingEverythingOurselvesStillReachesRz) {
    const std::string data = sampleFile("allbytes");
    writeFile(src("sample.bin"), data);
    connect();
    control_->setXferEscapeControl(true);
    startPeer({"rz", "-q"}, work_.file("dst"));
    control_->setUpload(src("sample.bin"));

    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
}

// The line drops or flips one byte in 40000 of the data and one in 400 of
// the answers going back.
const LineModel dataFaults{false, 40000, 40000, 11};
const LineModel answerFaults{false, 400, 400, 12};

TEST_F(ZModemPeer, NoisyLineStillGivesRzTheExactFile) {
    const std::string data = sampleFile("random");
    writeFile(src("sample.bin"), data);
    connect(dataFaults, answerFaults);
    startPeer({"rz", "-q"}, work_.file("dst"));
    control_->setUpload(src("sample.bin"));
    ASSERT_TRUE(waitForEnd(120000)) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
    EXPECT_GT(relay_->faults(), 20);
}

TEST_F(ZModemPeer, NoisyLineStillGivesUsTheExactFileFromSz) {
    const std::string data = sampleFile("random");
    writeFile(src("sample.bin"), data);
    connect(answerFaults, dataFaults);
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));
    ASSERT_TRUE(waitForEnd(120000)) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
    EXPECT_GT(relay_->faults(), 20);
}

class ZModemKilledPeer : public ZModemPeer {
protected:
    void killAfter64k() {
        watch_->onEvent = [this](const std::string&) {
            if (!killedAt_ && control_->XferTransferred() >= 65536) {
                peer_->kill();
                killedAt_ = monotonicMs();
            }
        };
    }
    void expectAbortWithinTimeOut() {
        ASSERT_NE(killedAt_, 0);
        EXPECT_LE(monotonicMs() - killedAt_, 3000 + 2000);
        EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
        EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Failure);
    }
    int64_t killedAt_ = 0;
};

TEST_F(ZModemKilledPeer, KilledRzEndsOurSenderWithinTheTimeOut) {
    writeFile(src("sample.bin"), sampleFile("random") + sampleFile("random") + sampleFile("random"));
    connect();
    control_->setXferTimeout(3000);
    killAfter64k();
    startPeer({"rz", "-q"}, work_.file("dst"));
    control_->setUpload(src("sample.bin"));
    ASSERT_TRUE(waitForEnd(30000));
    expectAbortWithinTimeOut();
}

TEST_F(ZModemKilledPeer, KilledSzEndsOurReceiverWithinTheTimeOutAndDropsThePartialFile) {
    writeFile(src("sample.bin"), sampleFile("random") + sampleFile("random") + sampleFile("random"));
    connect();
    control_->setXferTimeout(3000);
    killAfter64k();
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));
    ASSERT_TRUE(waitForEnd(30000));
    expectAbortWithinTimeOut();
    EXPECT_FALSE(std::filesystem::exists(dst("sample.bin")));
}

TEST_F(ZModemPeer, AbortTransferStopsRzAndReportsTheAbort) {
    writeFile(src("sample.bin"), sampleFile("random") + sampleFile("random"));
    connect();
    bool asked = false;
    watch_->onEvent = [&](const std::string& name) {
        if (name == "TransferBlock" && !asked && control_->XferTransferred() >= 65536) {
            asked = true;
            control_->setAbortTransfer(true);
            // The abort is raised later, never inside the setter.
            EXPECT_FALSE(watch_->ended());
        }
    };
    startPeer({"rz", "-q"}, work_.file("dst"));
    control_->setUpload(src("sample.bin"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(asked);
    EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_TransferAbort);
    EXPECT_EQ(watch_->ends(), 1);
    auto status = peer_->wait(10000);
    ASSERT_TRUE(status.has_value()) << "rz did not stop";
    EXPECT_NE(*status, 0);
}

TEST_F(ZModemPeer, AbortTransferWhileReceivingStopsSzAndDropsThePartialFile) {
    writeFile(src("sample.bin"), sampleFile("random") + sampleFile("random"));
    connect();
    watch_->onEvent = [&](const std::string& name) {
        if (name == "TransferBlock" && !control_->AbortTransfer() && control_->XferTransferred() >= 65536)
            control_->setAbortTransfer(true);
    };
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_TransferAbort);
    auto status = peer_->wait(10000);
    ASSERT_TRUE(status.has_value()) << "sz did not stop";
    EXPECT_NE(*status, 0);
    EXPECT_FALSE(std::filesystem::exists(dst("sample.bin")));
}

TEST_F(ZModemPeer, CancelFromTheLineEndsTheTransfer) {
    writeFile(src("sample.bin"), sampleFile("random") + sampleFile("random"));
    connect();
    bool cancelled = false;
    watch_->onEvent = [&](const std::string& name) {
        if (name == "TransferBlock" && !cancelled && control_->XferTransferred() >= 65536) {
            cancelled = true;
            // The line may be full for a moment: the cancel goes in whole once there is room.
            const std::string cans(8, '\x18');
            const int64_t deadline = monotonicMs() + 5000;
            while (::write(ours_.master(), cans.data(), cans.size()) != 8 && monotonicMs() < deadline)
                SleepWithoutEvents(1);
        }
    };
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_TransferAbort);
}

TEST_F(ZModemPeer, SilentPeerEndsTheTransferAfterTheTimeOut) {
    writeFile(src("sample.bin"), "data");
    connect();
    control_->setXferTimeout(1500);
    for (bool upload : {true, false}) {
        watch_ = std::make_unique<TransferWatch>(*control_);
        const int64_t started = monotonicMs();
        if (upload)
            control_->setUpload(src("sample.bin"));
        else
            control_->setDownload(work_.file("dst"));
        ASSERT_TRUE(waitForEnd(10000));
        EXPECT_GE(monotonicMs() - started, 1500);
        EXPECT_LE(monotonicMs() - started, 1500 + 1500);
        EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
        EXPECT_EQ(control_->XferStatus(), SerialFTStatus_Failure);
    }
}

TEST_F(ZModemPeer, ReceivedFileStaysInsideTheFolderOrGoesWherePrepareFileSays) {
    writeFile(src("sample.bin"), sampleFile("odd"));
    connect();
    // sz -f announces the full path of the file; only its last part is used.
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "-f", src("sample.bin")}, work_.file("src"));
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(control_->XferSourceFilename(), src("sample.bin"));
    EXPECT_TRUE(readFile(dst("sample.bin")) == sampleFile("odd"));
    peer_->wait(10000);

    // The PrepareFile handler names the destination, as the printer transfers do.
    watch_ = std::make_unique<TransferWatch>(*control_);
    watch_->onEvent = [&](const std::string& name) {
        if (name == "PrepareFile")
            control_->setXferDestFilename(work_.file("renamed.bin"));
    };
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "sample.bin"}, work_.file("src"));
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_TRUE(readFile(work_.file("renamed.bin")) == sampleFile("odd"));
}

} // namespace
} // namespace Platform::Serial::Testing
