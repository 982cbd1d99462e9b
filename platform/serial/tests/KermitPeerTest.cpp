// Our Kermit engine against G-Kermit and C-Kermit over pseudo-terminals.
#include "serial/TransferEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PtyPeer.h"

using namespace Platform::Serial;
using namespace Platform::Serial::Testing;

namespace {

enum class Peer { GKermit, CKermit };

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// 64 KiB: every byte value alone, then each in a run of 128.
std::string allByteValues() {
    std::string bytes;
    for (int i = 0; i < 32768; ++i)
        bytes += static_cast<char>(i % 256);
    for (int value = 0; value < 256; ++value)
        bytes += std::string(128, static_cast<char>(value));
    return bytes;
}

struct Content {
    const char *label;
    std::string bytes;
};

const std::vector<Content> &contents() {
    static const std::vector<Content> all = {
        {"Empty", ""},
        {"OneByte", std::string("\x01", 1)},
        {"Odd1023", randomBytes(1023, 11)},
        {"AllValues64K", allByteValues()},
        {"Random1M", randomBytes(1 << 20, 12)},
    };
    return all;
}

const char *peerName(Peer peer) {
    return peer == Peer::GKermit ? "GKermit" : "CKermit";
}

struct SessionOptions {
    bool sevenBit = false;
    int32_t timeoutMs = 10000;
    // The line models towards the peer and back; without them the peer sits on our pty.
    std::optional<std::pair<LineModel, LineModel>> line;
    std::vector<std::string> peerArguments;
    // C-Kermit only: commands it runs before the transfer.
    std::string peerSettings;
};

// One transfer between our engine and a peer program. Our side runs on a
// pty master; the peer runs on the slave, or behind a relay that models the
// line between two ptys.
class Session {
public:
    Session(Peer peer, TransferDirection ours, const std::string &content, SessionOptions options = {})
        : ours_(ours) {
        std::filesystem::create_directory(folder_.file("ours"));
        std::filesystem::create_directory(folder_.file("peer"));
        std::vector<std::string> argv{peer == Peer::GKermit ? "gkermit" : "kermit"};
        if (!options.peerSettings.empty()) {
            writeFile(folder_.file("peer/settings.ksc"), options.peerSettings);
            argv.push_back("settings.ksc");
        }
        if (peer == Peer::CKermit)
            argv.push_back("-Y");
        argv.insert(argv.end(), {"-i", "-P"});
        argv.insert(argv.end(), options.peerArguments.begin(), options.peerArguments.end());
        std::string path;
        if (ours == TransferDirection::Send) {
            path = folder_.file("ours/data.bin");
            writeFile(path, content);
            argv.insert(argv.end(), {"-w", "-r"});
        } else {
            path = folder_.file("ours");
            writeFile(folder_.file("peer/data.bin"), content);
            argv.insert(argv.end(), {"-s", "data.bin"});
        }
        int slave = pty_.slave();
        if (options.line) {
            far_.emplace();
            relay_.emplace(pty_.slave(), far_->master(), options.line->first, options.line->second);
            slave = far_->slave();
        }
        peer_ = std::make_unique<PeerProcess>(argv, slave, folder_.file("peer"), folder_.file("peer.log"));
        engine_ = makeKermitEngine(host_, {ours, path, options.sevenBit, options.timeoutMs});
    }

    PtyHost &host() { return host_; }
    TransferEngine &engine() { return *engine_; }
    PeerProcess &peer() { return *peer_; }
    int faults() const { return relay_ ? relay_->faults() : 0; }

