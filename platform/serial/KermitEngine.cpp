#include "serial/KermitEngine.h"

#include "automation/Error.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace Platform::Serial {

namespace {

// File bytes read ahead of the encoder, so that repeat counts see whole runs.
constexpr std::size_t ReadAhead = 64 * 1024;
// On a noisy line a long packet is seldom whole, and a receiver gives up after
// so many tries (G-Kermit after ten). Each repeat of a data packet halves the
// ones after it, down to a normal packet; so many clean ones double it again.
constexpr std::size_t ShortestRoom = 80;
constexpr int CleanBeforeLonger = 4;

bool startsWith(const std::string& data, char c) {
    return !data.empty() && data[0] == c;
}

std::optional<int64_t> number(std::string_view digits) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 0)
        return std::nullopt;
    return value;
}

// Kermit senders put names in upper case; a name without a lower-case
// letter is stored in lower case, as the Kermits of this system store it.
std::string storedName(const std::string& announced) {
    const auto isLower = [](char c) { return c >= 'a' && c <= 'z'; };
    if (std::any_of(announced.begin(), announced.end(), isLower))
        return announced;
    std::string name = announced;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// The announced name without any folder part, so that a sender cannot place
// files outside the receive folder.
std::string plainName(const std::string& announced) {
    const std::size_t cut = announced.find_last_of("/\\:");
    std::string name = cut == std::string::npos ? announced : announced.substr(cut + 1);
    if (name == "." || name == ".." || name.find('\0') != std::string::npos)
        return {};
    return name;
}

// A text file travels with CR LF line ends and is stored with LF, so that a
// file sent from a disk of LF lines arrives as it was there (a CR of its own
// stays, and so does a CR before a line end that the sender doubled). A CR at
// the end of a packet waits for the next byte: `pendingCr`.
void storeLineEnds(std::string& text, bool& pendingCr) {
    std::string stored;
    stored.reserve(text.size() + 1);
    for (char c : text) {
        if (pendingCr && c != '\n')
            stored += '\r';
        pendingCr = c == '\r';
        if (!pendingCr)
            stored += c;
    }
    text = std::move(stored);
}

bool oddOnes(unsigned char c) {
    return (std::popcount(static_cast<unsigned>(c & 0x7F)) & 1) != 0;
}

// The parity a peer keeps in bit 7 of the bytes of a packet: 'e'ven, 'o'dd,
// 'm'ark, or 'n' when bit 7 is never set, or set without a rule (noise).
char parityOf(std::string_view line) {
    bool any = false, mark = true, even = true, odd = true;
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        const bool high = (c & 0x80) != 0;
        any = any || high;
        mark = mark && high;
        even = even && high == oddOnes(c);
        odd = odd && high != oddOnes(c);
    }
    if (!any)
        return 'n';
    if (mark)
        return 'm';
    return even ? 'e' : odd ? 'o' : 'n';
}

char addParity(char ch, char parity) {
    const auto c = static_cast<unsigned char>(ch & 0x7F);
    const bool high = parity == 'm' || (parity == 'e' && oddOnes(c)) || (parity == 'o' && !oddOnes(c));
    return static_cast<char>(high ? c | 0x80 : c);
}

} // namespace

std::unique_ptr<TransferEngine> makeKermitEngine(TransferHost& host, const TransferOptions& options) {
    return std::make_unique<KermitEngine>(host, options);
}

KermitEngine::KermitEngine(TransferHost& host, TransferOptions options)
    : host_(host), options_(std::move(options)), sevenBit_(options_.sevenBitLine) {
    if (options_.timeoutMs <= 0)
        options_.timeoutMs = TransferOptions{}.timeoutMs;
    // Several retries fit into the time the peer may stay silent.
    retryIntervalMs_ = std::max<int64_t>(1000, options_.timeoutMs / 3);
    packetTimeoutMs_ = retryIntervalMs_;
    offer();
}

