#pragma once
// Splits everything the printer sends into command replies and the debug,
// application and terminal streams. The bytes are collected in a raw queue
// and parsed on a short timer after they arrive, never inside the receive
// event; a watchdog gives up frames that stay incomplete.
#include <cstdint>
#include <string>

#include "Brindle/CommandReplyCollection.h"
#include "Brindle/FifoBuf.h"
#include "Brindle/IProtocolHandlerCallback.h"
#include "Tickard/TimerEvent.h"
#include "automation/Event.h"
#include "automation/Ref.h"

namespace Brindle {

enum class enumRubricMode : int32_t {
    RBMode_Unknown = 0,
    RBMode_Immediate = 1,
    RBMode_run = 2,
    RBMode_Break = 3,
};

class OutputDemultiplexer {
public:
    static constexpr int32_t DefaultWatchdogInterval = 400;
    // How long an incomplete frame may wait for its next byte.
    static constexpr int32_t IncompleteFrameInterval = 1000;

    explicit OutputDemultiplexer(Automation::Ref<CommandReplyCollection> replies);

    void setOwner(Automation::WeakRef<IProtocolHandlerCallback> owner) { owner_ = std::move(owner); }
    // The command that is waiting for its reply (id 0 when none runs).
    void setRunningCommand(bool running, int32_t msgId);

    // Queues received bytes and arms the parse timer.
    void AddReceivedData(std::string_view bytes);
    // One parse pass over the raw queue, as the timers run it.
    void ParseReceiveBuffer(bool fromWatchdog = false);

    FifoBuf& RawQueue() { return raw_; }
    std::string TakeTerminal() { return terminal_.TakeAll(); }
    std::string TakeDebug() { return debug_.TakeAll(); }
    std::string TakeApplication() { return application_.TakeAll(); }

    // Read-and-clear: a command reply has begun but is not complete.
    bool TakeReplyStarted() { return std::exchange(replyStarted_, false); }

    bool APSeparationEnable() const { return apSeparationEnable_; }
    void setAPSeparationEnable(bool value) { apSeparationEnable_ = value; }
    bool XonXoffWarning() const { return xonXoffWarning_; }
    enumRubricMode RubricMode() const { return rubricMode_; }
    void setRubricMode(enumRubricMode value) { rubricMode_ = value; }
    bool WatchdogEnabled() const { return watchdog_->Enabled(); }

private:
    enum class Frame {
        None,
        Reply,
        Debug,
        Application,
        ReplyIncomplete,
        DebugIncomplete,
        ApplicationIncomplete,
        HeaderIncomplete
    };
    struct Head {
        Frame kind = Frame::None;
        int32_t soh = 0;
        int32_t stx = 0;
        int32_t id = 0;
        int32_t trailer = 0; // position of ETX "CMD" id of a reply, or the ETX of a debug frame
        int32_t eot = 0;
    };

    Head classify() const;
    // The position of ETX "CMD" id and of the EOT behind it, searched from stx; 0 when missing.
    void findReplyEnd(int32_t stx, int32_t id, int32_t& trailer, int32_t& eot) const;
    bool supersededBy(const Head& head);
    void takeReply(const Head& head);
    void takeDebugFrame(Head head);
    // The pass may go on when the frame was given up.
    bool incompleteFrame(bool fromWatchdog);
    void giveUpHead();
    void moveToTerminal(int32_t count);
    void notifyOwner();

    Automation::Ref<CommandReplyCollection> replies_;
    Automation::WeakRef<IProtocolHandlerCallback> owner_;
    FifoBuf raw_, terminal_, debug_, application_;
    Automation::Ref<Tickard::TimerEvent> receiveTimer_;
    Automation::Ref<Tickard::TimerEvent> watchdog_;
    Automation::EventConnection receiveTick_, watchdogTick_;
    bool replyStarted_ = false;
    bool apSeparationEnable_ = false;
    bool xonXoffWarning_ = false;
    bool commandRunning_ = false;
    int32_t runningId_ = 0;
    enumRubricMode rubricMode_ = enumRubricMode::RBMode_Unknown;
    // What the pass added, told to the owner once the pass is over, so that
    // an owner that pumps or aborts from its handler finds a settled queue.
    bool terminalAdded_ = false, debugAdded_ = false, applicationAdded_ = false;
};

} // namespace Brindle