    bool run(int64_t limitMs) {
        engine_->start();
        return host_.run(*engine_, limitMs);
    }
    std::string receivedPath() const {
        return folder_.file(ours_ == TransferDirection::Send ? "peer/data.bin" : "ours/data.bin");
    }
    std::string received() const { return readFile(receivedPath()); }
    std::string peerLog() const { return readFile(folder_.file("peer.log")); }
    std::string peerFile(const std::string &name) const { return readFile(folder_.file("peer/" + name)); }

private:
    TransferDirection ours_;
    TempFolder folder_;
    Pty pty_;
    std::optional<Pty> far_;
    std::optional<Relay> relay_;
    PtyHost host_{pty_.master()};
    std::unique_ptr<PeerProcess> peer_;
    std::unique_ptr<TransferEngine> engine_;
};

using Events = std::vector<std::pair<TransferEvent, SerialFTStatus>>;

void expectCourse(const RecordingHost &host, TransferDirection ours) {
    Events expected;
    if (ours == TransferDirection::Receive) {
        expected.emplace_back(TransferEvent::WaitForFile, SerialFTStatus_WaitForFile);
        expected.emplace_back(TransferEvent::PrepareFile, SerialFTStatus_Prepare);
    }
    expected.emplace_back(TransferEvent::StartFile, SerialFTStatus_Starting);
    for (int i = 0; i < host.count(TransferEvent::TransferBlock); ++i)
        expected.emplace_back(TransferEvent::TransferBlock, SerialFTStatus_Transferring);
    expected.emplace_back(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
    expected.emplace_back(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
    EXPECT_EQ(host.events, expected);
}

using TransferCase = std::tuple<Peer, TransferDirection, std::size_t>;

class KermitPeerTransferTest : public testing::TestWithParam<TransferCase> {};

} // namespace

TEST_P(KermitPeerTransferTest, FileArrivesByteExact) {
    const auto [peer, ours, index] = GetParam();
    const std::string &content = contents()[index].bytes;
    Session session(peer, ours, content);
    ASSERT_TRUE(session.run(120000)) << session.peerLog();
    expectCourse(session.host(), ours);
    EXPECT_EQ(session.received(), content) << session.peerLog();
    EXPECT_EQ(session.peer().wait(10000), std::optional<int>(0)) << session.peerLog();
    if (ours == TransferDirection::Receive) {
        EXPECT_EQ(session.host().announcedName, "data.bin");
        EXPECT_EQ(session.host().announcedSize, static_cast<int64_t>(content.size()));
    }
}

namespace {

std::string transferCaseName(const testing::TestParamInfo<TransferCase> &info) {
    const auto [peer, ours, index] = info.param;
    return std::string(peerName(peer)) + (ours == TransferDirection::Send ? "FromUs" : "ToUs") +
           contents()[index].label;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Peers, KermitPeerTransferTest,
                         testing::Combine(testing::Values(Peer::GKermit, Peer::CKermit),
                                          testing::Values(TransferDirection::Send,
                                                          TransferDirection::Receive),
                                          testing::Range(std::size_t{0}, std::size_t{5})),
                         transferCaseName);

namespace {

using LineCase = std::tuple<Peer, TransferDirection>;

std::string lineCaseName(const testing::TestParamInfo<LineCase> &info) {
    const auto [peer, ours] = info.param;
    return std::string(peerName(peer)) + (ours == TransferDirection::Send ? "FromUs" : "ToUs");
}

class KermitPeerLineTest : public testing::TestWithParam<LineCase> {};

} // namespace

TEST_P(KermitPeerLineTest, SevenBitLineCarriesEightBitData) {
    const auto [peer, ours] = GetParam();
    const std::string content = allByteValues() + randomBytes(10000, 5);
    const LineModel sevenBit{true};
    SessionOptions options;
    options.sevenBit = true;
    options.line = std::make_pair(sevenBit, sevenBit);
    Session session(peer, ours, content, options);
    ASSERT_TRUE(session.run(120000)) << session.peerLog();
    expectCourse(session.host(), ours);
    EXPECT_EQ(session.received(), content);
}

TEST_P(KermitPeerLineTest, DroppedAndFlippedBytesAreRepaired) {
    const auto [peer, ours] = GetParam();
    const std::string content = randomBytes(256 * 1024, 6);
    // Faults are rarer towards the side sending data, whose packets are long.
    const bool toPeer = ours == TransferDirection::Send;
    const LineModel data{false, 30000, 30000, 21};
    const LineModel acks{false, 200, 200, 22};
    SessionOptions options;
    options.timeoutMs = 3000;
    options.line = std::make_pair(toPeer ? data : acks, toPeer ? acks : data);
    Session session(peer, ours, content, options);
    ASSERT_TRUE(session.run(180000)) << session.peerLog();
    EXPECT_GE(session.faults(), 5);
    EXPECT_EQ(session.host().events.back(),
              std::make_pair(TransferEvent::FinishFileTransfer, SerialFTStatus_Success));
    EXPECT_EQ(session.received(), content);
}

TEST_P(KermitPeerLineTest, ShortPacketsAndOtherBlockChecks) {
    const auto [peer, ours] = GetParam();
    const std::string content = allByteValues();
    // G-Kermit takes packets of 60 bytes (and long ones of the default 500);
    // C-Kermit takes at most 90 and wants check 2, which we take when it
    // sends and which leaves check 1 when it receives.
    SessionOptions options;
    if (peer == Peer::GKermit)
        options.peerArguments = {"-e", "60"};
    else
        options.peerSettings = "set block-check 2\nset receive packet-length 90\n";
    Session session(peer, ours, content, options);
    ASSERT_TRUE(session.run(120000)) << session.peerLog();
    expectCourse(session.host(), ours);
    EXPECT_EQ(session.received(), content);
}

INSTANTIATE_TEST_SUITE_P(Peers, KermitPeerLineTest,
                         testing::Combine(testing::Values(Peer::GKermit, Peer::CKermit),
                                          testing::Values(TransferDirection::Send,
                                                          TransferDirection::Receive)),
                         lineCaseName);

namespace {

class KermitPeerFailureTest : public testing::TestWithParam<TransferDirection> {};

std::string directionName(const testing::TestParamInfo<TransferDirection> &info) {
    return info.param == TransferDirection::Send ? "FromUs" : "ToUs";
}

} // namespace

TEST_P(KermitPeerFailureTest, AKilledPeerEndsOurSideWithinTheTimeOut) {
    const TransferDirection ours = GetParam();
    SessionOptions options;
    options.timeoutMs = 2000;
    Session session(Peer::GKermit, ours, randomBytes(1 << 20, 8), options);
    int64_t killedAt = 0;
    session.host().onEvent = [&](TransferEvent event) {
        if (event == TransferEvent::TransferBlock &&
            session.host().count(TransferEvent::TransferBlock) == 3) {
            session.peer().kill();
            killedAt = monotonicMs();
        }
    };
    ASSERT_TRUE(session.run(60000));
    ASSERT_NE(killedAt, 0);
    EXPECT_LE(monotonicMs() - killedAt, 2000 + 1000);
    EXPECT_EQ(session.host().events.back(),
              std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_EQ(session.host().endEvents(), 1);
    if (ours == TransferDirection::Receive) {
        EXPECT_FALSE(std::filesystem::exists(session.receivedPath())) << "a partial file stayed";
    }
}

TEST_P(KermitPeerFailureTest, OurAbortStopsThePeer) {
    const TransferDirection ours = GetParam();
    // G-Kermit's debug log (in its folder) shows what it received.
    SessionOptions options;
    options.peerArguments = {"-d", "debug.log"};
    Session session(Peer::GKermit, ours, randomBytes(1 << 20, 9), options);
    session.host().onEvent = [&](TransferEvent event) {
        if (event == TransferEvent::TransferBlock && session.host().count(TransferEvent::TransferBlock) == 3)
            session.engine().abort();
    };
    ASSERT_TRUE(session.run(60000));
    EXPECT_EQ(session.host().events.back(),
              std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_EQ(session.host().endEvents(), 1);
    const auto status = session.peer().wait(5000);
    ASSERT_TRUE(status) << "the peer did not stop";
    EXPECT_NE(*status, 0);
    EXPECT_NE(session.peerFile("debug.log").find("rpacket type=E"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Directions, KermitPeerFailureTest,
                         testing::Values(TransferDirection::Send, TransferDirection::Receive), directionName);

TEST(KermitPeerTest, AnErrorFromThePeerEndsOurSide) {
    // G-Kermit cannot store the file under a folder that does not exist and says so.
    SessionOptions options;
    options.peerArguments = {"-a", "/nonexistent/folder/data.bin"};
    Session session(Peer::GKermit, TransferDirection::Send, "text", options);
    ASSERT_TRUE(session.run(30000));
    EXPECT_EQ(session.host().events.back(),
              std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_EQ(session.host().endEvents(), 1);
}