void KermitEngine::offer() {
    own_ = KermitParams::own(sevenBit_, static_cast<int>((retryIntervalMs_ + 999) / 1000),
                             options_.blockSize > 0 ? options_.blockSize : KermitParams::OwnLongLength);
}

KermitEngine::~KermitEngine() {
    if (state_ != State::Done)
        dropDestination();
}

void KermitEngine::start() {
    if (state_ != State::Idle)
        return;
    seq_ = 0;
    if (!sending()) {
        state_ = State::ReceiveInit;
        host_.transferEvent(TransferEvent::WaitForFile, SerialFTStatus_WaitForFile);
        return;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(options_.path, error))
        file_.reset(std::fopen(options_.path.c_str(), "rb"));
    if (!file_) {
        // The control checked the file; it went away since. The peer has not been contacted yet.
        end(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure);
        return;
    }
    const auto size = std::filesystem::file_size(options_.path, error);
    fileSize_ = error ? -1 : static_cast<int64_t>(size);
    state_ = State::SendInit;
    sendPacket('S', own_.encode());
}

void KermitEngine::receive(std::string_view bytes) {
    // Until the Send-Init exchange is done, whose packets are plain text, any
    // line may carry parity in bit 7: its packets tell whether the peer keeps
    // it there. Byte by byte, so that the packet can be seen as it came.
    while (!linked_ && !bytes.empty()) {
        if (state_ == State::Idle || state_ == State::Done)
            return;
        const char raw = bytes.front();
        bytes.remove_prefix(1);
        const char c = static_cast<char>(raw & 0x7F);
        if (c == KermitPacket::Mark)
            initLine_.assign(1, raw);
        else if (reader_.inFrame())
            initLine_ += raw;
        activityMs_ = nowMs_;
        handleResult(reader_.push(c));
    }
    // A 7-bit line may hand us parity in bit 7.
    std::string stripped;
    if (sevenBit_ && !bytes.empty()) {
        stripped.assign(bytes);
        for (char& c : stripped)
            c = static_cast<char>(c & 0x7F);
        bytes = stripped;
    }
    while (!bytes.empty()) {
        if (state_ == State::Idle || state_ == State::Done)
            return;
        std::size_t used = 0;
        const KermitReader::Result result = reader_.push(bytes, used);
        bytes.remove_prefix(used);
        activityMs_ = nowMs_;
        handleResult(result);
    }
}

void KermitEngine::handleResult(KermitReader::Result result) {
    switch (result) {
    case KermitReader::Result::Nothing:
        if (reader_.inFrame())
            packetRxMs_ = nowMs_;
        break;
    case KermitReader::Result::Frame:
        packetRxMs_ = nowMs_;
        handleFrame(reader_.frame());
        break;
    case KermitReader::Result::Cut:
        damaged(false);
        break;
    case KermitReader::Result::Broken:
        damaged(true);
        break;
    case KermitReader::Result::Lost:
        // Before the exchange, lines without a mark are banners and echoes.
        if (linked_)
            damaged(true);
        break;
    }
}

void KermitEngine::tick(int64_t nowMs) {
    if (state_ == State::Idle || state_ == State::Done)
        return;
    nowMs_ = nowMs;
    if (!clockStarted_) {
        clockStarted_ = true;
        activityMs_ = packetRxMs_ = drainedMs_ = nowMs;
    }
    // A new packet still flowing out counts as life on a slow line;
    // retransmissions do not, or a dead peer would never be noticed.
    const std::size_t pending = host_.pendingOutput();
    if (pending < lastPending_ && countDrain_)
        activityMs_ = nowMs;
    lastPending_ = pending;
    if (draining_ && pending == 0) {
        draining_ = false;
        drainedMs_ = nowMs;
    }
    if (nowMs - activityMs_ >= options_.timeoutMs) {
        peerLost("Timed out");
        return;
    }
    if (draining_ || nowMs - std::max(packetRxMs_, drainedMs_) < packetTimeoutMs_)
        return;
    if (aborting_) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Cancelled");
        return;
    }
    if (!retry())
        return;
    if (sending())
        resend();
    else
        sendNak();
}

