#include "Brindle/OutputDemultiplexer.h"

#include <cmath>
#include <vector>

#include "automation/Runtime.h"

namespace Brindle {

namespace {

constexpr uint8_t SOH = 1, STX = 2, ETX = 3, EOT = 4, XOFF = 19, CR = 13, LF = 10;
constexpr char RS = 30;

// The numeric value of a short field as the printer writes it; a field that
// is no number reads 0, one that overflows -1, so neither passes as a frame.
int32_t fieldValue(std::string_view field) {
    double value = 0;
    try {
        value = Automation::val(field); // "1D999" is a number too large to hold
    } catch (const Automation::Error&) {
        return -1;
    }
    if (!(value > -1e9 && value < 1e9))
        return -1;
    return static_cast<int32_t>(std::trunc(value));
}

std::string twoDigits(int32_t id) {
    return std::string{static_cast<char>('0' + id / 10 % 10), static_cast<char>('0' + id % 10)};
}

std::vector<std::string> splitAtRS(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t at; (at = text.find(RS, start)) != std::string::npos; start = at + 1)
        pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

} // namespace

OutputDemultiplexer::OutputDemultiplexer(Automation::Ref<CommandReplyCollection> replies)
    : replies_(std::move(replies)), receiveTimer_(Automation::New<Tickard::TimerEvent>()),
      watchdog_(Automation::New<Tickard::TimerEvent>()) {
    receiveTimer_->setInterval(10);
    watchdog_->setInterval(DefaultWatchdogInterval);
    receiveTick_ = receiveTimer_->Timer.connect([this] {
        receiveTimer_->setEnabled(false);
        ParseReceiveBuffer(false);
    });
    watchdogTick_ = watchdog_->Timer.connect([this] {
        if (auto owner = owner_.lock())
            owner->ProcessEvents();
        ParseReceiveBuffer(true);
    });
}

void OutputDemultiplexer::setRunningCommand(bool running, int32_t msgId) {
    commandRunning_ = running;
    runningId_ = running ? msgId : 0;
}

void OutputDemultiplexer::AddReceivedData(std::string_view bytes) {
    raw_.Add(bytes);
    if (raw_.Count() > 0)
        receiveTimer_->setEnabled(true);
}

void OutputDemultiplexer::findReplyEnd(int32_t stx, int32_t id, int32_t& trailer, int32_t& eot) const {
    trailer = raw_.FindStr(stx, std::string{static_cast<char>(ETX)} + "CMD" + twoDigits(id));
    eot = trailer ? raw_.FindByte(trailer, EOT) : 0;
}

OutputDemultiplexer::Head OutputDemultiplexer::classify() const {
    Head head;
    head.soh = raw_.FindByte(1, SOH);
    if (!head.soh)
        return head;
    head.stx = raw_.FindByte(head.soh, STX, 15);
    if (!head.stx) {
        // Counted from the SOH, so that output in front of a frame does not
        // make its unfinished header look like no frame at all.
        if (raw_.Count() - head.soh + 1 < 16)
            head.kind = Frame::HeaderIncomplete;
        return head;
    }
    int32_t headerLength = head.stx - head.soh;
    if (headerLength < 6)
        return head;
    int32_t n = 3;
    std::string tag = Automation::upperCase(raw_.MidStr(head.soh + 1, n));
    n = 2;
    int32_t ff = fieldValue(raw_.MidStr(head.soh + 4, n));
    if (tag == "CMD" && (headerLength == 6 || headerLength == 11)) {
        if (ff < 1 || ff > 99)
            return head;
        auto reply = replies_->Find(ff);
        if (!reply || reply->MsgID() != ff || reply->Replied())
            return head;
        head.id = ff;
        findReplyEnd(head.stx, ff, head.trailer, head.eot);
        head.kind = head.eot ? Frame::Reply : Frame::ReplyIncomplete;
    } else if (tag == "DB1" && headerLength == 8) {
        if (ff < 1)
            return head;
        head.trailer = raw_.FindByte(head.stx, ETX);
        head.eot = head.trailer ? raw_.FindByte(head.trailer, EOT) : 0;
        head.kind = head.eot ? Frame::Debug : Frame::DebugIncomplete;
    } else if (tag == "AP1" && headerLength == 14) {
        n = 8;
        int32_t length = fieldValue(raw_.MidStr(head.soh + 6, n));
        if (ff < 1 || length < 17)
            return head;
        head.eot = head.soh + length - 1;
        if (raw_.Count() < head.eot)
            head.kind = Frame::ApplicationIncomplete;
        else if (raw_.Peek(head.eot - 1) == EOT)
            head.kind = Frame::Application;
    }
    return head;
}

// A reply left unfinished in front of a complete newer one is given up.
// After the id wrapped from 99 to 1 the newer id is the smaller, so the
// running command's own reply always counts as the newer.
bool OutputDemultiplexer::supersededBy(const Head& head) {
    int32_t next = raw_.FindByte(head.soh + 1, SOH);
    if (!next)
        return false;
    int32_t stx = raw_.FindByte(next, STX, 15);
    if (!stx || stx - next < 6)
        return false;
    int32_t n = 3;
    if (Automation::upperCase(raw_.MidStr(next + 1, n)) != "CMD")
        return false;
    n = 2;
    int32_t id = fieldValue(raw_.MidStr(next + 4, n));
    bool newer = id > head.id || (commandRunning_ && id == runningId_ && id != head.id);
    if (!newer || id < 1 || id > 99)
        return false;
    int32_t trailer = 0, eot = 0;
    findReplyEnd(stx, id, trailer, eot);
    if (!eot)
        return false;
    moveToTerminal(next - 1);
    return true;
}

void OutputDemultiplexer::ParseReceiveBuffer(bool fromWatchdog) {
    replyStarted_ = false;
    bool goOn = true;
    while (goOn && raw_.Count() > 0) {
        Head head = classify();
        switch (head.kind) {
        case Frame::None: {
            int32_t next = head.soh ? raw_.FindByte(head.soh + 1, SOH) : 0;
            if (next)
                moveToTerminal(next - 1);
            else if (commandRunning_)
                goOn = false; // the echo in front of a reply waits for it
            else
                moveToTerminal(-1);
            if (fromWatchdog && watchdog_->Enabled())
                watchdog_->setEnabled(false);
            break;
        }
        case Frame::Reply:
            takeReply(head);
            break;
        case Frame::Debug:
            takeDebugFrame(head);
            break;
        case Frame::Application: {
            int32_t count = head.eot;
            if (apSeparationEnable_) {
                application_.Move(raw_, count);
                applicationAdded_ = application_.Count() > 0;
            } else {
                terminal_.Move(raw_, count);
                terminalAdded_ = terminal_.Count() > 0;
            }
            break;
        }
        case Frame::ReplyIncomplete:
            if (supersededBy(head))
                break;
            if (commandRunning_ && head.id == runningId_) {
                // The running command's own reply waits as long as the command does.
                replyStarted_ = true;
                goOn = false;
            } else {
                goOn = incompleteFrame(fromWatchdog);
            }
            break;
        case Frame::DebugIncomplete:
        case Frame::ApplicationIncomplete:
            goOn = incompleteFrame(fromWatchdog);
            break;
        case Frame::HeaderIncomplete:
            if (fromWatchdog) {
                watchdog_->setEnabled(false);
                giveUpHead();
            } else {
                if (!watchdog_->Enabled()) {
                    watchdog_->setInterval(DefaultWatchdogInterval);
                    watchdog_->setEnabled(true);
                }
                goOn = false;
            }
            break;
        }
    }
    notifyOwner();
}

bool OutputDemultiplexer::incompleteFrame(bool fromWatchdog) {
    watchdog_->setEnabled(false);
    if (fromWatchdog) {
        giveUpHead();
        return true;
    }
    watchdog_->setInterval(IncompleteFrameInterval);
    watchdog_->setEnabled(true);
    return false;
}

// Everything in front of the next frame start becomes plain output, in order.
void OutputDemultiplexer::giveUpHead() {
    int32_t soh = raw_.FindByte(1, SOH);
    int32_t next = soh ? raw_.FindByte(soh + 1, SOH) : 0;
    moveToTerminal(next ? next - 1 : -1);
}

void OutputDemultiplexer::takeReply(const Head& head) {
    if (raw_.FindByte(1, XOFF))
        xonXoffWarning_ = true;
    auto reply = replies_->Find(head.id);
    reply->setMsgID(head.id);
    int32_t n = head.trailer - head.stx - 1;
    reply->setReplyText(n > 0 ? raw_.MidStr(head.stx + 1, n) : std::string());
    int32_t stateAt = head.trailer + 6;
    auto stateChar = [&](int32_t i) {
        int32_t at = stateAt + i;
        return at < head.eot ? static_cast<char>(raw_.Peek(at - 1)) : '\0';
    };
    reply->setVerbosityLevel(static_cast<uint8_t>(stateChar(0)) - 65);
    reply->setErrorMsgType(fieldValue(std::string(1, stateChar(1))));
    reply->setLegacyMode(fieldValue(std::string(1, stateChar(2))));
    reply->setStdIO(fieldValue(std::string(1, stateChar(3))));
    reply->setStartUp(fieldValue(std::string(1, stateChar(4))));
    n = head.eot - stateAt;
    auto fields = splitAtRS(n > 0 ? raw_.MidStr(stateAt, n) : std::string());
    fields.resize(std::max<size_t>(fields.size(), 5));
    reply->setLineBreakStr(fields[1]);
    reply->setRBVersionStr(Automation::trim(fields[2]));
    reply->setErrorCount(fieldValue(fields[3]));
    std::string user = Automation::trim(fields[4]);
    if (!fields[1].empty())
        for (size_t at; (at = user.find(fields[1])) != std::string::npos;)
            user.erase(at, fields[1].size());
    reply->setUserName(user);

    // The printer's prompt after the frame belongs to it.
    int32_t end = head.eot;
    if (int32_t ok = raw_.FindStr(head.eot, "Ok", 6)) {
        int32_t k = ok - head.eot;
        n = 2 * k;
        reply->setTailingGarbage(raw_.Count() > head.eot ? raw_.MidStr(head.eot + 1, n) : std::string());
        end = head.eot + 2 * k;
    }
    // The echo of the frame and the prompt in front of it belong to it too.
    int32_t okAt = raw_.FindStr(1, "Ok", head.soh);
    int32_t echoAt = raw_.FindStr(1, "QQISV18%", head.soh);
    int32_t boundary = head.soh;
    if (!okAt && echoAt)
        boundary = echoAt;
    else if (okAt && echoAt)
        boundary = Automation::toLong((echoAt - okAt - 2) / 2.0) % 2 == 0 ? okAt - 2 : okAt - 1;
    if (boundary == 0)
        boundary = head.soh;
    if (raw_.Peek(boundary - 2) == LF && raw_.Peek(boundary - 3) == CR)
        boundary -= 2;
    else if (raw_.Peek(boundary - 2) == LF || raw_.Peek(boundary - 2) == CR)
        boundary -= 1;
    if (boundary >= 1) {
        n = head.soh - boundary;
        reply->setLeadingGarbage(n > 0 ? raw_.MidStr(boundary, n) : std::string());
    }
    reply->setReplied(true);
    if (boundary > 1) {
        moveToTerminal(boundary - 1);
        end -= boundary - 1;
    }
    raw_.RemoveFront(end);
}

void OutputDemultiplexer::takeDebugFrame(Head head) {
    int32_t shift = head.soh - 1;
    moveToTerminal(shift);
    head.stx -= shift;
    head.trailer -= shift;
    head.eot -= shift;
    int32_t n = head.trailer - head.stx - 1;
    std::string payload = n > 0 ? raw_.MidStr(head.stx + 1, n) : std::string();
    debug_.Add(payload);
    if (debug_.FindStr(1, "execution")) {
        if (debug_.FindStr(1, "dbstdio=ON"))
            rubricMode_ = enumRubricMode::RBMode_Break;
        else if (debug_.FindStr(1, "execution=ON"))
            rubricMode_ = enumRubricMode::RBMode_run;
        else
            rubricMode_ = enumRubricMode::RBMode_Immediate;
    }
    int32_t drop = head.eot;
    if (debug_.FindStr(1, "Break in line") && rubricMode_ == enumRubricMode::RBMode_run) {
        terminal_.Add(payload);
        terminalAdded_ = terminalAdded_ || !payload.empty();
    } else {
        // The line end after the frame; a byte that is none stays output.
        for (int i = 0; i < 2; ++i) {
            int32_t b = raw_.Peek(drop);
            if (b != CR && b != LF)
                break;
            ++drop;
        }
    }
    raw_.RemoveFront(drop);
    debugAdded_ = debugAdded_ || debug_.Count() > 0;
}

void OutputDemultiplexer::moveToTerminal(int32_t count) {
    if (count == 0)
        return;
    if (count < 0)
        count = raw_.Count();
    terminal_.Move(raw_, count);
    if (terminal_.Count() > 0)
        terminalAdded_ = true;
}

void OutputDemultiplexer::notifyOwner() {
    auto owner = owner_.lock();
    bool terminal = std::exchange(terminalAdded_, false) && terminal_.Count() > 0;
    bool debug = std::exchange(debugAdded_, false) && debug_.Count() > 0;
    bool application = std::exchange(applicationAdded_, false) && application_.Count() > 0;
    if (!owner)
        return;
    if (terminal)
        owner->TerminalReceived();
    if (debug)
        owner->DebugProtocolReceived();
    if (application)
        owner->ApplicationProtocolReceived();
}

} // namespace Brindle
