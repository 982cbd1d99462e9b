#pragma once
// A client of the TCP wrapper: the top client of its stack hears the control's events.
#include <cstdint>
#include <string>

#include "automation/Object.h"
#include "automation/Ref.h"

namespace Tethra {

class NetCommWrapper;

class INetCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{"{5D8E1F30-2A47-4B9C-8E61-0C3F7A92D4B8}",
                                                     "Tethra.INetCommClient",
                                                     "{5D8E1F30-2A47-4B9C-8E61-0C3F7A92D4B8}"};

    virtual ~INetCommClient() = default;

    // The wrapper the client is attached to; Nothing while detached.
    virtual Automation::Ref<NetCommWrapper> NetComm() = 0;
    virtual void setNetComm(const Automation::Ref<NetCommWrapper>& value) = 0;
    virtual void Connected(int16_t& StatusCode, std::string& Description) = 0;
    virtual void Receive() = 0;
    virtual void DataIn(std::string& Text, bool& EOL) = 0;
    virtual void Disconnected(int16_t& StatusCode, std::string& Description) = 0;
    virtual void Error(int16_t& ErrorCode, std::string& Description) = 0;
    virtual void ReadyToSend() = 0;
};

} // namespace Tethra
