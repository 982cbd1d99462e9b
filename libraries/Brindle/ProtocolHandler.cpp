#include "Brindle/ProtocolHandler.h"

#include "Brindle/CommandFrame.h"
#include "Tickard/Timer.h"
#include "automation/Runtime.h"
#include "errors/ErrorInfoHolder.h"
#include "errors/ErrorTextProvider.h"
#include "messages/MessagePump.h"

namespace Brindle {

namespace {

constexpr const char* refusalSource = "ProtocolHandler:Query method";
constexpr const char* waitSource = "ProtocolHandler:Query Method";
constexpr const char* commandSource = "ProtocolHandler:Command Method";
// Puts back the printer state that the frame saved, after a frame was cut off while sending.
constexpr const char* restoreLine = "\rIMMEDIATE ON:SYSVAR(19)=QQISV19%:SYSVAR(18)=QQISV18%\r";

std::vector<std::string> splitAt(const std::string& text, const std::string& delimiter) {
    std::vector<std::string> lines;
    if (delimiter.empty())
        return {text};
    size_t start = 0;
    for (size_t at; (at = text.find(delimiter, start)) != std::string::npos; start = at + delimiter.size())
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

ProtocolHandler::ProtocolHandler() : demux_(std::make_unique<OutputDemultiplexer>(replies_)) {}

void ProtocolHandler::setCallbackOwner(Automation::WeakRef<IProtocolHandlerCallback> owner) {
    owner_ = owner;
    demux_->setOwner(std::move(owner));
}

int32_t ProtocolHandler::NextMsgID() {
    msgId_ = msgId_ + 1 > 99 ? 1 : msgId_ + 1;
    return msgId_;
}

void ProtocolHandler::Reset() {
    Abort();
    demux_->setRubricMode(enumRubricMode::RBMode_Unknown);
}

// A running command is always further down this thread's stack, waiting in
// its loop; waiting here for it to end could never end. So the abort is left
// pending for that loop, which ends with 113 and comes back here to drop the
// replies.
void ProtocolHandler::Abort() {
    if (abortPending_ || replies_->Count() == 0)
        return;
    if (commandRunning_) {
        abortPending_ = true;
        return;
    }
    replies_->RemoveAll();
    demux_->RawQueue().RemoveFront(demux_->RawQueue().Count());
}

void ProtocolHandler::pump() {
    if (auto owner = owner_.lock())
        owner->ProcessEvents();
    else
        Platform::WaitForEvents(10);
}

std::string ProtocolHandler::Command(std::string& Expression,
                                     const Automation::Ref<Tethra::Connection>& Connection,
                                     const Automation::Ref<Gaugely::Progress>& Progress,
                                     const int32_t& Timeout, bool TranslateLineBreaks,
                                     bool RaiseErrorFromRubric) {
    using Platform::ErrorTextProvider;
    if (!Connection)
        ErrorTextProvider::RaiseLibraryError(116, refusalSource);
    if (Connection->Busy())
        ErrorTextProvider::RaiseLibraryError(121, refusalSource);
    // A pending abort stays pending: it belongs to the command that runs.
    if (commandRunning_ || abortPending_)
        ErrorTextProvider::RaiseLibraryError(123, refusalSource);

    Automation::Ref<ProtocolHandler> keepAlive = self<ProtocolHandler>();
    auto holder = Automation::New<Platform::ErrorInfoHolder>();
    bool held = false;
    auto keep = [&] {
        if (!held)
            holder->Capture();
        held = true;
    };
    Automation::Ref<Gaugely::Progress> child;
    auto finish = [&] {
        commandRunning_ = false;
        demux_->setRunningCommand(false, 0);
        if (child) {
            child->SetFullProgress();
            child->setStart(false);
        }
    };

    Outcome outcome = Outcome::Replied;
    Automation::Ref<CommandReply> reply;
    try {
        Connection->setPortOpen(true);
        try {
            commandRunning_ = true;
            std::string frame = CommandFrame::Build(Expression, NextMsgID());
            reply = Automation::New<CommandReply>();
            reply->setMsgID(CurrentMsgID());
            reply->setMessageText(frame);
            reply = replies_->Add(reply);
            demux_->setRunningCommand(true, CurrentMsgID());
            int32_t splitPos = CommandFrame::SplitPos(frame, Expression);
            if (Progress) {
                child = Automation::New<Gaugely::Progress>();
                child->TaskAdd("Sending...", splitPos);
                child->TaskAdd("Sending...", static_cast<int32_t>(frame.size()) - splitPos);
                child->TaskAdd("Waiting for response", 2000);
                child->TaskAdd("Receiving", 10000);
                child->setReceiver(Progress);
                child->setNotificationInterval(500);
                child->setStart(true);
            }
            try {
                if (child)
                    child->setTaskIndex(1);
                Connection->Send(Automation::left(frame, splitPos - 1), child);
                if (auto owner = owner_.lock())
                    owner->PackageDelay();
                if (child)
                    child->setTaskIndex(2);
                Connection->Send(Automation::mid(frame, splitPos), child);
            } catch (...) {
                keep();
                abortPending_ = false;
                try {
                    Connection->Send(restoreLine);
                } catch (...) {
                    // The link that failed the frame may fail this too.
                }
                commandRunning_ = false;
                demux_->setRunningCommand(false, 0);
                Abort();
                throw;
            }
            outcome = waitForReply(Connection, reply, child, Timeout);
        } catch (...) {
            keep();
            try {
                Connection->setPortOpen(false);
            } catch (...) {
                // The first error is the one reported.
            }
            abortPending_ = false;
            throw;
        }
        Connection->setPortOpen(false);
        finish();
        switch (outcome) {
        case Outcome::NoResponse:
            ErrorTextProvider::RaiseLibraryError(119, waitSource);
        case Outcome::TimedOut:
            ErrorTextProvider::RaiseLibraryError(120, waitSource);
        case Outcome::LinkDropped:
            ErrorTextProvider::RaiseLibraryError(108, waitSource);
        case Outcome::Cancelled:
            abortPending_ = false;
            Abort();
            ErrorTextProvider::RaiseLibraryError(113, waitSource);
        case Outcome::Replied:
            break;
        }
    } catch (...) {
        if (!held && outcome != Outcome::Replied)
            throw; // the outcome's own error reaches the caller as it is
        keep();
        finish();
        throw Automation::Error(holder->Number(), holder->Source() + ">>" + commandSource,
                                holder->Description());
    }

    std::string result;
    try {
        result = evaluate(reply, TranslateLineBreaks);
    } catch (...) {
        keep();
        throw Automation::Error(holder->Number(), holder->Source() + ">>" + commandSource,
                                holder->Description());
    }
    // A count of errors without a line that names one leaves nothing to raise.
    if (RaiseErrorFromRubric && reply->RBErrors()->Count() > 0) {
        const auto& first = reply->RBErrors()->Item(1);
        Automation::raise(50000 + first->Number(), commandSource, "RB Error:" + first->Description());
    }
    return result;
}

ProtocolHandler::Outcome ProtocolHandler::waitForReply(const Automation::Ref<Tethra::Connection>& connection,
                                                       const Automation::Ref<CommandReply>& reply,
                                                       const Automation::Ref<Gaugely::Progress>& child,
                                                       int32_t timeout) {
    auto timer = Automation::New<Tickard::Timer>();
    timer->Reset();
    bool started = false;
    int32_t stxPos = 0;
    for (;;) {
        pump();
        bool replied = reply->Replied();
        if (!replied) {
            if (!started)
                started = demux_->TakeReplyStarted();
            if (timer->Elapsed() > firstResponseLimit_ && timeout <= 0 && !started)
                return Outcome::NoResponse;
            if (timeout > 0 && timer->Elapsed() > timeout)
                return Outcome::TimedOut;
        }
        bool cancelled = false;
        if (child) {
            if (child->TaskIndex() == 2 && child->AutoIncValue() == 0 && started) {
                child->setTaskIndex(3);
                child->setAutoIncValue(child->NotificationInterval() * 100 / 1000);
            }
            bool newData = demux_->TakeReplyStarted();
            FifoBuf& raw = demux_->RawQueue();
            if (child->TaskIndex() != 4 && newData) {
                child->setTaskIndex(4);
                child->setAutoIncValue(0);
                stxPos = raw.FindByte(1, 2);
            } else if (child->TaskIndex() == 4 && raw.Count() > stxPos && stxPos >= 1) {
                child->setSubValue(raw.Count() - stxPos);
            }
            cancelled = child->Cancel();
        }
        if ((cancelled || abortPending_) && !replied)
            return Outcome::Cancelled;
        if (replied)
            return Outcome::Replied;
        // A link that went down will bring no reply.
        if (!connection->PortOpen())
            return Outcome::LinkDropped;
    }
}

std::string ProtocolHandler::evaluate(const Automation::Ref<CommandReply>& reply, bool translateLineBreaks) {
    std::string result = reply->ReplyText();
    const std::string& lineBreak = reply->LineBreakStr();
    if (translateLineBreaks && lineBreak != "\r\n" && !lineBreak.empty()) {
        auto lines = splitAt(result, lineBreak);
        result.clear();
        for (size_t i = 0; i < lines.size(); ++i)
            result += (i ? "\r\n" : "") + lines[i];
    }
    if (reply->ErrorCount() >= 1) {
        for (const auto& line : splitAt(reply->ReplyText(), lineBreak)) {
            if (Automation::inStr(1, line, "Error", Automation::CompareMethod::Text) == 0)
                continue;
            // Output that only mentions the word is no error message.
            auto error = Automation::New<RubricError>();
            try {
                error->SetRBErrorMsg(line);
            } catch (const Automation::Error&) {
                continue;
            }
            reply->RBErrors()->Add(error);
        }
    }
    if (auto owner = owner_.lock())
        owner->CommandProtocolReceived(reply);
    return result;
}

} // namespace Brindle
