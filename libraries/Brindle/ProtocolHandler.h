#pragma once
// Runs one framed command on a connection: sends the frame in two packages,
// waits (pumping events) until the demultiplexer has parsed its reply, and
// raises the first printer error of the reply.
#include <cstdint>
#include <memory>
#include <string>

#include "Brindle/CommandReplyCollection.h"
#include "Brindle/IProtocolHandlerCallback.h"
#include "Brindle/OutputDemultiplexer.h"
#include "Gaugely/Progress.h"
#include "Tethra/Connection.h"
#include "automation/Object.h"

namespace Brindle {

class ProtocolHandler : public Automation::Object {
public:
    ProtocolHandler();

    enumRubricMode RubricMode() const { return demux_->RubricMode(); }
    // Abort, and the mode is unknown again.
    void Reset();
    // Cancels the running command, which then raises 113, and drops the
    // replies and the bytes not parsed yet.
    void Abort();
    // Timeout in ms; 0 or less: no overall limit, only the first-response limit.
    std::string Command(std::string& Expression, const Automation::Ref<Tethra::Connection>& Connection,
                        const Automation::Ref<Gaugely::Progress>& Progress, const int32_t& Timeout,
                        bool TranslateLineBreaks, bool RaiseErrorFromRubric);
    bool XonXoffWarning() const { return demux_->XonXoffWarning(); }

    // For the Printer.
    void setCallbackOwner(Automation::WeakRef<IProtocolHandlerCallback> owner);
    int32_t FirstResponseLimit() const { return firstResponseLimit_; }
    void setFirstResponseLimit(int32_t value) { firstResponseLimit_ = value; }
    bool APSeparationEnable() const { return demux_->APSeparationEnable(); }
    void setAPSeparationEnable(bool value) { demux_->setAPSeparationEnable(value); }
    void AddReceivedData(std::string_view bytes) { demux_->AddReceivedData(bytes); }
    std::string TakeTerminal() { return demux_->TakeTerminal(); }
    std::string TakeDebug() { return demux_->TakeDebug(); }
    std::string TakeApplication() { return demux_->TakeApplication(); }

    int32_t CurrentMsgID() const { return msgId_; }

private:
    enum class Outcome { Replied, NoResponse, TimedOut, Cancelled, LinkDropped };

    int32_t NextMsgID();
    Outcome waitForReply(const Automation::Ref<Tethra::Connection>& connection,
                         const Automation::Ref<CommandReply>& reply,
                         const Automation::Ref<Gaugely::Progress>& child, int32_t timeout);
    std::string evaluate(const Automation::Ref<CommandReply>& reply, bool translateLineBreaks);
    void pump();

    Automation::WeakRef<IProtocolHandlerCallback> owner_;
    Automation::Ref<CommandReplyCollection> replies_ = Automation::New<CommandReplyCollection>();
    std::unique_ptr<OutputDemultiplexer> demux_;
    int32_t msgId_ = 0;
    int32_t firstResponseLimit_ = 1000;
    bool commandRunning_ = false;
    bool abortPending_ = false;
};

} // namespace Brindle
