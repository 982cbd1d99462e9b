// ZModem, one file per transfer, in either direction. The sender streams
// (ZCRCG, with a ZCRCQ now and then so that a silent receiver is noticed),
// honours a receiver's buffer size with ZCRCW, and goes back to where the
// receiver asks after an error (ZRPOS). The receiver answers ZCRCQ and ZCRCW,
// asks again from its position after any damage or a silence within the
// data, and writes only what passed its CRC.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "automation/Error.h"
#include "serial/ReceivedFile.h"
#include "serial/TransferEngine.h"
#include "serial/ZModemCodec.h"
#include "serial/ZModemReader.h"

namespace Platform::Serial {

namespace {

using namespace ZModem;
using Item = ZModemReader::Item;
using Kind = ZModemReader::Kind;

constexpr int64_t FirstCallMs = 1000; // the peer usually speaks first; after this we do
constexpr int64_t RetryMs = 2000;     // a frame of ours that got no answer goes again
constexpr int64_t FinishWaitMs = 300; // for "OO", which some senders lose on their way out
constexpr int FinRetries = 3;
constexpr std::size_t DefaultBlock = 1024;
constexpr std::size_t DefaultWindow = 65536;
// A ZCRCQ after so many bytes of a stream. Each costs the receiver a write and us
// a wake-up, and a fast receiver spends its time on exactly that; four per
// MaxUnacked keep the stream going while acknowledgements are on their way.
constexpr std::size_t AckInterval = 65536;
constexpr int64_t MaxUnacked = 262144; // the stream waits for a ZACK beyond this
constexpr std::size_t ReadAhead = 65536;
constexpr int MaxRepeats = 20; // requests for the same place before giving up

const std::string cancelSequence = std::string(10, '\x18') + std::string(10, '\b');

class Session : public TransferEngine {
public:
    Session(TransferHost& host, const TransferOptions& options)
        : host_(host), options_(options), escaper_(options.escapeControl) {}

    void receive(std::string_view bytes) override {
        if (finished_)
            return;
        before(bytes);
        if (finished_)
            return;
        reader_.feed(bytes, [this](const Item& item) {
            if (!finished_)
                onItem(item);
        });
        if (!finished_)
            after();
    }

    void tick(int64_t nowMs) override {
        if (finished_)
            return;
        if (!clockStarted_) {
            // Times taken before the first tick count from 0; move them onto the clock.
            clockStarted_ = true;
            int64_t shift = nowMs - now_;
            lastLife_ += shift;
            lastMove_ += shift;
            if (retryAt_ >= 0)
                retryAt_ += shift;
        }
        now_ = nowMs;
        // Silence counts only once what we said has left: a slow line is no silent peer.
        // A line that takes nothing at all is as bad as a silent peer.
        std::size_t pending = host_.pendingOutput();
        if (pending == 0 || pending < lastPending_)
            lastMove_ = now_;
        lastPending_ = pending;
        if (!waitingOnPeer(pending))
            lastLife_ = now_;
        if (now_ - lastLife_ > options_.timeoutMs || now_ - lastMove_ > options_.timeoutMs) {
            failTransfer(SerialFTStatus_Failure, true);
        } else if (retryAt_ >= 0 && now_ >= retryAt_) {
            retryAt_ = -1;
            onRetry();
        }
    }

    void abort() override {
        if (!finished_)
            failTransfer(SerialFTStatus_TransferAbort, true);
    }

    bool finished() const override { return finished_; }

protected:
    virtual void before(std::string_view) {}
    virtual void after() {}
    virtual void onItem(const Item& item) = 0;
    // True while the peer owes us an answer that has left the line.
    virtual bool waitingOnPeer(std::size_t pending) const { return pending == 0; }
    virtual void onRetry() = 0;
    // Ends with AbortFile (the file could not be read or written) or
    // AbortFileTransfer, after dropping what the transfer left behind.
    virtual void failTransfer(enumSerialFTStatus status, bool tellPeer) {
        if (tellPeer) {
            host_.discardOutput();
            transmit(cancelSequence);
        }
        end(status == SerialFTStatus_FileAbort ? TransferEvent::AbortFile : TransferEvent::AbortFileTransfer,
            status);
    }