void KermitEngine::abort() {
    if (state_ == State::Done || aborting_)
        return;
    if (state_ == State::Idle) {
        end(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
        return;
    }
    // Kermits flush their input after each packet they read, so an error
    // packet that follows one of ours too closely is lost. It goes out in
    // place of our answer to the peer's next packet, or when that is overdue.
    aborting_ = true;
}

void KermitEngine::handleFrame(const std::string& frame) {
    const int checkType = link_.framing.checkType;
    auto packet = KermitPacket::parse(frame, checkType);
    // A peer that missed our reply to its Send-Init still uses check 1,
    // and so may an early error packet.
    if (!packet && checkType != 1) {
        packet = KermitPacket::parse(frame, 1);
        if (packet && packet->type != 'S' && packet->type != 'E')
            packet.reset();
    }
    if (aborting_) {
        // The error packet takes the number the peer expects next, or it
        // passes for a duplicate.
        if (packet)
            seq_ = sending() && packet->type == 'Y' ? (packet->seq + 1) % 64 : packet->seq;
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Cancelled");
        return;
    }
    if (!packet) {
        damaged(true);
        return;
    }
    if (packet->type == 'E') {
        end(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
        return;
    }
    if (sending())
        handleAsSender(*packet);
    else
        handleAsReceiver(*packet);
}

void KermitEngine::damaged(bool complete) {
    if (!retry() || !complete)
        return;
    // A damaged packet is as good as a NAK: repeat at once rather than wait for the timer.
    if (sending())
        resend();
    else
        sendNak();
}

void KermitEngine::handleAsSender(const KermitPacket& packet) {
    if (state_ == State::SendInit) {
        // Anything else here is an echo of our own packet or noise.
        if (packet.seq != 0)
            return;
        if (packet.type == 'Y') {
            detectParity();
            negotiated(KermitLink::agree(own_, KermitParams::decode(packet.data)));
            retries_ = 0;
            seq_ = 1;
            state_ = State::SendFile;
            std::string name;
            encoder_.encode(std::filesystem::path(options_.path).filename().string(), link_.dataRoom(), name);
            sendPacket('F', std::move(name));
        } else if (packet.type == 'N' && retry()) {
            resend(true);
        }
        return;
    }
    // A NAK for the next packet means the peer has the current one.
    if (packet.type == 'Y' && packet.seq == seq_)
        acknowledged(packet);
    else if (packet.type == 'N' && packet.seq == (seq_ + 1) % 64)
        acknowledged(KermitPacket{'Y', seq_, {}});
    else if (packet.type == 'N' && packet.seq == seq_ && retry())
        resend(true);
    else if (packet.type == 'Y' && packet.seq == (seq_ + 63) % 64) {
        // Some receivers answer a damaged packet by repeating their last
        // ACK, and that asks for the current packet again. But a copy of the
        // previous packet that we repeated unasked may bring its own ACK:
        // that is an echo, and answering it would double every packet.
        if (echoes_ > 0)
            --echoes_;
        else if (retry())
            resend(true);
    }
}

void KermitEngine::acknowledged(const KermitPacket& ack) {
    retries_ = 0;
    echoes_ = unasked_;
    seq_ = (seq_ + 1) % 64;
    switch (state_) {
    case State::SendFile:
        if (link_.attributes) {
            state_ = State::SendAttributes;
            sendPacket('A', attributes());
        } else {
            startData();
        }
        break;
    case State::SendAttributes:
        if (startsWith(ack.data, 'N')) {
            // The receiver refuses the file.
            discarded_ = true;
            state_ = State::SendEndOfFile;
            sendPacket('Z', "D");
        } else {
            startData();
        }
        break;
    case State::SendData:
        if (repeats_ == 0 && ++cleanRun_ >= CleanBeforeLonger) {
            cleanRun_ = 0;
            dataRoom_ = std::min(link_.dataRoom(), dataRoom_ * 2);
        }
        fileDone_ += static_cast<int64_t>(inFlight_);
        inFlight_ = 0;
        if (startsWith(ack.data, 'X') || startsWith(ack.data, 'Z')) {
            // The receiver interrupts the file (X) or the whole batch (Z).
            discarded_ = true;
            state_ = State::SendEndOfFile;
            sendPacket('Z', "D");
            break;
        }
        sendData();
        reportBlock();
        break;
    case State::SendEndOfFile:
        state_ = State::SendBreak;
        sendPacket('B', {});
        if (!discarded_)
            host_.transferEvent(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
        break;
    case State::SendBreak:
        if (discarded_)
            end(TransferEvent::AbortFile, SerialFTStatus_FileAbort);
        else
            end(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
        break;
    default:
        break;
    }
}

std::string KermitEngine::attributes() const {
    // Binary, and the exact size when we know it.
    std::string data{'"', KermitPacket::toChar(2), 'B', '8'};
    if (fileSize_ >= 0) {
        const std::string digits = std::to_string(fileSize_);
        data += '1';
        data += KermitPacket::toChar(static_cast<int>(digits.size()));
        data += digits;
    }
    return data;
}

void KermitEngine::startData() {
    state_ = State::SendData;
    host_.transferEvent(TransferEvent::StartFile, SerialFTStatus_Starting);
    if (state_ == State::SendData)
        sendData();
}

void KermitEngine::sendData() {
    if (!endOfInput_ && buffer_.size() - bufferPos_ < ReadAhead / 2) {
        buffer_.erase(0, bufferPos_);
        bufferPos_ = 0;
        const std::size_t kept = buffer_.size();
        buffer_.resize(kept + ReadAhead);
        const std::size_t got = std::fread(buffer_.data() + kept, 1, ReadAhead, file_.get());
        buffer_.resize(kept + got);
        if (got < ReadAhead) {
            if (std::ferror(file_.get()) != 0) {
                giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Cannot read file");
                return;
            }
            endOfInput_ = true;
        }
    }
    if (bufferPos_ == buffer_.size()) {
        state_ = State::SendEndOfFile;
        sendPacket('Z', {});
        return;
    }
    const std::string_view rest = std::string_view(buffer_).substr(bufferPos_);
    std::string field;
    const std::size_t taken = encoder_.encode(rest, dataRoom_, field);
    // Without eighth-bit prefixing a 7-bit line would strip bit 7 from the file.
    if (sevenBit_ && encoder_.eighthBit() == 0 &&
        std::any_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(taken),
                    [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; })) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Eighth-bit prefixing refused");
        return;
    }
    bufferPos_ += taken;
    inFlight_ = taken;
    sendPacket('D', std::move(field));
}

void KermitEngine::handleAsReceiver(const KermitPacket& packet) {
    if (state_ == State::ReceiveInit) {
        // Anything but a Send-Init here is an echo of our own NAK or noise.
        if (packet.type == 'S')
            acceptInit(packet);
        return;
    }
    if (packet.seq == (seq_ + 63) % 64) {
        // The peer missed our acknowledgement.
        transmit(lastLine_);
        return;
    }
    if (packet.seq != seq_)
        return;
    retries_ = 0;
    if (state_ == State::ReceiveFile && packet.type == 'F' && !fileAnnounced_) {
        if (!decoder_.decode(packet.data, announcedName_)) {
            giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Malformed packet");
            return;
        }
        fileAnnounced_ = true;
        state_ = State::ReceiveData;
        acknowledge();
    } else if (state_ == State::ReceiveFile && packet.type == 'B') {
        acknowledge();
        if (fileComplete_)
            end(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
        else if (discarded_)
            end(TransferEvent::AbortFile, SerialFTStatus_FileAbort);
        else
            end(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure);
    } else if (state_ == State::ReceiveData && packet.type == 'A') {
        acceptAttributes(packet.data);
        acknowledge();
    } else if (state_ == State::ReceiveData && packet.type == 'D') {
        if (!output_ && !openDestination())
            return;
        // The packet passed its check: the sender goes on while we decode and store it.
        acknowledge();
        if (writeData(packet.data))
            reportBlock();
    } else if (state_ == State::ReceiveData && packet.type == 'Z') {
        if (startsWith(packet.data, 'D')) {
            // The sender discards the file.
            dropDestination();
            discarded_ = true;
            state_ = State::ReceiveFile;
            acknowledge();
        } else if ((output_ || openDestination()) && writeOut()) {
            // It takes its name when the transfer ends (see end()).
            fileComplete_ = true;
            state_ = State::ReceiveFile;
            acknowledge();
        }
    } else if (packet.type == 'F') {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Only one file expected");
    } else {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Unexpected packet");
    }
}

void KermitEngine::acceptInit(const KermitPacket& init) {
    if (detectParity())
        offer();
    const KermitParams theirs = KermitParams::decode(init.data);
    const KermitParams reply = own_.answer(theirs);
    negotiated(KermitLink::agree(reply, theirs));
    seq_ = init.seq;
    // The reply to a Send-Init still carries check 1; the agreed one starts after it.
    sendPacket('Y', reply.encode(), 1);
    seq_ = (init.seq + 1) % 64;
    retries_ = 0;
    state_ = State::ReceiveFile;
}

void KermitEngine::acceptAttributes(const std::string& data) {
    std::optional<int64_t> exact;
    std::optional<int64_t> kilobytes;
    for (std::size_t i = 0; i + 1 < data.size();) {
        const int length = KermitPacket::unChar(data[i + 1]);
        if (length < 0 || i + 2 + static_cast<std::size_t>(length) > data.size())
            break;
        const std::string_view value = std::string_view(data).substr(i + 2, static_cast<std::size_t>(length));
        if (data[i] == '1')
            exact = number(value);
        else if (data[i] == '!')
            kilobytes = number(value);
        else if (data[i] == '"')
            text_ = !value.empty() && value[0] == 'A'; // 'A' text, 'B' binary
        i += 2 + static_cast<std::size_t>(length);
    }
    if (exact)
        fileSize_ = *exact;
    else if (kilobytes && *kilobytes < INT64_MAX / 1024)
        fileSize_ = *kilobytes * 1024;
}

bool KermitEngine::openDestination() {
    const std::string answer = host_.prepareFile(announcedName_, storedName(announcedName_), fileSize_);
    if (state_ == State::Done)
        return false;
    std::filesystem::path path;
    if (answer.empty()) {
        const std::string name = plainName(storedName(announcedName_));
        if (name.empty()) {
            giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Bad file name");
            return false;
        }
        path = std::filesystem::path(options_.path) / name;
    } else {
        path = answer;
    }
    // A file already there stays as it was until the new one is complete.
    try {
        output_ = std::make_unique<ReceivedFile>(path.string());
    } catch (const Automation::Error&) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Cannot create file");
        return false;
    }
    fileDone_ = 0;
    host_.transferEvent(TransferEvent::StartFile, SerialFTStatus_Starting);
    return state_ != State::Done;
}

bool KermitEngine::writeData(const std::string& field) {
    decoded_.clear();
    if (!decoder_.decode(field, decoded_)) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, "Malformed packet");
        return false;
    }
    if (text_)
        storeLineEnds(decoded_, pendingCr_);
    fileDone_ += static_cast<int64_t>(decoded_.size());
    try {
        output_->Append(decoded_);
    } catch (const Automation::Error&) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Cannot write file");
        return false;
    }
    return true;
}

