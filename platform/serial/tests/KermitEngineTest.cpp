// The Kermit engine against hand-made packets, on a clock that the test moves.
#include "serial/KermitEngine.h"
#include "serial/KermitPacket.h"
#include "serial/KermitParams.h"
#include "serial/KermitReader.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <string>
#include <vector>

#include "PtyPeer.h"

using namespace Platform::Serial;
using namespace Platform::Serial::Testing;

namespace {

using Events = std::vector<std::pair<TransferEvent, enumSerialFTStatus>>;

// G-Kermit's own Send-Init data, and C-Kermit's (which offers 30-packet windows).
const std::string gkermitInit = "~' @-#Y3~*!J*0+++J\"U1@";
const std::string ckermitInit = "~/ @-#Y3~^>J)0___N\"U1A";

// Drives one engine with hand-made packets and reads back what it sends.
struct Scripted {
    bool sending;
    RecordingHost host;
    TempFolder folder;
    std::unique_ptr<TransferEngine> engine;
    KermitReader reader;
    int checkType = 1;
    int64_t now = 1000;

    explicit Scripted(TransferDirection direction, int32_t timeoutMs = 3000, bool sevenBit = false,
                      const std::string& content = "0123456789")
        : sending(direction == TransferDirection::Send) {
        writeFile(folder.file("data.bin"), content);
        engine = makeKermitEngine(
            host, {direction, sending ? folder.file("data.bin") : folder.path(), sevenBit, timeoutMs});
    }

    // Starts the engine and exchanges Send-Inits with a peer offering init;
    // block check 3 from then on.
    void negotiate(const std::string& init = gkermitInit) {
        engine->start();
        feed(sending ? 'Y' : 'S', 0, init);
        checkType = 3;
    }

    void feed(char type, int seq, const std::string& data, int check = 0) {
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
        for (const KermitPacket& packet : sent())
            letters += packet.type;
        return letters;
    }
    // The engine finished with one end event, this one.
    void expectEnd(TransferEvent event, enumSerialFTStatus status) {
        EXPECT_TRUE(engine->finished());
        EXPECT_EQ(host.endEvents(), 1);
        EXPECT_EQ(host.events.back(), std::make_pair(event, status));
    }
    // Advances the clock in ticks until the engine finishes or ms pass.
    void wait(int64_t ms) {
        for (const int64_t until = now + ms; now < until && !engine->finished();)
            engine->tick(now += 10);
    }
};

} // namespace

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
    // A NAK for the current packet repeats it at once, and so does a
    // repeated ACK of the previous one.
    peer.feed('N', 2, "");
    peer.feed('Y', 1, "");
    EXPECT_EQ(peer.types(), "AA");
    // Unanswered, it goes again after the packet time-out.
    peer.wait(1500);
    EXPECT_EQ(peer.types(), "A");
    // The receiver refuses the file: it is discarded, and the batch closed.
    peer.feed('Y', 2, "N");
    EXPECT_EQ(peer.types(), "Z");
    // The repeat nobody asked for may bring an ACK of its own: an echo. A
    // further ACK of A asks for Z again.
    peer.feed('Y', 2, "N");
    EXPECT_EQ(peer.types(), "");
    peer.feed('Y', 2, "N");
    EXPECT_EQ(peer.types(), "Z");
    peer.feed('Y', 3, "");
    EXPECT_EQ(peer.types(), "B");
    peer.feed('Y', 4, "");
    EXPECT_EQ(peer.host.events, (Events{{TransferEvent::AbortFile, SerialFTStatus_FileAbort}}));
}

TEST(KermitEngineTest, SenderStopsTheFileWhenTheReceiverInterruptsIt) {
    Scripted peer(TransferDirection::Send, 3000, false, std::string(20000, 'x') + randomBytes(20000, 1));
    peer.negotiate();
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
    peer.expectEnd(TransferEvent::AbortFile, SerialFTStatus_FileAbort);
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
    EXPECT_EQ(peer.host.events, (Events{{TransferEvent::WaitForFile, SerialFTStatus_WaitForFile},
                                        {TransferEvent::PrepareFile, SerialFTStatus_Prepare},
                                        {TransferEvent::StartFile, SerialFTStatus_Starting},
                                        {TransferEvent::TransferBlock, SerialFTStatus_Transferring},
                                        {TransferEvent::TransferBlock, SerialFTStatus_Transferring},
                                        {TransferEvent::FinishFile, SerialFTStatus_EndOfFile},
                                        {TransferEvent::FinishFileTransfer, SerialFTStatus_Success}}));
}