    void end(TransferEvent event, enumSerialFTStatus status) {
        finished_ = true;
        host_.transferEvent(event, status);
    }
    void life() { lastLife_ = now_; }
    void transmit(std::string_view bytes) {
        host_.send(bytes);
        sentTotal_ += int64_t(bytes.size());
    }
    void armRetry(int64_t ms) { retryAt_ = now_ + ms; }
    void sendHex(const Header& header) {
        out_.clear();
        appendHexHeader(out_, header);
        transmit(out_);
    }

    TransferHost& host_;
    TransferOptions options_;
    ZModemReader reader_;
    Escaper escaper_;
    std::string out_;
    bool finished_ = false;
    int64_t now_ = 0;
    int64_t lastLife_ = 0;
    int64_t retryAt_ = -1;
    int64_t sentTotal_ = 0; // bytes given to the line, ever

private:
    bool clockStarted_ = false;
    int64_t lastMove_ = 0;
    std::size_t lastPending_ = 0;
};

// --- sending --------------------------------------------------------------

class Sender final : public Session {
public:
    using Session::Session;
    ~Sender() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

    void start() override {
        fd_ = ::open(options_.path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            end(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure);
            return;
        }
        size_ = st.st_size;
        mtime_ = st.st_mtime;
        maxBlock_ = options_.blockSize > 0
                        ? std::clamp<std::size_t>(options_.blockSize, 32, ZModemReader::MaxSubpacket)
                        : DefaultBlock;
        block_ = maxBlock_;
        window_ = options_.window > 0 ? std::size_t(options_.window) : DefaultWindow;
        host_.transferred(0, size_);
        state_ = State::WaitInit;
        armRetry(FirstCallMs);
    }

    bool wantsDrained() const override { return !finished_ && state_ == State::Streaming; }

    void outputDrained() override {
        if (finished_ || state_ != State::Streaming)
            return;
        fill();
    }

private:
    enum class State { WaitInit, SentFile, Streaming, WaitAck, SentEof, SentFin };

