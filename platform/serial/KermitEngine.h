#pragma once
// The Kermit engine of the serial control: one file in either direction,
// stop-and-wait with long packets, as the printer's Kermit expects it.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "serial/KermitCodec.h"
#include "serial/KermitParams.h"
#include "serial/KermitReader.h"
#include "serial/ReceivedFile.h"
#include "serial/TransferEngine.h"

namespace Platform::Serial {

class KermitEngine final : public TransferEngine {
public:
    // Consecutive failures (time-outs, NAKs, damaged packets) before we give up.
    // Patient enough for a noisy line: G-Kermit's receiver gives up after
    // ten, its sender does not count NAKs at all.
    static constexpr int MaxRetries = 25;

    KermitEngine(TransferHost& host, TransferOptions options);
    ~KermitEngine() override;

    void start() override;
    void receive(std::string_view bytes) override;
    void tick(int64_t nowMs) override;
    // The error packet and the end event follow at the peer's next packet,
    // or after one packet time-out.
    void abort() override;
    bool finished() const override { return state_ == State::Done; }

private:
    enum class State {
        Idle,
        SendInit,
        SendFile,
        SendAttributes,
        SendData,
        SendEndOfFile,
        SendBreak,
        ReceiveInit,
        ReceiveFile,
        ReceiveData,
        Done,
    };
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;

    bool sending() const { return options_.direction == TransferDirection::Send; }
    // Our Send-Init parameters, for the line as we know it now.
    void offer();
    // Looks for parity in the peer's Send-Init or its answer to ours; true when found.
    bool detectParity();
    void handleResult(KermitReader::Result result);
    void handleFrame(const std::string& frame);
    void damaged(bool complete);
    void handleAsSender(const KermitPacket& packet);
    void acknowledged(const KermitPacket& ack);
    std::string attributes() const;
    void startData();
    void sendData();
    void handleAsReceiver(const KermitPacket& packet);
    void acceptInit(const KermitPacket& init);
    void acceptAttributes(const std::string& data);
    bool openDestination();
    bool writeData(const std::string& field);
    // Writes the file's bytes out (it is complete); false when that failed.
    bool writeOut();
    void dropDestination();
    void acknowledge(const std::string& data = {});
    void sendNak();
    // checkType 0: the agreed one.
    void sendPacket(char type, std::string data, int checkType = 0);
    void transmit(const std::string& line);
    // asked: the receiver asked for it (NAK, or its last ACK repeated).
    void resend(bool asked = false);
    bool retry();
    void peerLost(const std::string& message);
    void negotiated(const KermitLink& link);
    void reportBlock();
    void giveUp(TransferEvent event, enumSerialFTStatus status, const std::string& message);
    void end(TransferEvent event, enumSerialFTStatus status);

    TransferHost& host_;
    TransferOptions options_;
    // The line carries 7 bits: configured so, or the peer keeps parity in
    // bit 7 (then our bytes carry that parity too: 'e', 'o', 'm'; 'n' for none).
    bool sevenBit_ = false;
    char parity_ = 'n';
    bool linked_ = false;  // the Send-Init exchange is done
    std::string initLine_; // before it: the latest packet as it came, bit 7 and all
    State state_ = State::Idle;
    KermitReader reader_;
    KermitParams own_;
    KermitLink link_;
    KermitCodec encoder_;
    KermitCodec decoder_;
    int seq_ = 0;              // sender: the packet awaiting its ACK; receiver: the packet expected next
    std::string lastLine_;     // the last packet as sent, for retransmission
    int unasked_ = 0;          // sender: repeats of the current packet that the receiver did not ask for
    int echoes_ = 0;           // sender: ACKs of the previous packet still due to such repeats
    int repeats_ = 0;          // sender: repeats of the current packet
    std::size_t dataRoom_ = 0; // sender: room for the data of the next D packet
    int cleanRun_ = 0;         // sender: D packets acknowledged at the first try in a row
    int retries_ = 0;
    bool aborting_ = false; // abort() asked; the error packet waits for its moment

    // Time: the clock of the latest tick; "activity" is anything showing the
    // peer or the line is alive, the packet timer runs from the later of the
    // last packet bytes received and our last packet leaving the line.
    bool clockStarted_ = false;
    int64_t nowMs_ = 0;
    int64_t activityMs_ = 0;
    int64_t packetRxMs_ = 0;
    int64_t drainedMs_ = 0;
    bool draining_ = false;
    bool countDrain_ = true;
    std::size_t lastPending_ = 0;
    int64_t retryIntervalMs_ = 0;
    int64_t packetTimeoutMs_ = 0;

    // The file.
    File file_;                            // sender: the file read
    std::unique_ptr<ReceivedFile> output_; // receiver: the file written
    int64_t fileSize_ = -1;
    int64_t fileDone_ = 0;
    std::string buffer_; // sender: file bytes read ahead
    std::size_t bufferPos_ = 0;
    bool endOfInput_ = false;
    std::size_t inFlight_ = 0; // sender: file bytes in the unacknowledged D packet
    bool discarded_ = false;   // the file was refused or discarded on the way
    std::string decoded_;      // receiver: the data of the current D packet
    bool text_ = false;        // receiver: the sender's attributes call the file text
    bool pendingCr_ = false;   // receiver, text: a CR that may begin a line end
    std::string announcedName_;
    bool fileAnnounced_ = false;
    bool fileComplete_ = false;
};

} // namespace Platform::Serial
