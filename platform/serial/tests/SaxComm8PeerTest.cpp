// The control's file transfers against independent peers: lrzsz's rz and sz
// for ZModem, G-Kermit and C-Kermit for Kermit. Our control holds COM1, one
// end of a pseudo-terminal line; the peer sits on the far end behind a relay
// that may make the line 7-bit or noisy.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

#include "ControlHarness.h"
#include "PtyPeer.h"
#include "messages/MessagePump.h"

namespace Platform::Serial::Testing {
namespace {

using Names = std::vector<std::string>;
constexpr auto Send = TransferDirection::Send;
constexpr auto Receive = TransferDirection::Receive;

// A peer program: how it receives, how it sends (the file name follows),
// the arguments that make it use short packets, and the XferStatus our side
// ends with when the peer falls silent.
struct Peer {
    const char* name;
    int32_t protocol;
    Names receive;
    Names send;
    Names shortPackets;
    enumSerialFTStatus lost;
};

const Peer lrzsz{"Lrzsz", SerialFTProtocol_ZModem, {"rz", "-q"}, {"sz", "-q"}, {}, SerialFTStatus_Failure};
const Peer gkermit{"GKermit",
                   SerialFTProtocol_KERMIT,
                   {"gkermit", "-i", "-P", "-w", "-r"},
                   {"gkermit", "-i", "-P", "-s"},
                   {"-e", "60"},
                   SerialFTStatus_TransferAbort};
// C-Kermit reads the commands for short packets from a file (it ignores -C
// beside a transfer): it takes at most 90 and wants check 2, which we take
// when it sends and which leaves check 1 when it receives.
const char* const ckermitShortPackets = "set block-check 2\nset receive packet-length 90\n";
const Peer ckermit{"CKermit",
                   SerialFTProtocol_KERMIT,
                   {"kermit", "-Y", "-i", "-P", "-w", "-r"},
                   {"kermit", "-Y", "-i", "-P", "-s"},
                   {"../short.ksc"},
                   SerialFTStatus_TransferAbort};

void PrintTo(const Peer* peer, std::ostream* out) {
    *out << peer->name;
}

std::string directionName(TransferDirection ours) {
    return ours == Send ? "FromUs" : "ToUs";
}

class PeerTransfer : public ::testing::Test {
protected:
    PeerTransfer() {
        std::filesystem::create_directory(work_.file("src"));
        std::filesystem::create_directory(work_.file("dst"));
    }

    // Opens our COM1 for the peer's protocol, wired to the peer's line
    // through a relay that models the line.
    void connect(const Peer& peer, LineModel toPeer = {}, LineModel fromPeer = {},
                 const std::string& settings = "115200,n,8,1") {
        relay_ = std::make_unique<Relay>(ours_.master(), theirs_.master(), toPeer, fromPeer);
        com_ = std::make_unique<ComDir>(ours_.slaveName());
        control_ = makeControl();
        control_->setSettings(settings);
        control_->setPortOpen(true);
        control_->setXferProtocol(peer.protocol);
        watch_ = std::make_unique<TransferWatch>(*control_);
    }

    // Moves src/sample.bin (holding data) to dst/: we upload it to the peer
    // receiving in dst/, or the peer sends it from src/ to our download.
    // The extra arguments go to the peer before its usual ones.
    void transfer(const Peer& peer, TransferDirection ours, const std::string& data,
                  const Names& extra = {}) {
        writeFile(src("sample.bin"), data);
        Names argv = ours == Send ? peer.receive : peer.send;
        argv.insert(argv.begin() + 1, extra.begin(), extra.end());
        if (ours == Send) {
            startPeer(argv, work_.file("dst"));
            control_->setUpload(src("sample.bin"));
        } else {
            argv.push_back("sample.bin");
            control_->setDownload(work_.file("dst"));
            startPeer(argv, work_.file("src"));
        }
    }

    void startPeer(const Names& argv, const std::string& folder) {
        peer_ = std::make_unique<PeerProcess>(argv, theirs_.slave(), folder, work_.file("peer.log"));
    }

    bool waitForEnd(int timeoutMs = 120000) {
        return pumpUntil([&] { return watch_->ended(); }, timeoutMs);
    }

