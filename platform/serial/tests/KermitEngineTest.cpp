#include "serial/KermitEngine.h"
#include "serial/KermitPacket.h"
#include "serial/KermitParams.h"
#include "serial/KermitReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "PtyPeer.h"

using namespace Platform::Serial;
using namespace Platform::Serial::Testing;

namespace {

using Events = std::vector<std::pair<TransferEvent, SerialFTStatus>>;

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Every byte value alone and in runs, so that prefixing and repeat counts all get their turn.
std::string allValues(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < size; ++i)
        bytes += std::string(i % 3 == 0 ? 1 : (i % 7) + 1, static_cast<char>(i * 37 % 256));
    bytes.resize(size);
    return bytes;
}

Events sendingEvents(int blocks, SerialFTStatus end = SerialFTStatus_Success) {
    Events events{{TransferEvent::StartFile, SerialFTStatus_Starting}};
    for (int i = 0; i < blocks; ++i)
        events.emplace_back(TransferEvent::TransferBlock, SerialFTStatus_Transferring);
    events.emplace_back(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
    events.emplace_back(TransferEvent::FinishFileTransfer, end);
    return events;
}

Events receivingEvents(int blocks) {
    Events events{{TransferEvent::WaitForFile, SerialFTStatus_WaitForFile},
                  {TransferEvent::PrepareFile, SerialFTStatus_Prepare}};
    for (const auto &event : sendingEvents(blocks))
        events.push_back(event);
    return events;
}

// Two engines joined by an in-memory line, on a simulated clock.
struct BackToBack {
    RecordingHost senderHost;
    RecordingHost receiverHost;
    TempFolder folder;
    std::unique_ptr<TransferEngine> sender;
    std::unique_ptr<TransferEngine> receiver;
    int64_t now = 1000;

    BackToBack(const std::string &content, bool sevenBit) {
        std::filesystem::create_directory(folder.file("in"));
        writeFile(folder.file("data.bin"), content);
        sender =
            makeKermitEngine(senderHost, {TransferDirection::Send, folder.file("data.bin"), sevenBit, 3000});
        receiver =
            makeKermitEngine(receiverHost, {TransferDirection::Receive, folder.file("in"), sevenBit, 3000});
    }

    // Runs both to their end; the line models apply to each direction. Returns the faults injected.
    int run(LineModel toReceiver, LineModel toSender) {
        LineFilter forward(toReceiver);
        LineFilter backward(toSender);
        receiver->start();
        sender->start();
        while ((!sender->finished() || !receiver->finished()) && now < 3600000) {
            receiver->receive(forward.pass(senderHost.sent));
            senderHost.sent.clear();
            sender->receive(backward.pass(receiverHost.sent));
            receiverHost.sent.clear();
            now += 10;
            sender->tick(now);
            receiver->tick(now);
        }
        return forward.faults() + backward.faults();
    }
};

// Drives one engine with hand-made packets and reads back what it sends.
struct Scripted {
    RecordingHost host;
    TempFolder folder;
    std::unique_ptr<TransferEngine> engine;
    KermitReader reader;
    int checkType = 1;
    int64_t now = 1000;

    explicit Scripted(TransferDirection direction, int32_t timeoutMs = 3000, bool sevenBit = false,
                      const std::string &content = "0123456789") {
        writeFile(folder.file("data.bin"), content);
        const std::string path =
            direction == TransferDirection::Send ? folder.file("data.bin") : folder.path();
        engine = makeKermitEngine(host, {direction, path, sevenBit, timeoutMs});
    }

    void feed(char type, int seq, const std::string &data, int check = 0) {
        engine->receive(KermitPacket{type, seq, data}.frame(KermitFraming{check != 0 ? check : checkType}));
    }
    // The packets the engine sent since the last call.
    std::vector<KermitPacket> sent() {
        std::vector<KermitPacket> packets;
        for (char c : host.sent) {
            if (reader.push(c) != KermitReader::Result::Frame)
                continue;
            auto packet = KermitPacket::parse(reader.frame(), checkType);
            if (!packet)
                packet = KermitPacket::parse(reader.frame(), 1);
            EXPECT_TRUE(packet) << "the engine sent a damaged packet";
            if (packet)
                packets.push_back(*packet);
        }
        host.sent.clear();
        return packets;
    }
    std::string types() {
        std::string letters;
        for (const KermitPacket &packet : sent())
            letters += packet.type;
        return letters;
    }
    // Advances the clock in ticks until the engine finishes or ms pass.
    void wait(int64_t ms) {
        for (const int64_t until = now + ms; now < until && !engine->finished();)
            engine->tick(now += 10);
    }
};

// G-Kermit's own Send-Init data, and C-Kermit's (which offers 30-packet windows).
const std::string gkermitInit = "~' @-#Y3~*!J*0+++J\"U1@";
const std::string ckermitInit = "~/ @-#Y3~^>J)0___N\"U1A";

} // namespace