TEST(KermitEngineTest, AWholeFileTakesItsNameWhenTheTransferEnds) {
    for (bool senderVanishes : {false, true}) {
        SCOPED_TRACE(senderVanishes ? "the sender vanishes after its end of file" : "the sender ends");
        Scripted peer(TransferDirection::Receive);
        peer.negotiate();
        peer.sent();
        peer.feed('F', 1, "a.bin");
        peer.feed('D', 2, "abc");
        peer.feed('Z', 3, "");
        EXPECT_EQ(peer.types(), "YYY");
        // The sender has its answer; the file is stored when the transfer ends.
        EXPECT_FALSE(std::filesystem::exists(peer.folder.file("a.bin")));
        if (senderVanishes) {
            peer.wait(10000);
            peer.expectEnd(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
        } else {
            peer.feed('B', 4, "");
            EXPECT_EQ(peer.types(), "Y");
            peer.expectEnd(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
        }
        EXPECT_EQ(readFile(peer.folder.file("a.bin")), "abc");
        const Events& events = peer.host.events;
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[events.size() - 2],
                  std::make_pair(TransferEvent::FinishFile, SerialFTStatus_EndOfFile));
    }
}

TEST(KermitEngineTest, ReceiverWritesWhereTheHostSays) {
    Scripted peer(TransferDirection::Receive);
    std::filesystem::create_directory(peer.folder.file("sub"));
    peer.host.destination = peer.folder.file("sub/target.txt");
    peer.negotiate();
    peer.feed('F', 1, "DATA.BIN");
    peer.feed('Z', 2, "");
    peer.feed('B', 3, "");
    peer.expectEnd(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
    EXPECT_TRUE(std::filesystem::exists(peer.folder.file("sub/target.txt")));
    EXPECT_FALSE(std::filesystem::exists(peer.folder.file("DATA.BIN")));
    EXPECT_EQ(peer.host.announcedSize, -1);
    // Unless the host names the file, an upper-case name is stored in lower case.
    EXPECT_EQ(peer.host.announcedName, "DATA.BIN");
    EXPECT_EQ(peer.host.localName, "data.bin");
}

// The peer's error packet or our abort ends a reception; the partial file
// goes unless the owner asked to keep it.
TEST(KermitEngineTest, AGivenUpReceptionDropsThePartialFileUnlessToldToKeepIt) {
    for (const bool peerError : {true, false}) {
        for (const bool keep : {false, true}) {
            SCOPED_TRACE(testing::Message() << "peer error " << peerError << ", keep " << keep);
            Scripted peer(TransferDirection::Receive);
            TransferOptions options{TransferDirection::Receive, peer.folder.path()};
            options.keepPartial = keep;
            peer.engine = makeKermitEngine(peer.host, options);
            peer.negotiate();
            peer.feed('F', 1, "data.bin");
            peer.feed('D', 2, "partial");
            peer.sent();
            if (peerError) {
                peer.feed('E', 3, "Disk full");
                EXPECT_EQ(peer.types(), "") << "an error packet is not answered";
            } else {
                // Our error packet answers the peer's next packet, with its number.
                peer.engine->abort();
                peer.feed('D', 3, "more");
                const auto sent = peer.sent();
                ASSERT_EQ(sent.size(), 1u);
                EXPECT_EQ(sent[0].type, 'E');
                EXPECT_EQ(sent[0].seq, 3);
            }
            peer.expectEnd(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
            // The file that was there (the sender's sample) stays, or takes the partial data.
            EXPECT_EQ(readFile(peer.folder.file("data.bin")), keep ? "partial" : "0123456789");
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(peer.folder.path()),
                                    std::filesystem::directory_iterator()),
                      1)
                << "a temporary file stayed";
            // Nothing more happens afterwards.
            peer.feed('D', 4, "late");
            peer.wait(10000);
            peer.engine->abort();
            EXPECT_EQ(peer.types(), "");
            EXPECT_EQ(peer.host.endEvents(), 1);
        }
    }
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
        EXPECT_EQ(peer.types(), "E");
        peer.expectEnd(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
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
    receiver.negotiate();
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
    peer.negotiate();
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
    peer.expectEnd(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
    peer.feed('Y', 5, "");
    peer.engine->abort();
    peer.wait(10000);
    EXPECT_EQ(peer.types(), "");
    EXPECT_EQ(peer.host.endEvents(), 1);
}

TEST(KermitEngineTest, AbortEndsWithinAPacketTimeOutWhenThePeerIsSilent) {
    Scripted peer(TransferDirection::Send, 9000);
    peer.engine->start();
    peer.engine->tick(peer.now);
    peer.engine->abort();
    peer.wait(2990);
    EXPECT_FALSE(peer.engine->finished());
    peer.wait(20);
    EXPECT_EQ(peer.types(), "SE");
    peer.expectEnd(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);

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
    text.negotiate(std::string(gkermitInit).replace(6, 1, "N"));
    text.feed('Y', 1, "");
    text.feed('Y', 2, "");
    EXPECT_EQ(text.types(), "SFAD") << "seven-bit data goes through";

    Scripted binary(TransferDirection::Send, 3000, true, "caf\xe9");
    binary.negotiate(std::string(gkermitInit).replace(6, 1, "N"));
    binary.feed('Y', 1, "");
    binary.feed('Y', 2, "");
    EXPECT_EQ(binary.types(), "SFAE");
    EXPECT_EQ(binary.host.lastStatus(), SerialFTStatus_Failure);
}

TEST(KermitEngineTest, ParityFoundInTheSendInitIsStrippedAndKept) {
    auto ones = [](char c) { return std::popcount(static_cast<unsigned char>(c)); };
    for (const bool odd : {false, true}) {
        Scripted peer(TransferDirection::Receive);
        peer.engine->start();
        // G-Kermit with parity: its Send-Init agrees to eighth-bit prefixing without asking for it.
        std::string init = KermitPacket{'S', 0, gkermitInit}.frame(KermitFraming{1});
        for (char& c : init)
            if ((ones(c) % 2 == 1) != odd)
                c = static_cast<char>(c | 0x80);
        peer.engine->receive(init);
        ASSERT_FALSE(peer.host.sent.empty());
        for (char& c : peer.host.sent) {
            EXPECT_EQ(ones(c) % 2 == 1, odd) << "a byte of our answer without the peer's parity";
            c = static_cast<char>(c & 0x7F);
        }
        const auto sent = peer.sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].type, 'Y');
        EXPECT_EQ(KermitParams::decode(sent[0].data).eighthBit, '&');
    }
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
    peer.negotiate();
    peer.feed('F', 1, "../");
    peer.feed('D', 2, "x");
    EXPECT_EQ(peer.types(), "YYE");
    EXPECT_EQ(peer.host.lastStatus(), SerialFTStatus_Failure);
}
