// The ZModem engines against each other and against hand-made frames, on a
// line that exists only in memory and a clock that the test moves.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "PtyPeer.h"
#include "serial/TransferEngine.h"
#include "serial/ZModemCodec.h"
#include "serial/ZModemReader.h"

namespace Platform::Serial::Testing {
namespace {

using namespace ZModem;
using Kind = ZModemReader::Kind;

const std::string cancelSequence = std::string(10, '\x18') + std::string(10, '\b');

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(size, '\0');
    for (char &c : s)
        c = static_cast<char>(random());
    return s;
}

struct Side {
    RecordingHost host;
    std::unique_ptr<TransferEngine> engine;
};

// Moves bytes between the two engines until both have finished; the clock
// moves on only while the line is quiet. `damage` may change bytes in flight.
void exchange(Side &sender, Side &receiver, const std::function<void(std::string &, bool toReceiver)> &damage,
              int rounds = 1000000) {
    int64_t now = 5000;
    sender.engine->tick(now);
    receiver.engine->tick(now);
    while (!(sender.engine->finished() && receiver.engine->finished()) && now < 600000 && rounds-- > 0) {
        bool moved = false;
        for (auto [from, to, toReceiver] :
             {std::tuple{&sender, &receiver, true}, std::tuple{&receiver, &sender, false}}) {
            if (from->host.sent.empty())
                continue;
            std::string bytes = std::move(from->host.sent);
            from->host.sent.clear();
            damage(bytes, toReceiver);
            to->engine->receive(bytes);
            moved = true;
        }
        sender.engine->outputDrained();
        if (!moved) {
            now += 100;
            sender.engine->tick(now);
            receiver.engine->tick(now);
        }
    }
}

std::vector<std::string> names(const RecordingHost &host) {
    static const char *text[] = {"WaitForFile", "PrepareFile",        "StartFile", "TransferBlock",
                                 "FinishFile",  "FinishFileTransfer", "AbortFile", "AbortFileTransfer"};
    std::vector<std::string> out;
    for (const auto &[event, status] : host.events)
        if (out.empty() || out.back() != text[static_cast<int>(event)])
            out.push_back(text[static_cast<int>(event)]);
    return out;
}

class ZModemEngines : public ::testing::Test {
protected:
    void start(const std::string &data, TransferOptions senderOptions = {}) {
        writeFile(folder_.file("source.bin"), data);
        senderOptions.direction = TransferDirection::Send;
        senderOptions.path = folder_.file("source.bin");
        TransferOptions receiverOptions;
        receiverOptions.direction = TransferDirection::Receive;
        receiverOptions.path = folder_.path();
        receiver_.host.destination = folder_.file("received.bin");
        sender_.engine = makeZModemEngine(sender_.host, senderOptions);
        receiver_.engine = makeZModemEngine(receiver_.host, receiverOptions);
        receiver_.engine->start();
        sender_.engine->start();
    }

    std::string received() const { return readFile(folder_.file("received.bin")); }