    // The whole course of events, the end status, the peer's success and the file byte for byte.
    void expectDelivered(TransferDirection ours, const std::string& data) {
        ASSERT_TRUE(waitForEnd()) << peerLog();
        Names course;
        for (const std::string& name : watch_->events)
            if (name != "TransferBlock")
                course.push_back(name);
        Names expected{"StartFile", "FinishFile", "FinishFileTransfer"};
        if (ours == Receive)
            expected.insert(expected.begin(), {"WaitForFile", "PrepareFile"});
        EXPECT_EQ(course, expected);
        EXPECT_EQ(watch_->saw("TransferBlock"), !data.empty());
        EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
        EXPECT_EQ(control_->XferStatus(), SerialFTStatus_Success);
        EXPECT_EQ(control_->XferTransferred(), static_cast<int32_t>(data.size()));
        EXPECT_EQ(control_->XferFileSize(), static_cast<int32_t>(data.size()));
        if (ours == Receive) {
            EXPECT_EQ(control_->XferSourceFilename(), "sample.bin");
            EXPECT_EQ(control_->XferDestFilename(), dst("sample.bin"));
        }
        EXPECT_FALSE(control_->Busy());
        EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
        EXPECT_TRUE(readFile(dst("sample.bin")) == data) << "the file differs";
    }

    // The transfer was given up once, and a partly received file did not stay.
    void expectGivenUp(TransferDirection ours, enumSerialFTStatus status) {
        EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
        EXPECT_EQ(watch_->statusAtEnd, status);
        EXPECT_EQ(watch_->ends(), 1);
        EXPECT_FALSE(control_->Busy());
        if (ours == Receive) {
            EXPECT_FALSE(std::filesystem::exists(dst("sample.bin"))) << "a partial file stayed";
        }
    }

    // Calls act once, from an event handler, when 64 KiB went through.
    void after64K(std::function<void()> act) {
        watch_->onEvent = [this, act, done = false](const std::string&) mutable {
            if (!done && control_->XferTransferred() >= 65536) {
                done = true;
                act();
            }
        };
    }

    std::string src(const std::string& name) const { return work_.file("src/" + name); }
    std::string dst(const std::string& name) const { return work_.file("dst/" + name); }
    std::string peerLog() const { return readFile(work_.file("peer.log")); }