TEST(KermitEngineTest, BackToBackTransfersAreByteExactWithTheEventsInOrder) {
    const std::vector<std::string> contents = {"", std::string("\x01", 1), randomBytes(1023, 7),
                                               allValues(65536)};
    for (bool sevenBit : {false, true}) {
        for (const std::string &content : contents) {
            SCOPED_TRACE(testing::Message() << content.size() << " bytes, seven-bit " << sevenBit);
            BackToBack line(content, sevenBit);
            EXPECT_EQ(line.run({sevenBit}, {sevenBit}), 0);
            ASSERT_TRUE(line.sender->finished());
            ASSERT_TRUE(line.receiver->finished());
            EXPECT_EQ(readFile(line.folder.file("in/data.bin")), content);

            const int blocks = line.senderHost.count(TransferEvent::TransferBlock);
            EXPECT_EQ(line.senderHost.events, sendingEvents(blocks));
            EXPECT_EQ(line.receiverHost.events, receivingEvents(blocks));
            EXPECT_EQ(line.receiverHost.announcedName, "data.bin");
            EXPECT_EQ(line.receiverHost.announcedSize, static_cast<int64_t>(content.size()));
            if (!content.empty()) {
                EXPECT_EQ(line.senderHost.lastTransferred, static_cast<int64_t>(content.size()));
                EXPECT_EQ(line.receiverHost.lastTransferred, static_cast<int64_t>(content.size()));
                EXPECT_EQ(line.receiverHost.lastFileSize, static_cast<int64_t>(content.size()));
            }
        }
    }
}

TEST(KermitEngineTest, ANoisyLineStillDeliversTheFile) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const std::string content = randomBytes(200000, seed) + allValues(20000);
        BackToBack line(content, seed == 3);
        const int faults = line.run({seed == 3, 20000, 20000, seed}, {seed == 3, 200, 200, seed + 10});
        EXPECT_GT(faults, 10);
        EXPECT_EQ(line.senderHost.events.back(),
                  std::make_pair(TransferEvent::FinishFileTransfer, SerialFTStatus_Success));
        EXPECT_EQ(line.receiverHost.events.back(),
                  std::make_pair(TransferEvent::FinishFileTransfer, SerialFTStatus_Success));
        EXPECT_EQ(readFile(line.folder.file("in/data.bin")), content);
    }
}

TEST(KermitEngineTest, SenderNegotiatesStopAndWaitAndFollowsTheReceiversAnswers) {
    Scripted peer(TransferDirection::Send);
    peer.engine->start();
    auto sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'S');
    const KermitParams offer = KermitParams::decode(sent[0].data);
    EXPECT_FALSE(offer.slidingWindows);
    EXPECT_EQ(offer.window, 1);

    // C-Kermit offers windows; we still send one packet at a time.
    peer.feed('Y', 0, ckermitInit);
    peer.checkType = 3;
    sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'F');
    EXPECT_EQ(sent[0].data, "data.bin");
    // A NAK for the next packet stands for the ACK of this one.
    peer.feed('N', 2, "");
    sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'A');
    EXPECT_EQ(sent[0].data, std::string("\"\"B81\"10"));
    // A NAK for the current packet repeats it; a stale ACK is ignored.
    peer.feed('N', 2, "");
    peer.feed('Y', 1, "");
    EXPECT_EQ(peer.types(), "A");
    // The receiver refuses the file: it is discarded, and the batch closed.
    peer.feed('Y', 2, "N");
    EXPECT_EQ(peer.types(), "Z");
    peer.feed('Y', 3, "");
    EXPECT_EQ(peer.types(), "B");
    peer.feed('Y', 4, "");
    EXPECT_EQ(peer.host.events, (Events{{TransferEvent::AbortFile, SerialFTStatus_FileAbort}}));
}