bool KermitEngine::writeOut() {
    try {
        if (pendingCr_) {
            // The file ended in a CR of its own.
            output_->Append("\r");
            ++fileDone_;
            pendingCr_ = false;
        }
        output_->WriteOut();
    } catch (const Automation::Error&) {
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_Failure, "Cannot write file");
        return false;
    }
    return true;
}

void KermitEngine::dropDestination() {
    if (output_)
        output_->Abandon(options_.keepPartial);
    output_.reset();
}

void KermitEngine::acknowledge(const std::string& data) {
    sendPacket('Y', data);
    seq_ = (seq_ + 1) % 64;
}

void KermitEngine::sendNak() {
    countDrain_ = false;
    transmit(KermitPacket{'N', seq_, {}}.frame(link_.framing));
}

void KermitEngine::sendPacket(char type, std::string data, int checkType) {
    KermitFraming framing = link_.framing;
    if (checkType != 0)
        framing.checkType = checkType;
    lastLine_ = KermitPacket{type, seq_, std::move(data)}.frame(framing);
    unasked_ = 0;
    repeats_ = 0;
    countDrain_ = true;
    transmit(lastLine_);
}

void KermitEngine::transmit(const std::string& line) {
    if (parity_ == 'n') {
        host_.send(line);
    } else {
        std::string withParity = line;
        for (char& c : withParity)
            c = addParity(c, parity_);
        host_.send(withParity);
    }
    draining_ = true;
    lastPending_ = host_.pendingOutput();
}