    TempFolder work_;
    Pty ours_;
    Pty theirs_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<ComDir> com_;
    Automation::Ref<SaxComm8> control_;
    std::unique_ptr<TransferWatch> watch_;
    std::unique_ptr<PeerProcess> peer_;
};

// Every peer, both ways, every sample file.
using FileCase = std::tuple<const Peer*, TransferDirection, std::size_t>;

class PeerFiles : public PeerTransfer, public ::testing::WithParamInterface<FileCase> {};

std::string fileCaseName(const ::testing::TestParamInfo<FileCase>& info) {
    const auto [peer, ours, index] = info.param;
    return peer->name + directionName(ours) + sampleFiles()[index].name;
}

TEST_P(PeerFiles, ArriveByteExact) {
    const auto [peer, ours, index] = GetParam();
    const std::string& data = sampleFiles()[index].bytes;
    connect(*peer);
    transfer(*peer, ours, data);
    expectDelivered(ours, data);
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerFiles,
                         ::testing::Combine(::testing::Values(&lrzsz, &gkermit, &ckermit),
                                            ::testing::Values(Send, Receive),
                                            ::testing::Range(std::size_t{0}, sampleFiles().size())),
                         fileCaseName);

// Lines and options that change what goes over the line.
struct LineCase {
    const Peer* peer = nullptr;
    TransferDirection ours = Send;
    const char* name = "";
    // The settings of a line that carries 7 bits: the relay strips bit 7 both ways.
    const char* sevenBit = nullptr;
    bool noisy = false;
    bool escapeControl = false;
    Names peerArgs = {};
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.peer->name << directionName(c.ours) << c.name;
}

std::vector<LineCase> lineCases() {
    std::vector<LineCase> cases;
    for (TransferDirection ours : {Send, Receive}) {
        for (const Peer* peer : {&lrzsz, &gkermit, &ckermit})
            cases.push_back({.peer = peer, .ours = ours, .name = "Noisy", .noisy = true});
        // Kermit where the eighth bit is lost: the control must have the engine prefix it.
        for (const Peer* peer : {&gkermit, &ckermit}) {
            cases.push_back(
                {.peer = peer, .ours = ours, .name = "SevenDataBits", .sevenBit = "115200,n,7,1"});
            cases.push_back({.peer = peer, .ours = ours, .name = "EvenParity", .sevenBit = "115200,e,8,1"});
            cases.push_back(
                {.peer = peer, .ours = ours, .name = "ShortPackets", .peerArgs = peer->shortPackets});
        }
    }
    // sz escaping every control character and sending 8 KiB subpackets; our own escaping.
    cases.push_back({.peer = &lrzsz, .ours = Receive, .name = "EscapeAll", .peerArgs = {"-e"}});
    cases.push_back({.peer = &lrzsz, .ours = Receive, .name = "Blocks8K", .peerArgs = {"-8"}});
    cases.push_back({.peer = &lrzsz, .ours = Send, .name = "EscapeAll", .escapeControl = true});
    return cases;
}

class PeerLines : public PeerTransfer, public ::testing::WithParamInterface<LineCase> {};

TEST_P(PeerLines, CarryTheFileByteExact) {
    const LineCase& c = GetParam();
    const std::string data = allByteValues() + randomBytes(192 * 1024, 5);
    // Faults strike one byte in 30000 of the long data packets, one in 200
    // of the short answers going back.
    const bool strip = c.sevenBit != nullptr;
    const LineModel dataFaults{strip, c.noisy ? 30000 : 0, c.noisy ? 30000 : 0, 21};
    const LineModel answerFaults{strip, c.noisy ? 200 : 0, c.noisy ? 200 : 0, 22};
    writeFile(work_.file("short.ksc"), ckermitShortPackets);
    connect(*c.peer, c.ours == Send ? dataFaults : answerFaults, c.ours == Send ? answerFaults : dataFaults,
            strip ? c.sevenBit : "115200,n,8,1");
    control_->setXferEscapeControl(c.escapeControl);
    // Kermit retries a lost packet after a third of the time-out: a shorter one keeps the noise quick.
    if (c.noisy && c.peer->protocol == SerialFTProtocol_KERMIT)
        control_->setXferTimeout(3000);
    transfer(*c.peer, c.ours, data, c.peerArgs);
    expectDelivered(c.ours, data);
    if (c.noisy) {
        EXPECT_GE(relay_->faults(), 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerLines, ::testing::ValuesIn(lineCases()), [](const auto& info) {
    return info.param.peer->name + directionName(info.param.ours) + info.param.name;
});

// One peer of each protocol, both ways.
using FailureCase = std::tuple<const Peer*, TransferDirection>;

class PeerFailures : public PeerTransfer, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PeerFailures, AKilledPeerEndsOurSideWithinTheTimeOut) {
    const auto [peer, ours] = GetParam();
    connect(*peer);
    control_->setXferTimeout(3000);
    int64_t killedAt = 0;
    after64K([&] {
        peer_->kill();
        killedAt = monotonicMs();
    });
    transfer(*peer, ours, randomBytes(2 << 20, 8));
    ASSERT_TRUE(waitForEnd(30000));
    ASSERT_NE(killedAt, 0);
    EXPECT_LE(monotonicMs() - killedAt, 3000 + 2000);
    expectGivenUp(ours, peer->lost);
}

TEST_P(PeerFailures, OurAbortStopsThePeer) {
    const auto [peer, ours] = GetParam();
    connect(*peer);
    after64K([&] {
        control_->setAbortTransfer(true);
        // The abort is raised later, never inside the setter.
        EXPECT_FALSE(watch_->ended());
    });
    transfer(*peer, ours, randomBytes(2 << 20, 9));
    ASSERT_TRUE(waitForEnd(30000));
    expectGivenUp(ours, SerialFTStatus_TransferAbort);
    // Told, the peer stops at once rather than after its own time-outs.
    const auto status = peer_->wait(5000);
    ASSERT_TRUE(status.has_value()) << "the peer did not stop";
    EXPECT_NE(*status, 0);
}

TEST_P(PeerFailures, ASilentLineEndsTheTransferAfterTheTimeOut) {
    const auto [peer, ours] = GetParam();
    connect(*peer);
    control_->setXferTimeout(1500);
    const int64_t started = monotonicMs();
    writeFile(src("sample.bin"), "data");
    if (ours == Send) {
        control_->setUpload(src("sample.bin"));
    } else {
        control_->setDownload(work_.file("dst"));
    }
    ASSERT_TRUE(waitForEnd(10000));
    EXPECT_GE(monotonicMs() - started, 1500);
    EXPECT_LE(monotonicMs() - started, 1500 + 2000);
    expectGivenUp(ours, peer->lost);
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerFailures,
                         ::testing::Combine(::testing::Values(&lrzsz, &gkermit),
                                            ::testing::Values(Send, Receive)),
                         [](const auto& info) {
                             return std::get<0>(info.param)->name + directionName(std::get<1>(info.param));
                         });

// Peers that keep parity in the eighth bit of an 8-bit line. Our side is
// not told: it finds the parity in the peer's first packet.
struct ParityCase {
    const Peer* peer;
    TransferDirection ours;
    const char* parity;
};

std::vector<ParityCase> parityCases() {
    std::vector<ParityCase> cases;
    for (TransferDirection ours : {Send, Receive})
        for (const Peer* peer : {&gkermit, &ckermit})
            for (const char* parity : {"even", "odd", "mark", "space"})
                cases.push_back({peer, ours, parity});
    return cases;
}

void PrintTo(const ParityCase& c, std::ostream* out) {
    *out << c.peer->name << directionName(c.ours) << c.parity;
}

class PeerParity : public PeerTransfer, public ::testing::WithParamInterface<ParityCase> {};

TEST_P(PeerParity, CarriesTheFileByteExact) {
    const ParityCase& c = GetParam();
    const std::string data = allByteValues() + randomBytes(64 * 1024, 6);
    writeFile(work_.file("parity.ksc"), std::string("set parity ") + c.parity + "\n");
    const Names setParity =
        c.peer == &gkermit ? Names{"-p", std::string(1, c.parity[0])} : Names{"../parity.ksc"};
    connect(*c.peer);
    transfer(*c.peer, c.ours, data, setParity);
    expectDelivered(c.ours, data);
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerParity, ::testing::ValuesIn(parityCases()), [](const auto& info) {
    return info.param.peer->name + directionName(info.param.ours) + info.param.parity;
});

// A line that flips a bit in about one byte of 5000, both ways: what the
// noise spoils goes again at once, and 1 MiB gets through within a minute.
class KermitNoise : public PeerTransfer, public ::testing::WithParamInterface<TransferDirection> {};

TEST_P(KermitNoise, OneMegabyteWithinAMinute) {
    const TransferDirection ours = GetParam();
    const std::string data = randomBytes(1 << 20, 11);
    connect(gkermit, {.flipOneIn = 5000, .seed = 31}, {.flipOneIn = 5000, .seed = 32});
    const int64_t started = monotonicMs();
    transfer(gkermit, ours, data);
    expectDelivered(ours, data);
    EXPECT_LT(monotonicMs() - started, 60000);
    EXPECT_GE(relay_->faults(), 100);
}

INSTANTIATE_TEST_SUITE_P(GKermit, KermitNoise, ::testing::Values(Send, Receive),
                         [](const auto& info) { return directionName(info.param); });

// One frame end or answer lost on its way, at a fixed place: the side left
// waiting for the other asks again, and the file arrives whole.
struct LostCase {
    const char* name;
    const Peer* peer;
    Names peerArgs;
    LineModel toPeer;
    LineModel fromPeer;
};

void PrintTo(const LostCase& c, std::ostream* out) {
    *out << c.name;
}

class LostOnce : public PeerTransfer, public ::testing::WithParamInterface<LostCase> {};

TEST_P(LostOnce, TheWaitingSideAsksAgain) {
    const LostCase& c = GetParam();
    const std::string data = allByteValues() + randomBytes(192 * 1024, 7);
    connect(*c.peer, c.toPeer, c.fromPeer);
    transfer(*c.peer, Receive, data, c.peerArgs);
    expectDelivered(Receive, data);
    EXPECT_EQ(relay_->faults(), int(c.toPeer.drops.size() + c.fromPeer.drops.size()))
        << "the bytes to drop never came";
}

INSTANTIATE_TEST_SUITE_P(
    Peers, LostOnce,
    ::testing::Values(
        // After a reposition sz asks for an acknowledgement at the end of the
        // first subpacket; the damage of a lost ZCRCG makes us ask for one.
        LostCase{"ZModemZcrcw", &lrzsz, {}, {}, {.drops = {{"\x18i", 3}, {"\x18k", 1}}}},
        // sz -w 1024 waits for the answer to each ZCRCQ.
        LostCase{"ZModemZcrcq", &lrzsz, {"-w", "1024"}, {}, {.drops = {{"\x18j", 3}}}},
        LostCase{"ZModemZcrce", &lrzsz, {}, {}, {.drops = {{"\x18h", 1}}}},
        LostCase{"ZModemZackHeader",
                 &lrzsz,
                 {"-w", "1024"},
                 {.drops = {{"**\x18"
                             "B03",
                             3}}},
                 {}},
        // Our ACK of the second data packet (4).
        LostCase{"KermitAck", &gkermit, {"-b", "0"}, {.drops = {{"\x01%$Y", 1}}}, {}},
        // The mark of the third data packet (5), and our NAK of it.
        LostCase{
            "KermitNak", &gkermit, {"-b", "0"}, {.drops = {{"\x01%%N", 1}}}, {.drops = {{"\x01 %D", 1}}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Kermit senders put names in upper case; a receiver here stores such a name
// in lower case, unless the PrepareFile handler names the file itself.
class KermitNames : public PeerTransfer, public ::testing::WithParamInterface<const Peer*> {};

TEST_P(KermitNames, AnUpperCaseNameIsStoredInLowerCase) {
    const Peer& peer = *GetParam();
    const std::string data = randomBytes(1023, 14);
    writeFile(src("zdle.bin"), data);
    // Without -P the peer converts the name.
    Names argv = peer.send;
    argv.erase(std::find(argv.begin(), argv.end(), "-P"));
    argv.push_back("zdle.bin");
    connect(peer);
    control_->setDownload(work_.file("dst"));
    startPeer(argv, work_.file("src"));
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(control_->XferSourceFilename(), "ZDLE.BIN");
    EXPECT_EQ(control_->XferDestFilename(), dst("zdle.bin"));
    EXPECT_TRUE(readFile(dst("zdle.bin")) == data);
    EXPECT_FALSE(std::filesystem::exists(dst("ZDLE.BIN")));
    peer_->wait(10000);

    watch_ = std::make_unique<TransferWatch>(*control_);
    watch_->onEvent = [&](const std::string& name) {
        if (name == "PrepareFile")
            control_->setXferDestFilename(dst("ZDLE.BIN"));
    };
    control_->setDownload(work_.file("dst"));
    startPeer(argv, work_.file("src"));
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_TRUE(readFile(dst("ZDLE.BIN")) == data);
}

INSTANTIATE_TEST_SUITE_P(Peers, KermitNames, ::testing::Values(&gkermit, &ckermit),
                         [](const auto& info) { return std::string(info.param->name); });

// A Kermit sender in text mode puts CR LF at every line end and says "text"
// in its attributes; the file is stored as it was on the sender's disk. In
// binary mode the same file comes byte for byte as it is.
class KermitText : public PeerTransfer, public ::testing::WithParamInterface<const Peer*> {};

TEST_P(KermitText, ArrivesAsItWasOnTheSendersDisk) {
    const Peer& peer = *GetParam();
    // CR LF lines, a lone CR, a CR just before a line end, a Ctrl-Z, no final line end;
    // long enough to put line ends across packets.
    std::string data;
    for (int i = 0; i < 400; ++i)
        data += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n") + "lone\rCR ctrl\x1AZ\r";
    data += "no end";
    for (const Names& mode : {Names{"-T"}, Names{"-i"}}) {
        SCOPED_TRACE(mode[0]);
        writeFile(src("text.txt"), data);
        Names argv = peer.send;
        argv.erase(std::find(argv.begin(), argv.end(), "-i"));
        if (&peer == &ckermit || mode[0] == "-i")
            argv.insert(argv.begin() + 1, mode[0]); // G-Kermit sends text unless told otherwise
        argv.push_back("text.txt");
        if (!control_)
            connect(peer);
        watch_ = std::make_unique<TransferWatch>(*control_);
        control_->setDownload(work_.file("dst"));
        startPeer(argv, work_.file("src"));
        ASSERT_TRUE(waitForEnd()) << peerLog();
        EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
        EXPECT_EQ(peer_->wait(10000), 0) << peerLog();
        EXPECT_TRUE(readFile(dst("text.txt")) == data) << "the file differs";
        EXPECT_EQ(control_->XferTransferred(), static_cast<int32_t>(data.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, KermitText, ::testing::Values(&ckermit, &gkermit),
                         [](const auto& info) { return std::string(info.param->name); });

// A download that fails leaves a file that was there before as it was, and
// nothing else behind; XferKeepPartial keeps what arrived under its name.
using KilledCase = std::tuple<const Peer*, bool>;

class KilledDownloads : public PeerTransfer, public ::testing::WithParamInterface<KilledCase> {};

TEST_P(KilledDownloads, LeaveTheExistingFileOrThePartialData) {
    const auto [peer, keepPartial] = GetParam();
    const std::string before = "the file as it was before\n";
    const std::string data = randomBytes(2 << 20, 15);
    writeFile(dst("sample.bin"), before);
    connect(*peer);
    control_->setXferTimeout(3000);
    control_->setXferKeepPartial(keepPartial);
    after64K([&] { peer_->kill(); });
    transfer(*peer, Receive, data);
    ASSERT_TRUE(waitForEnd(30000));
    EXPECT_EQ(watch_->events.back(), "AbortFileTransfer");
    const std::string now = readFile(dst("sample.bin"));
    if (keepPartial) {
        EXPECT_GE(now.size(), 65536u);
        EXPECT_TRUE(now == data.substr(0, now.size())) << "the partial data differs";
    } else {
        EXPECT_EQ(now, before);
    }
    Names left;
    for (const auto& entry : std::filesystem::directory_iterator(work_.file("dst")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, Names{"sample.bin"});
}

INSTANTIATE_TEST_SUITE_P(Peers, KilledDownloads,
                         ::testing::Combine(::testing::Values(&lrzsz, &gkermit), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)->name) +
                                    (std::get<1>(info.param) ? "KeepPartial" : "");
                         });

TEST_F(PeerTransfer, ZModemCancelFromTheLineEndsTheTransfer) {
    connect(lrzsz);
    after64K([&] {
        // The line may be full for a moment: the cancel goes in whole once there is room.
        const std::string cans(8, '\x18');
        const int64_t deadline = monotonicMs() + 5000;
        while (::write(ours_.master(), cans.data(), cans.size()) != 8 && monotonicMs() < deadline)
            SleepWithoutEvents(1);
    });
    transfer(lrzsz, Receive, randomBytes(2 << 20, 10));
    ASSERT_TRUE(waitForEnd(30000));
    expectGivenUp(Receive, SerialFTStatus_TransferAbort);
}

TEST_F(PeerTransfer, KermitErrorPacketFromThePeerEndsTheTransfer) {
    // G-Kermit cannot store the file under a folder that does not exist and says so.
    connect(gkermit);
    transfer(gkermit, Send, "text", {"-a", "/nonexistent/folder/sample.bin"});
    ASSERT_TRUE(waitForEnd(30000)) << peerLog();
    expectGivenUp(Send, SerialFTStatus_TransferAbort);
}

TEST_F(PeerTransfer, TheFileDataFindsTheLineAsSetWhateverTheFarSideOfAPseudoTerminalSet) {
    connect(lrzsz);
    tcflag_t inputFlags = ~tcflag_t(0);
    watch_->onEvent = [&](const std::string& name) {
        termios line{};
        if (name == "StartFile" && ::tcgetattr(ours_.master(), &line) == 0)
            inputFlags = line.c_iflag;
    };
    const std::string data = randomBytes(70000, 21);
    transfer(lrzsz, Receive, data);
    // As sz does when it sits on the far side of our own pseudo-terminal: the
    // line's settings are changed from there, here to XON/XOFF.
    termios line{};
    ASSERT_EQ(::tcgetattr(ours_.master(), &line), 0);
    line.c_iflag |= IXON | BRKINT;
    ASSERT_EQ(::tcsetattr(ours_.master(), TCSANOW, &line), 0);
    expectDelivered(Receive, data);
    EXPECT_EQ(inputFlags & (IXON | BRKINT), 0u);
}

TEST_F(PeerTransfer, ReceivedFileStaysInsideTheFolderOrGoesWherePrepareFileSays) {
    const std::string data = randomBytes(1023, 13);
    writeFile(src("sample.bin"), data);
    connect(lrzsz);
    // sz -f announces the full path of the file; only its last part is used.
    control_->setDownload(work_.file("dst"));
    startPeer({"sz", "-q", "-f", src("sample.bin")}, work_.file("src"));
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_EQ(control_->XferSourceFilename(), src("sample.bin"));
    EXPECT_TRUE(readFile(dst("sample.bin")) == data);
    peer_->wait(10000);

    // The PrepareFile handler names the destination, as the printer transfers do.
    watch_ = std::make_unique<TransferWatch>(*control_);
    watch_->onEvent = [&](const std::string& name) {
        if (name == "PrepareFile")
            control_->setXferDestFilename(work_.file("renamed.bin"));
    };
    transfer(lrzsz, Receive, data);
    ASSERT_TRUE(waitForEnd()) << peerLog();
    EXPECT_EQ(watch_->statusAtEnd, SerialFTStatus_Success);
    EXPECT_TRUE(readFile(work_.file("renamed.bin")) == data);
}

} // namespace
} // namespace Platform::Serial::Testing
