// The ZModem engine against hand-made frames, on a line that exists only
// in memory and a clock that the test moves.
#include <gtest/gtest.h>

#include <filesystem>

#include "PtyPeer.h"
#include "serial/TransferEngine.h"
#include "serial/ZModemCodec.h"
#include "serial/ZModemReader.h"

namespace Platform::Serial::Testing {
namespace {

using namespace ZModem;
using Kind = ZModemReader::Kind;

class ZModemEngine : public ::testing::Test {
protected:
    // A sender of data that has said its first word.
    void startSender(const std::string& data) {
        host_ = {};
        writeFile(folder_.file("source.bin"), data);
        engine_ = makeZModemEngine(host_, {TransferDirection::Send, folder_.file("source.bin")});
        engine_->start();
    }

    // A receiver for received.bin that has said its first word; returns the
    // sender's offer of a file described by `info` (name, NUL, size).
    std::string startReceiver(Escaper& escaper, const std::string& info) {
        host_.destination = folder_.file("received.bin");
        engine_ = makeZModemEngine(host_, {TransferDirection::Receive, folder_.path()});
        engine_->start();
        std::string line;
        appendBinaryHeader(line, Header::withFlags(ZFILE, ZCBIN), true, escaper);
        appendSubpacket(line, info, ZCRCW, true, escaper);
        return line;
    }