void KermitEngine::resend(bool asked) {
    if (!asked)
        ++unasked_;
    ++repeats_;
    if (state_ == State::SendData) {
        cleanRun_ = 0;
        dataRoom_ = std::max(std::min(ShortestRoom, link_.dataRoom()), dataRoom_ / 2);
    }
    countDrain_ = false;
    transmit(lastLine_);
}

bool KermitEngine::retry() {
    if (++retries_ <= MaxRetries)
        return true;
    peerLost("Too many retries");
    return false;
}

void KermitEngine::peerLost(const std::string& message) {
    // The receiver confirmed the whole file with its ACK to Z; a lost reply
    // to the closing B does not undo that.
    if (state_ == State::SendBreak && !discarded_)
        end(TransferEvent::FinishFileTransfer, SerialFTStatus_Success);
    else
        giveUp(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort, message);
}

void KermitEngine::negotiated(const KermitLink& link) {
    linked_ = true;
    link_ = link;
    dataRoom_ = link.dataRoom();
    encoder_ = KermitCodec(link.ownControlPrefix, link.eighthBit, link.repeat);
    decoder_ = KermitCodec(link.peerControlPrefix, link.eighthBit, link.repeat);
    packetTimeoutMs_ = std::clamp<int64_t>(int64_t{link.peerTimeout} * 1000, 1000, retryIntervalMs_);
}