    void onItem(const Item& item) override {
        if (item.kind == Kind::Cancel) {
            failTransfer(SerialFTStatus_TransferAbort, false);
            return;
        }
        if (item.kind != Kind::Header)
            return; // a damaged answer: the receiver will ask again
        life();
        question_ = -1;
        const Header& h = item.header;
        switch (h.type) {
        case ZRINIT:
            if (state_ == State::WaitInit) {
                takeReceiverInit(h);
                sendFile();
            } else if (state_ == State::SentFile) {
                sendFile(); // our ZFILE was lost
            } else if (eofSent_ && state_ != State::SentFin) {
                // The file is complete at the receiver (its first answer to our end may have been lost),
                // whatever part of it was being sent again.
                host_.discardOutput();
                host_.transferred(size_, size_);
                host_.transferEvent(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
                sendFin();
            }
            break;
        case ZRPOS:
            if (state_ == State::SentFile || state_ == State::Streaming || state_ == State::WaitAck ||
                state_ == State::SentEof)
                reposition(h.position());
            break;
        case ZACK:
            if (state_ == State::Streaming || state_ == State::WaitAck || state_ == State::SentEof) {
                if (h.position() <= txPos_)
                    ackPos_ = std::max<int64_t>(ackPos_, h.position());
                if (state_ == State::WaitAck) {
                    sinceAck_ = 0;
                    startData();
                } else if (state_ == State::Streaming) {
                    retryAt_ = -1;
                    fill();
                }
            }
            break;
        case ZSKIP:
            if (state_ != State::WaitInit && state_ != State::SentFin) {
                skipped_ = true;
                host_.discardOutput();
                sendFin();
            }
            break;
        case ZNAK:
            onRetry();
            break;
        case ZFIN:
            if (state_ == State::SentFin) {
                transmit("OO");
                complete();
            } else {
                failTransfer(SerialFTStatus_Failure, false);
            }
            break;
        case ZCRC:
            answerCrc(h.position());
            break;
        case ZABORT:
        case ZFERR:
        case ZCAN:
            failTransfer(SerialFTStatus_TransferAbort, true);
            break;
        default:
            break;
        }
    }

    bool waitingOnPeer(std::size_t pending) const override {
        return question_ >= 0 && sentTotal_ - int64_t(pending) >= question_;
    }

    // Sends bytes that end with a question (a frame the receiver must answer).
    void ask(std::string_view bytes) {
        transmit(bytes);
        if (question_ < 0)
            question_ = sentTotal_;
    }

    void onRetry() override {
        switch (state_) {
        case State::WaitInit:
            out_.clear();
            appendHexHeader(out_, Header::withPosition(ZRQINIT, 0));
            ask(out_);
            armRetry(RetryMs);
            break;
        case State::SentFile:
            sendFile();
            break;
        case State::SentEof:
            if (ackPos_ == size_) {
                out_.clear();
                appendBinaryHeader(out_, Header::withPosition(ZEOF, uint32_t(size_)), crc32_, escaper_);
                ask(out_);
                armRetry(RetryMs);
                break;
            }
            // A receiver short of the end ignores the end (and waits on). Data
            // from what it acknowledged goes on from there, or makes it say
            // where it is; data beyond it would not.
            [[fallthrough]];
        case State::WaitAck:
        case State::Streaming:
            // A ZCRCW, ZCRCQ or ZEOF, or the answer, was lost: send again from what was acknowledged.
            host_.discardOutput();
            txPos_ = ackPos_;
            sinceAck_ = 0;
            startData();
            break;
        case State::SentFin:
            if (++finTries_ > FinRetries)
                complete(); // the file itself was acknowledged
            else
                sendFin(false);
            break;
        }
    }

    void takeReceiverInit(const Header& h) {
        uint8_t flags = h.bytes[ZF0];
        crc32_ = options_.crc32 && (flags & CANFC32);
        if (flags & ESCCTL)
            escaper_.setEscapeAllControl(true);
        rxBuffer_ = int64_t(h.bytes[ZP0]) | int64_t(h.bytes[ZP1]) << 8;
        // A receiver that cannot read while it writes gets one acknowledged block at a time.
        if (rxBuffer_ == 0 && ((flags & CANFDX) == 0 || (flags & CANOVIO) == 0))
            rxBuffer_ = int64_t(block_);
        if (rxBuffer_ > 0)
            block_ = maxBlock_ = std::min<std::size_t>(maxBlock_, std::size_t(rxBuffer_));
    }

    void sendFile() {
        out_.clear();
        appendBinaryHeader(out_, Header::withFlags(ZFILE, ZCBIN), crc32_, escaper_);
        std::string info = std::filesystem::path(options_.path).filename().string();
        info.push_back('\0');
        char buf[96];
        std::snprintf(buf, sizeof buf, "%lld %llo 0 0 1 %lld", static_cast<long long>(size_),
                      static_cast<unsigned long long>(mtime_), static_cast<long long>(size_));
        info += buf;
        info.push_back('\0');
        appendSubpacket(out_, info, ZCRCW, crc32_, escaper_);
        ask(out_);
        state_ = State::SentFile;
        armRetry(RetryMs);
    }

    void reposition(int64_t pos) {
        pos = std::min(pos, size_);
        if (!started_) {
            started_ = true;
            host_.transferEvent(TransferEvent::StartFile, SerialFTStatus_Starting);
        } else {
            if (pos == lastReposition_ && ++sameReposition_ > MaxRepeats) {
                failTransfer(SerialFTStatus_Failure, true); // the receiver never gets past this place
                return;
            }
            if (pos != lastReposition_)
                sameReposition_ = 0;
            lastReposition_ = pos;
            // Errors: smaller blocks lose less to the next one.
            block_ = std::max<std::size_t>(std::min<std::size_t>(256, maxBlock_), block_ / 2);
            goodBytes_ = 0;
            host_.discardOutput();
        }
        txPos_ = ackPos_ = pos;
        sinceAck_ = 0;
        startData();
    }

    void startData() {
        out_.clear();
        appendBinaryHeader(out_, Header::withPosition(ZDATA, uint32_t(txPos_)), crc32_, escaper_);
        transmit(out_);
        state_ = State::Streaming;
        retryAt_ = -1;
        fill();
    }

    void fill() {
        if (state_ != State::Streaming)
            return;
        out_.clear();
        std::size_t pending = host_.pendingOutput();
        int64_t before = txPos_;
        bool asked = false;
        while (state_ == State::Streaming && pending + out_.size() < window_ &&
               txPos_ - ackPos_ < MaxUnacked) {
            std::size_t n = std::size_t(std::min<int64_t>(int64_t(block_), size_ - txPos_));
            std::string_view chunk = readAt(txPos_, n);
            if (chunk.size() != n) {
                failTransfer(SerialFTStatus_FileAbort, true);
                return;
            }
            bool last = txPos_ + int64_t(n) == size_;
            uint8_t frameEnd = ZCRCG;
            if (last)
                frameEnd = ZCRCE;
            else if (rxBuffer_ > 0 && sinceAck_ + int64_t(n) >= rxBuffer_)
                frameEnd = ZCRCW;
            else if (sinceQuery_ + n >= AckInterval)
                frameEnd = ZCRCQ;
            appendSubpacket(out_, chunk, frameEnd, crc32_, escaper_);
            txPos_ += int64_t(n);
            sinceAck_ += int64_t(n);
            sinceQuery_ = frameEnd == ZCRCQ ? 0 : sinceQuery_ + n;
            asked = asked || frameEnd != ZCRCG;
            goodBytes_ += n;
            if (goodBytes_ >= 65536 && block_ < maxBlock_) {
                block_ *= 2;
                goodBytes_ = 0;
            }
            if (last) {
                appendBinaryHeader(out_, Header::withPosition(ZEOF, uint32_t(size_)), crc32_, escaper_);
                eofSent_ = true;
                state_ = State::SentEof;
                armRetry(RetryMs);
            } else if (frameEnd == ZCRCW) {
                state_ = State::WaitAck;
                armRetry(RetryMs);
            }
        }
        if (!out_.empty()) {
            if (asked)
                ask(out_);
            else
                transmit(out_);
        }
        if (state_ == State::Streaming && txPos_ - ackPos_ >= MaxUnacked && retryAt_ < 0)
            armRetry(RetryMs);
        if (txPos_ != before) {
            host_.transferred(txPos_, size_);
            host_.transferEvent(TransferEvent::TransferBlock, SerialFTStatus_Transferring);
        }
    }

    // The file's bytes at a place, read ahead in large pieces.
    std::string_view readAt(int64_t pos, std::size_t n) {
        if (pos < cacheAt_ || pos + int64_t(n) > cacheAt_ + int64_t(cache_.size())) {
            cache_.resize(std::max<std::size_t>(ReadAhead, n));
            ssize_t got = ::pread(fd_, cache_.data(), cache_.size(), pos);
            cache_.resize(got > 0 ? std::size_t(got) : 0);
            cacheAt_ = pos;
        }
        std::string_view cached(cache_);
        return cached.substr(std::size_t(pos - cacheAt_),
                             std::min(n, cache_.size() - std::size_t(pos - cacheAt_)));
    }

    void sendFin(bool first = true) {
        if (first)
            finTries_ = 1;
        state_ = State::SentFin;
        out_.clear();
        appendHexHeader(out_, Header::withPosition(ZFIN, 0));
        ask(out_);
        armRetry(RetryMs / 2);
    }

    void complete() {
        if (skipped_)
            end(TransferEvent::AbortFile, SerialFTStatus_FileAbort);
        else
            end(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
    }

    void answerCrc(int64_t length) {
        if (length <= 0 || length > size_)
            length = size_;
        uint32_t crc = 0xffffffffu;
        std::string buf(65536, '\0');
        for (int64_t at = 0; at < length;) {
            ssize_t n = ::pread(fd_, buf.data(), std::size_t(std::min<int64_t>(65536, length - at)), at);
            if (n <= 0)
                break;
            crc = crc32(crc, std::string_view(buf.data(), std::size_t(n)));
            at += n;
        }
        out_.clear();
        appendBinaryHeader(out_, Header::withPosition(ZCRC, ~crc), crc32_, escaper_);
        transmit(out_);
    }

    State state_ = State::WaitInit;
    int fd_ = -1;
    int64_t size_ = 0;
    int64_t mtime_ = 0;
    int64_t txPos_ = 0;
    int64_t ackPos_ = 0;
    int64_t sinceAck_ = 0;
    int64_t rxBuffer_ = 0;
    std::size_t sinceQuery_ = 0;
    std::size_t goodBytes_ = 0;
    std::size_t block_ = DefaultBlock;
    std::size_t maxBlock_ = DefaultBlock;
    std::size_t window_ = DefaultWindow;
    int64_t question_ = -1; // where the oldest unanswered question ends in sentTotal_
    int64_t lastReposition_ = -1;
    int sameReposition_ = 0;
    bool crc32_ = false;
    bool started_ = false;
    bool skipped_ = false;
    bool eofSent_ = false;
    int finTries_ = 0;
    std::string cache_;
    int64_t cacheAt_ = 0;
};

// --- receiving ------------------------------------------------------------

class Receiver final : public Session {
public:
    using Session::Session;
    ~Receiver() override { dropFile(); }

    void start() override {
        reader_.setDropControl(options_.escapeControl);
        state_ = State::WaitFile;
        host_.transferEvent(TransferEvent::WaitForFile, SerialFTStatus_WaitForFile);
        armRetry(FirstCallMs);
    }

private:
    enum class State { WaitFile, WaitData, Data, WaitFin, WaitOO };

    void before(std::string_view bytes) override {
        if (state_ != State::WaitOO)
            return;
        for (char c : bytes) {
            oCount_ = c == 'O' ? oCount_ + 1 : 0;
            if (oCount_ == 2) {
                complete();
                return;
            }
        }
    }

    void after() override {
        reportProgress();
        // While data flows nothing else is timed. A frame end that the line
        // spoiled leaves the sender waiting for our answer to it, and us for
        // more data: a silence this long asks again from what arrived whole.
        if (state_ == State::Data)
            armRetry(RetryMs);
    }

    void reportProgress() {
        if (rxPos_ != reported_) {
            reported_ = rxPos_;
            host_.transferred(rxPos_, announced_);
            host_.transferEvent(TransferEvent::TransferBlock, SerialFTStatus_Transferring);
        }
    }

    void onItem(const Item& item) override {
        switch (item.kind) {
        case Kind::Cancel:
            failTransfer(SerialFTStatus_TransferAbort, false);
            return;
        case Kind::Error:
            pending_ = 0;
            // Right after a ZRPOS, what the sender had on its way is still arriving:
            // damage in it says nothing new. A lost ZRPOS goes again on the retry.
            if (state_ == State::WaitData && now_ - lastRequest_ < RetryMs)
                return;
            if (state_ == State::WaitData || state_ == State::Data)
                sendRpos();
            else if (state_ == State::WaitFile)
                sendInit();
            return;
        case Kind::Subpacket:
            onSubpacket(item);
            return;
        case Kind::Header:
            break;
        }
        life();
        const Header& h = item.header;
        pending_ = 0;
        switch (h.type) {
        case ZRQINIT:
            if (state_ == State::WaitFile)
                sendInit();
            break;
        case ZSINIT:
            if (h.bytes[ZF0] & TESCCTL)
                escaper_.setEscapeAllControl(true);
            pending_ = ZSINIT;
            break;
        case ZFILE:
            pending_ = ZFILE;
            break;
        case ZDATA:
            if (state_ == State::WaitData || state_ == State::Data) {
                if (h.position() == uint32_t(rxPos_)) {
                    state_ = State::Data;
                    retryAt_ = -1;
                } else {
                    sendRpos();
                }
            } else {
                reader_.expectHeader();
            }
            break;
        case ZEOF:
            // An end at another place went out before our ZRPOS arrived: the retry settles it.
            if ((state_ == State::WaitData || state_ == State::Data) && h.position() == uint32_t(rxPos_))
                finishFile();
            else if (state_ == State::WaitFin)
                sendInit(); // our ZRINIT after the file was lost
            break;
        case ZFIN:
            sendHex(Header::withPosition(ZFIN, 0));
            if (state_ == State::WaitFin || state_ == State::WaitOO) {
                if (!commitFile())
                    return;
                state_ = State::WaitOO;
                oCount_ = 0;
                armRetry(FinishWaitMs);
            } else {
                failTransfer(SerialFTStatus_Failure, false);
            }
            break;
        case ZABORT:
        case ZCAN:
        case ZFERR:
            failTransfer(SerialFTStatus_TransferAbort, true);
            break;
        case ZNAK:
            // Our last header reached the sender damaged.
            if (state_ == State::WaitData || state_ == State::Data)
                sendRpos();
            else if (state_ == State::WaitFile || state_ == State::WaitFin)
                sendInit();
            break;
        case ZCOMMAND:
            reader_.expectHeader(); // never run the peer's commands
            break;
        default:
            break;
        }
    }

    void onSubpacket(const Item& item) {
        life();
        uint8_t header = pending_;
        pending_ = 0;
        if (header == ZSINIT) {
            sendHex(Header::withPosition(ZACK, 1));
        } else if (header == ZFILE) {
            onFileInfo(item.data);
        } else if (state_ == State::Data) {
            onData(item);
        }
    }

    void onFileInfo(std::string_view info) {
        if (state_ == State::WaitData || state_ == State::Data) {
            sendRpos(); // our ZRPOS was lost, the sender offers the file again
            return;
        }
        if (state_ != State::WaitFile) {
            sendHex(Header::withPosition(ZSKIP, 0)); // one file per transfer
            return;
        }
        std::size_t nul = info.find('\0');
        std::string name(info.substr(0, nul));
        announced_ = -1;
        if (nul != std::string_view::npos) {
            std::string_view rest = info.substr(nul + 1);
            int64_t size = 0;
            auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), size);
            if (ec == std::errc() && ptr != rest.data())
                announced_ = size;
        }
        const std::string path = host_.prepareFile(name, name, announced_);
        if (finished_)
            return; // aborted while the file was being prepared
        if (path.empty()) {
            skipped_ = true;
            state_ = State::WaitFin;
            sendHex(Header::withPosition(ZSKIP, 0));
            armRetry(RetryMs);
            return;
        }
        // A file already there stays as it was until the new one is complete.
        try {
            output_ = std::make_unique<ReceivedFile>(path);
        } catch (const Automation::Error&) {
            failTransfer(SerialFTStatus_FileAbort, true);
            return;
        }
        host_.transferEvent(TransferEvent::StartFile, SerialFTStatus_Starting);
        host_.transferred(0, announced_);
        requests_ = 0;
        state_ = State::WaitData;
        sendRpos();
    }