    TempFolder folder_;
    RecordingHost host_;
    std::unique_ptr<TransferEngine> engine_;
};

// Reads what the sender put on the line.
std::vector<ZModemReader::Item> framesOf(const std::string& line, std::vector<std::string>& store) {
    std::vector<ZModemReader::Item> items;
    ZModemReader reader;
    store.clear();
    store.reserve(line.size());
    reader.feed(line, [&](const ZModemReader::Item& item) {
        store.emplace_back(item.data);
        items.push_back(item);
        items.back().data = {};
    });
    return items;
}

// A receiver's ZRINIT with a buffer of that many bytes.
Header receiverInit(uint16_t buffer) {
    Header init = Header::withFlags(ZRINIT, CANFDX | CANOVIO | CANFC32);
    init.bytes[ZP0] = static_cast<uint8_t>(buffer);
    init.bytes[ZP1] = static_cast<uint8_t>(buffer >> 8);
    return init;
}

std::string hex(const Header& header) {
    std::string out;
    appendHexHeader(out, header);
    return out;
}

TEST_F(ZModemEngine, SenderFollowsWhatTheReceiverOffers) {
    const std::string data = randomBytes(10000, 5);
    std::vector<std::string> store;
    for (uint8_t flags : {uint8_t(CANFDX | CANOVIO), uint8_t(CANFDX | CANOVIO | CANFC32 | ESCCTL)}) {
        startSender(data);
        engine_->receive(hex(Header::withFlags(ZRINIT, flags)));
        engine_->receive(hex(Header::withPosition(ZRPOS, 0)));
        auto frames = framesOf(host_.sent, store);
        ASSERT_GE(frames.size(), 3u);
        EXPECT_EQ(frames[0].header.type, ZFILE);
        // CRC-32 only where offered.
        EXPECT_EQ(frames[0].crc32, (flags & CANFC32) != 0);
        // Every control character escaped where asked: none goes plain.
        // The data: after the ZFILE frame and the ZDATA header's start.
        std::string line = host_.sent;
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

TEST_F(ZModemEngine, SenderHonoursTheReceiverBufferSize) {
    const std::string data = randomBytes(10000, 6);
    startSender(data);
    const Header init = receiverInit(2048);
    engine_->receive(hex(init));
    host_.sent.clear();
    std::vector<std::string> store;
    int64_t acked = 0;
    engine_->receive(hex(Header::withPosition(ZRPOS, 0)));
    while (acked < int64_t(data.size())) {
        auto frames = framesOf(host_.sent, store);
        host_.sent.clear();
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
        engine_->outputDrained();
        EXPECT_TRUE(host_.sent.empty());
        if (acked < int64_t(data.size()))
            engine_->receive(hex(Header::withPosition(ZACK, uint32_t(acked))));
    }
}

TEST_F(ZModemEngine, AReceiverThatHasTheWholeFileEndsItsTransferWholeWhateverWasBeingSentAgain) {
    const std::string data = randomBytes(10000, 7);
    startSender(data);
    const Header init = receiverInit(2048);
    engine_->receive(hex(init));
    engine_->receive(hex(Header::withPosition(ZRPOS, 0)));
    for (uint32_t acked = 2048; acked < data.size(); acked += 2048)
        engine_->receive(hex(Header::withPosition(ZACK, acked)));
    EXPECT_EQ(host_.transferredBytes, 10000);
    // A late request for the middle, then the answer to the end: the
    // receiver had the file after all.
    engine_->receive(hex(Header::withPosition(ZRPOS, 4096)));
    EXPECT_EQ(host_.transferredBytes, 6144);
    engine_->receive(hex(init));
    engine_->receive(hex(Header::withPosition(ZFIN, 0)));
    EXPECT_EQ(host_.lastStatus(), SerialFTStatus_Success);
    EXPECT_EQ(host_.transferredBytes, 10000);
}

TEST_F(ZModemEngine, ReceiverAnswersQuestionsAndAsksAgainAfterDamage) {
    Escaper escaper;
    std::string line = startReceiver(escaper, std::string("f.bin\0"
                                                          "6 0 0",
                                                          11));
    engine_->receive(line);
    EXPECT_EQ(host_.sent.substr(host_.sent.size() - 21), hex(Header::withPosition(ZRPOS, 0)));
    EXPECT_EQ(host_.announcedName, "f.bin");
    EXPECT_EQ(host_.announcedSize, 6);

    auto answerTo = [&](const std::string& bytes) {
        host_.sent.clear();
        engine_->receive(bytes);
        return host_.sent;
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
    // The file takes its name once the sender has our answer to its end.
    EXPECT_FALSE(std::filesystem::exists(folder_.file("received.bin")));
    EXPECT_EQ(answerTo(hex(Header::withPosition(ZFIN, 0))), hex(Header::withPosition(ZFIN, 0)));
    EXPECT_EQ(readFile(folder_.file("received.bin")), "abcdef");
    EXPECT_EQ(host_.events.back(), std::pair(TransferEvent::FinishFile, SerialFTStatus_EndOfFile));
    engine_->receive("OO");
    EXPECT_TRUE(engine_->finished());
    EXPECT_EQ(host_.lastStatus(), SerialFTStatus_Success);
}

TEST_F(ZModemEngine, AFileThatArrivedWholeIsKeptWhenTheSenderVanishesAfterIt) {
    Escaper escaper;
    std::string line = startReceiver(escaper, std::string("f.bin\0"
                                                          "3",
                                                          7));
    appendBinaryHeader(line, Header::withPosition(ZDATA, 0), true, escaper);
    appendSubpacket(line, "xyz", ZCRCE, true, escaper);
    appendBinaryHeader(line, Header::withPosition(ZEOF, 3), true, escaper);
    engine_->receive(line);
    for (int64_t now = 1000000; !engine_->finished() && now < 1000000 + 30000; now += 100)
        engine_->tick(now);
    ASSERT_TRUE(engine_->finished());
    EXPECT_EQ(readFile(folder_.file("received.bin")), "xyz");
    const auto& events = host_.events;
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], std::pair(TransferEvent::FinishFile, SerialFTStatus_EndOfFile));
    EXPECT_EQ(events.back(), std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure));
}

// A frame end that the line spoiled leaves the sender waiting for our
// answer and us for the rest of the frame: once the line falls silent we ask
// again, for the file or for the data from what arrived whole, and give up
// only at the time-out.
TEST_F(ZModemEngine, ReceiverAsksAgainWhenTheLineFallsSilentWithinAFrame) {
    for (bool senderAnswers : {true, false}) {
        SCOPED_TRACE(senderAnswers ? "the sender answers" : "the sender stays silent");
        host_ = {};
        std::filesystem::remove(folder_.file("received.bin"));
        Escaper escaper;
        const std::string offer = startReceiver(escaper, std::string("f.bin\0"
                                                                     "6",
                                                                     7));
        int64_t now = 1000000;
        const int64_t begin = now;
        // Ticks until the engine sends something or `until` (from the beginning) passes.
        auto answerBy = [&](int64_t until) {
            host_.sent.clear();
            while (host_.sent.empty() && !engine_->finished() && now < begin + until)
                engine_->tick(now += 100);
            return host_.sent;
        };
        const std::string init = hex(Header::withFlags(ZRINIT, CANFDX | CANOVIO | CANFC32));
        engine_->tick(now);
        EXPECT_EQ(answerBy(1000), init);
        engine_->receive(offer.substr(0, offer.rfind("\x18k")));
        EXPECT_EQ(answerBy(2900), "");
        EXPECT_EQ(answerBy(3000), init);
        // What was cut off is void: the next offer is heard whole.
        host_.sent.clear();
        engine_->receive(offer);
        EXPECT_EQ(host_.sent, hex(Header::withPosition(ZRPOS, 0)));

        std::string line;
        appendBinaryHeader(line, Header::withPosition(ZDATA, 0), true, escaper);
        appendSubpacket(line, "abc", ZCRCG, true, escaper);
        engine_->receive(line + "de");
        const int64_t dataAt = now - begin;
        // Bytes still coming are no silence, however slowly they come.
        EXPECT_EQ(answerBy(dataAt + 1900), "");
        engine_->receive("f");
        const int64_t lastByteAt = now - begin;
        EXPECT_EQ(answerBy(lastByteAt + 1900), "");
        EXPECT_EQ(answerBy(lastByteAt + 2000), hex(Header::withPosition(ZRPOS, 3)));
        if (senderAnswers) {
            line.clear();
            appendBinaryHeader(line, Header::withPosition(ZDATA, 3), true, escaper);
            appendSubpacket(line, "def", ZCRCE, true, escaper);
            appendBinaryHeader(line, Header::withPosition(ZEOF, 6), true, escaper);
            host_.sent.clear();
            engine_->receive(line);
            EXPECT_EQ(host_.sent, init);
            engine_->receive(hex(Header::withPosition(ZFIN, 0)));
            engine_->receive("OO");
            EXPECT_EQ(host_.lastStatus(), SerialFTStatus_Success);
            EXPECT_EQ(readFile(folder_.file("received.bin")), "abcdef");
            continue;
        }
        // Asked again every two seconds until ten seconds after the last whole frame.
        std::vector<int64_t> asked;
        while (!engine_->finished() && now < begin + 30000)
            if (answerBy(30000) == hex(Header::withPosition(ZRPOS, 3)))
                asked.push_back(now - begin);
        EXPECT_EQ(asked, (std::vector<int64_t>{lastByteAt + 4000, lastByteAt + 6000, lastByteAt + 8000}));
        EXPECT_EQ(now - begin, dataAt + 10100);
        EXPECT_EQ(host_.events.back(), std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure));
        EXPECT_NE(host_.sent.find(std::string(5, '\x18')), std::string::npos) << "the sender was not told";
        EXPECT_FALSE(std::filesystem::exists(folder_.file("received.bin")));
    }
}

TEST_F(ZModemEngine, SilentPeerMeetsRetriesAndThenTheTimeOut) {
    for (auto direction : {TransferDirection::Send, TransferDirection::Receive}) {
        host_ = {};
        writeFile(folder_.file("source.bin"), "data");
        engine_ = makeZModemEngine(host_, {direction, folder_.file("source.bin")});
        engine_->start();
        std::vector<int64_t> calls;
        int64_t now = 1000000;
        for (; !engine_->finished() && now < 1000000 + 20000; now += 100) {
            engine_->tick(now);
            if (!host_.sent.empty() && host_.sent.find('\b') == std::string::npos)
                calls.push_back(now - 1000000);
            host_.sent.clear();
        }
        ASSERT_TRUE(engine_->finished());
        // The first call after a second of silence, then one every two seconds.
        ASSERT_GE(calls.size(), 4u);
        EXPECT_EQ(calls[0], 1000);
        EXPECT_EQ(calls[1], 3000);
        EXPECT_EQ(calls[2], 5000);
        // Given up after ten seconds of silence, counted at the latest from the first call.
        EXPECT_GE(now - 1000000, 10000);
        EXPECT_LE(now - 1000000, calls[0] + 10300);
        EXPECT_EQ(host_.events.back(), std::pair(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure));
    }
}

} // namespace
} // namespace Platform::Serial::Testing