    TempFolder folder_;
    Side sender_;
    Side receiver_;
};

TEST_F(ZModemEngines, AgreeOnEveryKindOfFile) {
    std::string all;
    for (int i = 0; i < 65536; ++i)
        all.push_back(static_cast<char>(i));
    for (const std::string &data :
         {std::string(), std::string("Z"), randomBytes(1023, 1), all, randomBytes(300000, 2)}) {
        SCOPED_TRACE(data.size());
        sender_ = {};
        receiver_ = {};
        start(data);
        exchange(sender_, receiver_, [](std::string &, bool) {});
        EXPECT_EQ(sender_.host.lastStatus(), SerialFTStatus_Success);
        EXPECT_EQ(receiver_.host.lastStatus(), SerialFTStatus_Success);
        EXPECT_TRUE(received() == data);
        EXPECT_EQ(receiver_.host.announcedName, "source.bin");
        EXPECT_EQ(receiver_.host.announcedSize, int64_t(data.size()));
        EXPECT_EQ(sender_.host.lastTransferred, int64_t(data.size()));
        EXPECT_EQ(sender_.host.endEvents(), 1);
        EXPECT_EQ(receiver_.host.endEvents(), 1);
        std::vector<std::string> course = {"WaitForFile", "PrepareFile", "StartFile"};
        if (!data.empty())
            course.push_back("TransferBlock");
        course.insert(course.end(), {"FinishFile", "FinishFileTransfer"});
        EXPECT_EQ(names(receiver_.host), course);
        course.erase(course.begin(), course.begin() + 2);
        EXPECT_EQ(names(sender_.host), course);
    }
}

TEST_F(ZModemEngines, RecoverFromDamageInBothDirections) {
    const std::string data = randomBytes(200000, 3);
    start(data);
    std::mt19937 random(4);
    int faults = 0;
    exchange(sender_, receiver_, [&](std::string &bytes, bool toReceiver) {
        // Roughly one damaged byte in 5000 on the way there, one in 40 on the way back.
        for (char &c : bytes)
            if (random() % (toReceiver ? 5000 : 40) == 0) {
                c = static_cast<char>(c ^ (1 << (random() % 8)));
                ++faults;
            }
    });
    EXPECT_GT(faults, 20);
    EXPECT_EQ(receiver_.host.lastStatus(), SerialFTStatus_Success);
    EXPECT_EQ(sender_.host.lastStatus(), SerialFTStatus_Success);
    EXPECT_TRUE(received() == data);
}

// Reads what the sender put on the line.
std::vector<ZModemReader::Item> framesOf(const std::string &line, std::vector<std::string> &store) {
    std::vector<ZModemReader::Item> items;
    ZModemReader reader;
    store.clear();
    store.reserve(line.size());
    reader.feed(line, [&](const ZModemReader::Item &item) {
        store.emplace_back(item.data);
        items.push_back(item);
        items.back().data = {};
    });
    return items;
}

std::string hex(const Header &header) {
    std::string out;
    appendHexHeader(out, header);
    return out;
}

TEST_F(ZModemEngines, SenderFollowsWhatTheReceiverOffers) {
    const std::string data = randomBytes(10000, 5);
    std::vector<std::string> store;
    for (uint8_t flags : {uint8_t(CANFDX | CANOVIO), uint8_t(CANFDX | CANOVIO | CANFC32 | ESCCTL)}) {
        sender_ = {};
        start(data);
        sender_.engine->receive(hex(Header::withFlags(ZRINIT, flags)));
        sender_.engine->receive(hex(Header::withPosition(ZRPOS, 0)));
        auto frames = framesOf(sender_.host.sent, store);
        ASSERT_GE(frames.size(), 3u);
        EXPECT_EQ(frames[0].header.type, ZFILE);
        // CRC-32 only where offered.
        EXPECT_EQ(frames[0].crc32, (flags & CANFC32) != 0);
        // Every control character escaped where asked: none goes plain.
        // The data: after the ZFILE frame and the ZDATA header's start.
        std::string line = sender_.host.sent;
        std::size_t controls = 0;
        for (std::size_t i = line.find("*\x18", 1) + 2; i < line.size(); ++i)
            if ((static_cast<uint8_t>(line[i]) & 0x60) == 0 && line[i] != '\x18')
                ++controls;
        if (flags & ESCCTL) {
            EXPECT_EQ(controls, 0u);
        } else {
            EXPECT_GT(controls, 0u);
        }
    }
}

TEST_F(ZModemEngines, SenderHonoursTheReceiverBufferSize) {
    const std::string data = randomBytes(10000, 6);
    start(data);
    Header init = Header::withFlags(ZRINIT, CANFDX | CANOVIO | CANFC32);
    init.bytes[ZP0] = 0x00; // 2048 bytes
    init.bytes[ZP1] = 0x08;
    sender_.engine->receive(hex(init));
    sender_.host.sent.clear();
    std::vector<std::string> store;
    int64_t acked = 0;
    sender_.engine->receive(hex(Header::withPosition(ZRPOS, 0)));
    while (acked < int64_t(data.size())) {
        auto frames = framesOf(sender_.host.sent, store);
        sender_.host.sent.clear();
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.front().header, Header::withPosition(ZDATA, uint32_t(acked)));
        // Up to the buffer's end and no further, ending with a ZCRCW (or the file's end).
        int64_t got = 0;
        for (std::size_t i = 1; i < frames.size() && frames[i].kind == Kind::Subpacket; ++i) {
            got += int64_t(store[i].size());
            if (frames[i].frameEnd == ZCRCW || frames[i].frameEnd == ZCRCE) {
                EXPECT_EQ(i, frames.size() - (frames[i].frameEnd == ZCRCE ? 2 : 1));
            }
        }
        EXPECT_EQ(got, std::min<int64_t>(2048, int64_t(data.size()) - acked));
        acked += got;
        // Nothing more comes before the answer.
        sender_.engine->outputDrained();
        EXPECT_TRUE(sender_.host.sent.empty());
        if (acked < int64_t(data.size()))
            sender_.engine->receive(hex(Header::withPosition(ZACK, uint32_t(acked))));
    }
}