    void onData(const Item& item) {
        requests_ = 0;
        rxPos_ += int64_t(item.data.size());
        try {
            output_->Append(item.data);
        } catch (const Automation::Error&) {
            failTransfer(SerialFTStatus_FileAbort, true);
            return;
        }
        switch (item.frameEnd) {
        case ZCRCQ:
            sendHex(Header::withPosition(ZACK, uint32_t(rxPos_)));
            break;
        case ZCRCW:
            sendHex(Header::withPosition(ZACK, uint32_t(rxPos_)));
            state_ = State::WaitData;
            armRetry(RetryMs);
            break;
        case ZCRCE:
            state_ = State::WaitData;
            armRetry(RetryMs);
            break;
        default:
            break;
        }
    }

    // The whole file arrived: its bytes go to the file system before we ask
    // for the next file. It takes its name once the sender has our answer to
    // its end (commitFile): making it durable takes a while, and the sender
    // need not wait for that.
    void finishFile() {
        reportProgress();
        try {
            output_->WriteOut();
        } catch (const Automation::Error&) {
            failTransfer(SerialFTStatus_FileAbort, true);
            return;
        }
        state_ = State::WaitFin;
        requests_ = 0;
        sendInit();
    }

    // False when the file could not be stored; the transfer has ended then.
    bool commitFile() {
        if (!output_)
            return true;
        try {
            output_->Commit();
        } catch (const Automation::Error&) {
            dropFile();
            failTransfer(SerialFTStatus_FileAbort, false);
            return false;
        }
        output_.reset();
        host_.transferEvent(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
        return true;
    }

    void sendInit() {
        if (++requests_ > MaxRepeats) {
            failTransfer(SerialFTStatus_Failure, true);
            return;
        }
        reader_.expectHeader(); // a file offer in progress is void: the sender offers it again
        uint8_t flags = CANFDX | CANOVIO | CANFC32;
        if (options_.escapeControl)
            flags |= ESCCTL;
        sendHex(Header::withFlags(ZRINIT, flags));
        armRetry(RetryMs);
    }

    void sendRpos() {
        if (++requests_ > MaxRepeats) {
            failTransfer(SerialFTStatus_Failure, true); // nothing usable comes any more
            return;
        }
        reader_.expectHeader();
        state_ = State::WaitData;
        lastRequest_ = now_;
        sendHex(Header::withPosition(ZRPOS, uint32_t(rxPos_)));
        armRetry(RetryMs);
    }

    void onRetry() override {
        switch (state_) {
        case State::WaitFile:
        case State::WaitFin:
            sendInit();
            break;
        case State::WaitData:
        case State::Data:
            sendRpos();
            break;
        case State::WaitOO:
            complete();
            break;
        }
    }

    void complete() {
        if (skipped_)
            end(TransferEvent::AbortFile, SerialFTStatus_FileAbort);
        else
            end(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
    }

    void failTransfer(enumSerialFTStatus status, bool tellPeer) override {
        // A file that arrived whole is kept, whatever became of the sender after it.
        if (state_ == State::WaitFin && !commitFile())
            return;
        dropFile();
        Session::failTransfer(status, tellPeer);
    }

    void dropFile() {
        if (output_)
            output_->Abandon(options_.keepPartial);
        output_.reset();
    }

    State state_ = State::WaitFile;
    uint8_t pending_ = 0; // the header whose subpacket is awaited
    std::unique_ptr<ReceivedFile> output_;
    int64_t rxPos_ = 0;
    int64_t reported_ = 0;
    int64_t announced_ = -1;
    int oCount_ = 0;
    int requests_ = 0; // requests sent since the transfer last moved on
    int64_t lastRequest_ = INT64_MIN / 2;
    bool skipped_ = false;
};

} // namespace

std::unique_ptr<TransferEngine> makeZModemEngine(TransferHost& host, const TransferOptions& options) {
    if (options.direction == TransferDirection::Send)
        return std::make_unique<Sender>(host, options);
    return std::make_unique<Receiver>(host, options);
}

} // namespace Platform::Serial