TEST(KermitEngineTest, SenderStopsTheFileWhenTheReceiverInterruptsIt) {
    Scripted peer(TransferDirection::Send, 3000, false, std::string(20000, 'x') + randomBytes(20000, 1));
    peer.engine->start();
    peer.feed('Y', 0, gkermitInit);
    peer.checkType = 3;
    peer.feed('Y', 1, "");
    peer.feed('Y', 2, "");
    EXPECT_EQ(peer.types(), "SFAD");
    peer.feed('Y', 3, "");
    EXPECT_EQ(peer.types(), "D");
    peer.feed('Y', 4, "X");
    const auto sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'Z');
    EXPECT_EQ(sent[0].data, "D");
    peer.feed('Y', 5, "");
    peer.feed('Y', 6, "");
    EXPECT_EQ(peer.host.events.back(), std::make_pair(TransferEvent::AbortFile, SerialFTStatus_FileAbort));
    EXPECT_EQ(peer.host.endEvents(), 1);
}

TEST(KermitEngineTest, ReceiverSkipsTheEchoAndKeepsTheFileInItsFolder) {
    Scripted peer(TransferDirection::Receive);
    peer.engine->start();
    // The printer echoes the command that started its Kermit before the first packet.
    peer.engine->receive("\rTRANSFER K \"S\",\"c:\\lbl\\data.bin\r\n");
    peer.feed('S', 0, ckermitInit);
    auto sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'Y');
    const KermitParams answer = KermitParams::decode(sent[0].data);
    EXPECT_FALSE(answer.slidingWindows);
    EXPECT_EQ(answer.window, 1);
    EXPECT_EQ(answer.checkType, 3);
    // Our answer was lost: the Send-Init comes again, with check 1, and gets the same answer.
    peer.feed('S', 0, ckermitInit);
    EXPECT_EQ(peer.sent()[0].data, sent[0].data);

    peer.checkType = 3;
    peer.feed('F', 1, "../../etc/data.bin");
    peer.feed('A', 2, std::string("#120240101 12:00:00!\"17\"\"B81\"99"));
    EXPECT_EQ(peer.types(), "YY");
    peer.feed('D', 3, "hello ~$x#M#J");
    peer.feed('D', 3, "hello ~$x#M#J"); // our ACK was lost
    peer.feed('D', 4, "!");
    EXPECT_EQ(peer.types(), "YYY");
    peer.feed('Z', 5, "");
    peer.feed('B', 6, "");
    EXPECT_EQ(peer.types(), "YY");

    EXPECT_EQ(peer.host.announcedName, "../../etc/data.bin");
    EXPECT_EQ(peer.host.announcedSize, 99);
    EXPECT_EQ(readFile(peer.folder.file("data.bin")), "hello xxxx\r\n!");
    EXPECT_EQ(peer.host.events, receivingEvents(2));
}

TEST(KermitEngineTest, ReceiverWritesWhereTheHostSays) {
    Scripted peer(TransferDirection::Receive);
    std::filesystem::create_directory(peer.folder.file("sub"));
    peer.host.destination = peer.folder.file("sub/target.txt");
    peer.engine->start();
    peer.feed('S', 0, gkermitInit);
    peer.checkType = 3;
    peer.feed('F', 1, "DATA.BIN");
    peer.feed('Z', 2, "");
    peer.feed('B', 3, "");
    EXPECT_EQ(peer.host.events.back(),
              std::make_pair(TransferEvent::FinishFileTransfer, SerialFTStatus_Success));
    EXPECT_TRUE(std::filesystem::exists(peer.folder.file("sub/target.txt")));
    EXPECT_FALSE(std::filesystem::exists(peer.folder.file("DATA.BIN")));
    EXPECT_EQ(peer.host.announcedSize, -1);
}

