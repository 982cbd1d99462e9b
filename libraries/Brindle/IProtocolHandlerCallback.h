#pragma once
// How the protocol handler calls its owner.
#include "Brindle/CommandReply.h"
#include "automation/Ref.h"

namespace Brindle {

class IProtocolHandlerCallback {
public:
    virtual ~IProtocolHandlerCallback() = default;

    // Bytes were added to the terminal, debug or application queue.
    virtual void TerminalReceived() = 0;
    virtual void DebugProtocolReceived() = 0;
    virtual void ApplicationProtocolReceived() = 0;
    // A command's reply is complete and its errors are collected.
    virtual void CommandProtocolReceived(const Automation::Ref<CommandReply>& CommandReplyObj) = 0;
    // Pumps the owner's connection.
    virtual void ProcessEvents() = 0;
    // Between the two packages of a frame.
    virtual void PackageDelay() = 0;
};

} // namespace Brindle