TEST_F(ZModemEngines, ReceiverAnswersQuestionsAndAsksAgainAfterDamage) {
    TransferOptions options;
    options.direction = TransferDirection::Receive;
    receiver_.host.destination = folder_.file("received.bin");
    receiver_.engine = makeZModemEngine(receiver_.host, options);
    receiver_.engine->start();
    Escaper escaper;
    std::string line;
    appendBinaryHeader(line, Header::withFlags(ZFILE, ZCBIN), true, escaper);
    appendSubpacket(line,
                    std::string("f.bin\0"
                                "6 0 0",
                                11),
                    ZCRCW, true, escaper);
    receiver_.engine->receive(line);
    EXPECT_EQ(receiver_.host.sent.substr(receiver_.host.sent.size() - 21),
              hex(Header::withPosition(ZRPOS, 0)));
    EXPECT_EQ(receiver_.host.announcedName, "f.bin");
    EXPECT_EQ(receiver_.host.announcedSize, 6);

    auto answerTo = [&](const std::string &bytes) {
        receiver_.host.sent.clear();
        receiver_.engine->receive(bytes);
        return receiver_.host.sent;
    };
    // A frame at another place than ours: asked again from ours.
    line.clear();
    appendBinaryHeader(line, Header::withPosition(ZDATA, 3), true, escaper);
    appendSubpacket(line, "def", ZCRCG, true, escaper);
    EXPECT_EQ(answerTo(line), hex(Header::withPosition(ZRPOS, 0)));
    // ZCRCQ wants a ZACK and the frame goes on; ZCRCW wants one and the frame ends.
    line.clear();
    appendBinaryHeader(line, Header::withPosition(ZDATA, 0), true, escaper);
    appendSubpacket(line, "ab", ZCRCQ, true, escaper);
    EXPECT_EQ(answerTo(line), hex(Header::withPosition(ZACK, 2)));
    line.clear();
    appendSubpacket(line, "c", ZCRCW, true, escaper);
    EXPECT_EQ(answerTo(line), hex(Header::withPosition(ZACK, 3)));
    // A damaged subpacket: asked again from what arrived whole.
    line.clear();
    appendBinaryHeader(line, Header::withPosition(ZDATA, 3), true, escaper);
    appendSubpacket(line, "dXf", ZCRCE, true, escaper);
    line[line.find("dXf") + 1] = 'e';
    EXPECT_EQ(answerTo(line), hex(Header::withPosition(ZRPOS, 3)));
    line.clear();
    appendBinaryHeader(line, Header::withPosition(ZDATA, 3), true, escaper);
    appendSubpacket(line, "def", ZCRCE, true, escaper);
    appendBinaryHeader(line, Header::withPosition(ZEOF, 6), true, escaper);
    EXPECT_EQ(answerTo(line), hex(Header::withFlags(ZRINIT, CANFDX | CANOVIO | CANFC32)));
    EXPECT_EQ(readFile(folder_.file("received.bin")), "abcdef");
    EXPECT_EQ(answerTo(hex(Header::withPosition(ZFIN, 0))), hex(Header::withPosition(ZFIN, 0)));
    receiver_.engine->receive("OO");
    EXPECT_TRUE(receiver_.engine->finished());
    EXPECT_EQ(receiver_.host.lastStatus(), SerialFTStatus_Success);
}

TEST_F(ZModemEngines, SilentPeerMeetsRetriesAndThenTheTimeOut) {
    for (auto direction : {TransferDirection::Send, TransferDirection::Receive}) {
        Side side;
        writeFile(folder_.file("source.bin"), "data");
        TransferOptions options;
        options.direction = direction;
        options.path = folder_.file("source.bin");
        options.timeoutMs = 10000;
        side.engine = makeZModemEngine(side.host, options);
        side.engine->start();
        std::vector<int64_t> calls;
        int64_t now = 1000000;
        for (; !side.engine->finished() && now < 1000000 + 20000; now += 100) {
            side.engine->tick(now);
            if (!side.host.sent.empty() && side.host.sent.find('\b') == std::string::npos)
                calls.push_back(now - 1000000);
            side.host.sent.clear();
        }
        ASSERT_TRUE(side.engine->finished());
        // The first call after a second of silence, then one every two seconds.
        ASSERT_GE(calls.size(), 4u);
        EXPECT_EQ(calls[0], 1000);
        EXPECT_EQ(calls[1], 3000);
        EXPECT_EQ(calls[2], 5000);
        // Given up after ten seconds of silence, counted at the latest from the first call.
        EXPECT_GE(now - 1000000, 10000);
        EXPECT_LE(now - 1000000, calls[0] + 10300);
        EXPECT_EQ(side.host.events.back(),
                  std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure));
    }
}

TEST_F(ZModemEngines, CancelsFromEitherSideEndTheTransfer) {
    const std::string data = randomBytes(100000, 7);
    // Ours: the engine tells the peer and ends at once.
    start(data);
    exchange(
        sender_, receiver_, [](std::string &, bool) {}, 6); // under way, not done
    ASSERT_FALSE(sender_.engine->finished());
    sender_.engine->abort();
    EXPECT_TRUE(sender_.engine->finished());
    EXPECT_EQ(sender_.host.sent.substr(sender_.host.sent.size() - cancelSequence.size()), cancelSequence);
    EXPECT_EQ(sender_.host.events.back(),
              std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    // Theirs: five CAN reach the receiver, which drops the partial file.
    receiver_.engine->receive(sender_.host.sent);
    EXPECT_TRUE(receiver_.engine->finished());
    EXPECT_EQ(receiver_.host.events.back(),
              std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_FALSE(std::filesystem::exists(folder_.file("received.bin")));
}

} // namespace
} // namespace Platform::Serial::Testing