TEST(KermitEngineTest, AnErrorPacketEndsTheTransferAndDropsThePartialFile) {
    Scripted peer(TransferDirection::Receive);
    peer.engine->start();
    peer.feed('S', 0, gkermitInit);
    peer.checkType = 3;
    peer.feed('F', 1, "data.bin");
    peer.feed('D', 2, "partial");
    ASSERT_TRUE(std::filesystem::exists(peer.folder.file("data.bin")));
    peer.sent();
    peer.feed('E', 3, "Disk full");
    EXPECT_TRUE(peer.engine->finished());
    EXPECT_EQ(peer.host.events.back(),
              std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_EQ(peer.host.endEvents(), 1);
    EXPECT_EQ(peer.types(), "") << "an error packet is not answered";
    EXPECT_FALSE(std::filesystem::exists(peer.folder.file("data.bin")));
    // Nothing more happens afterwards.
    peer.feed('D', 3, "more");
    peer.wait(10000);
    peer.engine->abort();
    EXPECT_EQ(peer.types(), "");
    EXPECT_EQ(peer.host.endEvents(), 1);
}

TEST(KermitEngineTest, ASilentPeerIsGivenUpAfterItsTimeOut) {
    for (const auto direction : {TransferDirection::Send, TransferDirection::Receive}) {
        Scripted peer(direction, 4000);
        peer.engine->start();
        const std::string first = peer.types();
        peer.engine->tick(peer.now);
        peer.wait(3990);
        EXPECT_FALSE(peer.engine->finished());
        // Retries every third of the time-out: the Send-Init again, or a NAK for it.
        EXPECT_EQ(first + peer.types(), direction == TransferDirection::Send ? "SSS" : "NN");
        peer.wait(20);
        EXPECT_TRUE(peer.engine->finished());
        EXPECT_EQ(peer.types(), "E");
        EXPECT_EQ(peer.host.events.back(),
                  std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
        EXPECT_EQ(peer.host.endEvents(), 1);
    }
}

TEST(KermitEngineTest, EndlessNaksAndDamageExhaustTheRetries) {
    Scripted sender(TransferDirection::Send);
    sender.engine->start();
    sender.sent();
    for (int i = 0; i < KermitEngine::MaxRetries; ++i)
        sender.feed('N', 0, "");
    EXPECT_EQ(sender.types(), std::string(KermitEngine::MaxRetries, 'S'));
    sender.feed('N', 0, "");
    EXPECT_EQ(sender.types(), "E");
    EXPECT_EQ(sender.host.lastStatus(), SerialFTStatus_TransferAbort);

    Scripted receiver(TransferDirection::Receive);
    receiver.engine->start();
    receiver.feed('S', 0, gkermitInit);
    receiver.checkType = 3;
    receiver.sent();
    // A stream of damaged packets: each is answered with a NAK until the limit.
    for (int i = 0; i <= KermitEngine::MaxRetries; ++i)
        receiver.engine->receive(KermitPacket{'F', 1, "x"}.frame(KermitFraming{2}));
    EXPECT_EQ(receiver.types(), std::string(KermitEngine::MaxRetries, 'N') + "E");
    EXPECT_EQ(receiver.host.lastStatus(), SerialFTStatus_TransferAbort);
}

TEST(KermitEngineTest, AbortFromAnEventHandlerAnswersThePeersNextPacketWithAnError) {
    Scripted peer(TransferDirection::Send, 3000, false, randomBytes(50000, 3));
    peer.host.onEvent = [&](TransferEvent event) {
        if (event == TransferEvent::TransferBlock)
            peer.engine->abort();
    };
    peer.engine->start();
    peer.feed('Y', 0, gkermitInit);
    peer.checkType = 3;
    peer.feed('Y', 1, "");
    peer.feed('Y', 2, "");
    peer.feed('Y', 3, "");
    // The error would be flushed by a peer still reading the last data packet.
    EXPECT_EQ(peer.types(), "SFADD");
    EXPECT_FALSE(peer.engine->finished());
    peer.feed('Y', 4, "");
    const auto sent = peer.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, 'E');
    EXPECT_EQ(sent[0].seq, 5) << "the number the peer expects next";
    EXPECT_EQ(peer.host.events.back(),
              std::make_pair(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort));
    EXPECT_EQ(peer.host.endEvents(), 1);
    peer.feed('Y', 5, "");
    peer.engine->abort();
    peer.wait(10000);
    EXPECT_EQ(peer.types(), "");
    EXPECT_EQ(peer.host.endEvents(), 1);
}

TEST(KermitEngineTest, ReceiverAbortDropsThePartialFileUnlessToldToKeepIt) {
    for (const bool keep : {false, true}) {
        Scripted peer(TransferDirection::Receive);
        TransferOptions options{TransferDirection::Receive, peer.folder.path()};
        options.keepPartial = keep;
        peer.engine = makeKermitEngine(peer.host, options);
        peer.engine->start();
        peer.feed('S', 0, gkermitInit);
        peer.checkType = 3;
        peer.feed('F', 1, "data.bin");
        peer.feed('D', 2, "partial");
        peer.sent();
        peer.engine->abort();
        peer.feed('D', 3, "more");
        const auto sent = peer.sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].type, 'E');
        EXPECT_EQ(sent[0].seq, 3);
        EXPECT_EQ(std::filesystem::exists(peer.folder.file("data.bin")), keep);
        EXPECT_EQ(peer.host.lastStatus(), SerialFTStatus_TransferAbort);
    }
}