bool KermitEngine::detectParity() {
    if (sevenBit_)
        return false;
    parity_ = parityOf(initLine_);
    sevenBit_ = parity_ != 'n';
    return sevenBit_;
}

void KermitEngine::reportBlock() {
    if (state_ == State::Done)
        return;
    host_.transferred(fileDone_, fileSize_);
    if (state_ != State::Done)
        host_.transferEvent(TransferEvent::TransferBlock, SerialFTStatus_Transferring);
}

void KermitEngine::giveUp(TransferEvent event, enumSerialFTStatus status, const std::string& message) {
    // What is still queued (say, a packet stuck behind a dead peer) must not hold up the error.
    host_.discardOutput();
    std::string field;
    encoder_.encode(message, link_.dataRoom(), field);
    transmit(KermitPacket{'E', seq_, std::move(field)}.frame(link_.framing));
    end(event, status);
}

void KermitEngine::end(TransferEvent event, enumSerialFTStatus status) {
    state_ = State::Done;
    // A file that arrived whole takes its name once the sender has our answer
    // to its end (making it durable takes a while, and the sender need not
    // wait for that), whatever became of the sender after it.
    if (fileComplete_ && output_) {
        try {
            output_->Commit();
            output_.reset();
            host_.transferEvent(TransferEvent::FinishFile, SerialFTStatus_EndOfFile);
        } catch (const Automation::Error&) {
            if (event == TransferEvent::FinishFileTransfer) {
                event = TransferEvent::AbortFileTransfer;
                status = SerialFTStatus_Failure;
            }
        }
    }
    dropDestination();
    file_.reset();
    host_.transferEvent(event, status);
}

} // namespace Platform::Serial