TEST(KermitEngineTest, AbortEndsWithinAPacketTimeOutWhenThePeerIsSilent) {
    Scripted peer(TransferDirection::Send, 9000);
    peer.engine->start();
    peer.engine->tick(peer.now);
    peer.engine->abort();
    peer.wait(2990);
    EXPECT_FALSE(peer.engine->finished());
    peer.wait(20);
    EXPECT_TRUE(peer.engine->finished());
    EXPECT_EQ(peer.types(), "SE");
    EXPECT_EQ(peer.host.lastStatus(), SerialFTStatus_TransferAbort);

    // Before the start there is no peer to tell.
    RecordingHost host;
    auto idle = makeKermitEngine(host, {TransferDirection::Receive, ".", false, 3000});
    idle->abort();
    EXPECT_TRUE(idle->finished());
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(host.events, (Events{{TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort}}));
}

TEST(KermitEngineTest, SevenBitLineWithoutEighthBitPrefixingRefusesBinaryData) {
    Scripted text(TransferDirection::Send, 3000, true, "plain text\r\n");
    text.engine->start();
    text.feed('Y', 0, std::string(gkermitInit).replace(6, 1, "N"));
    text.checkType = 3;
    text.feed('Y', 1, "");
    text.feed('Y', 2, "");
    EXPECT_EQ(text.types(), "SFAD") << "seven-bit data goes through";

    Scripted binary(TransferDirection::Send, 3000, true, "caf\xe9");
    binary.engine->start();
    binary.feed('Y', 0, std::string(gkermitInit).replace(6, 1, "N"));
    binary.checkType = 3;
    binary.feed('Y', 1, "");
    binary.feed('Y', 2, "");
    EXPECT_EQ(binary.types(), "SFAE");
    EXPECT_EQ(binary.host.lastStatus(), SerialFTStatus_Failure);
}

TEST(KermitEngineTest, UnusableFilesEndTheTransferAsAFailure) {
    // The file to send went away: nothing goes on the line.
    RecordingHost host;
    auto engine = makeKermitEngine(host, {TransferDirection::Send, "/nonexistent/file.bin", false, 3000});
    engine->start();
    EXPECT_TRUE(engine->finished());
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(host.events, (Events{{TransferEvent::AbortFileTransfer, SerialFTStatus_Failure}}));

    // A file name that is nothing but a folder part cannot be stored.
    Scripted peer(TransferDirection::Receive);
    peer.engine->start();
    peer.feed('S', 0, gkermitInit);
    peer.checkType = 3;
    peer.feed('F', 1, "../");
    peer.feed('D', 2, "x");
    EXPECT_EQ(peer.types(), "YYE");
    EXPECT_EQ(peer.host.lastStatus(), SerialFTStatus_Failure);
}
