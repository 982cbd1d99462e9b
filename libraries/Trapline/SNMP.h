#pragma once
// SNMP, the SNMP version 1 manager and agent control. The caller fills the
// properties and sets Action to send one message as one UDP datagram;
// received messages arrive as events while the thread pumps, with their
// bindings readable from ObjCount, ObjId, ObjType and ObjValue.
//
// Errors (source "SNMP"): a failure with code n of the engine or the socket
// is raised as n + 20001, or n + 15001 for the sockets library's codes above
// 10000 ("[10051] Network is unreachable" as 25052); 380 a value out of
// range, 381 an index outside 1 to ObjCount on reading, 383 a read-only
// property, 7 out of memory.
#include <array>
#include <cstdint>
#include <string>

#include "Trapline/SnmpMessage.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"
#include "sockets/UdpPort.h"

namespace Trapline {

enum TAction : int32_t {
    a_Reset = 0,
    a_SendGetRequest = 1,
    a_SendGetNextRequest = 2,
    a_SendSetRequest = 3,
    a_SendGetResponse = 4,
    a_SendTrap = 5,
};

enum TObjType : int32_t {
    ot_Integer = 2,
    ot_OctetString = 4,
    ot_Null = 5,
    ot_ObjectId = 6,
    ot_IPAddress = 64,
    ot_Counter32 = 65,
    ot_Gauge32 = 66,
    ot_TimeTicks = 67,
    ot_Opaque = 68,
    ot_NSAP = 69,
    ot_Counter64 = 70,
    ot_UnsignedInteger32 = 71,
};

enum TTrapGenericType : int32_t {
    tgt_ColdStart = 0,
    tgt_WarmStart = 1,
    tgt_LinkDown = 2,
    tgt_LinkUp = 3,
    tgt_AuthenticationFailure = 4,
    tgt_EGPNeighborLoss = 5,
    tgt_EnterpriseSpecific = 6,
};

class SNMP final : public Platform::Automation::Object, private Platform::Sockets::UdpPort::Client {
public:
    static constexpr Platform::Automation::ClassInfo classInfo{
        "{33337300-F789-11CE-86F8-0020AFD8C6DB}", "SNMP.SNMP", "{33337301-F789-11CE-86F8-0020AFD8C6DB}"};
    static constexpr const char* DefaultCommunity = "caddis";

    SNMP();
    // Closes the socket without delivering what still waits.
    ~SNMP() override;
    SNMP(const SNMP&) = delete;
    SNMP& operator=(const SNMP&) = delete;

    // 0 resets the message fields; 1 to 5 build and send one message. Reads
    // the action running, 0 when none.
    int32_t Action() const { return action_; }
    void setAction(int32_t value);
    // True opens and binds the socket; False first delivers the datagrams
    // that wait, then closes it.
    bool Active() const { return port_.active(); }
    void setActive(bool value);

    // Fields of outgoing messages; received ones leave them alone.
    std::string Community() const { return community_; }
    void setCommunity(const std::string& value) { community_ = value; }
    int16_t ErrorIndex() const { return errorIndex_; }
    void setErrorIndex(int16_t value) { errorIndex_ = value; }
    int16_t ErrorStatus() const { return errorStatus_; }
    void setErrorStatus(int16_t value) { errorStatus_ = value; }
    // Increased by 1 by each request, response included, even when it cannot be built.
    int32_t RequestId() const { return requestId_; }
    void setRequestId(int32_t value) { requestId_ = value; }
    std::string TrapAgentAddress() const;
    void setTrapAgentAddress(const std::string& value);
    std::string TrapEnterprise() const { return trapEnterprise_; }
    void setTrapEnterprise(const std::string& value) { trapEnterprise_ = value; }
    int32_t TrapGenericType() const { return trapGenericType_; }
    void setTrapGenericType(int32_t value);
    int16_t TrapSpecificType() const { return trapSpecificType_; }
    void setTrapSpecificType(int16_t value) { trapSpecificType_ = value; }
    int32_t TrapTimeStamp() const { return trapTimeStamp_; }
    void setTrapTimeStamp(int32_t value) { trapTimeStamp_ = value; }

    // The bindings, 1 to ObjCount (at most 64).
    int16_t ObjCount() const { return static_cast<int16_t>(count_); }
    void setObjCount(int16_t value);
    std::string ObjId(int16_t index) const;
    void setObjId(int16_t index, const std::string& value);
    int32_t ObjType(int16_t index) const;
    void setObjType(int16_t index, int32_t value);
    std::string ObjValue(int16_t index) const;
    void setObjValue(int16_t index, const std::string& value);
    // The value as bytes: Empty for an empty value; only a byte array is taken.
    Platform::Automation::Variant ObjValueB(int16_t index) const;
    void setObjValueB(int16_t index, const Platform::Automation::Variant& value);

    // The socket.
    int32_t InBufferSize() const { return port_.receiveBufferSize(); }
    void setInBufferSize(int32_t value);
    int32_t OutBufferSize() const { return port_.sendBufferSize(); }
    void setOutBufferSize(int32_t value);
    int32_t LocalPort() const { return port_.localPort(); }
    void setLocalPort(int32_t value);
    bool ShareLocalPort() const { return port_.shareLocalPort(); }
    void setShareLocalPort(bool value) { port_.setShareLocalPort(value); }
    // Dotted address, host name, "255.255.255.255" or empty; reads back dotted.
    std::string RemoteHost() const;
    void setRemoteHost(const std::string& value);
    // 0 sends to 161, or 162 for a trap.
    int32_t RemotePort() const { return port_.remotePort(); }
    void setRemotePort(int32_t value) { port_.setRemotePort(value); }
    std::string LocalHost() const { return port_.localHost(); }
    void setLocalHost(const std::string& value);
    int32_t SocketHandle() const { return port_.socketHandle(); }
    void setSocketHandle(int32_t value);

    // The sockets library.
    bool WinsockLoaded() const { return port_.loaded(); }
    void setWinsockLoaded(bool value);
    std::string WinsockPath() const;
    void setWinsockPath(const std::string& value);
    std::string WinsockInfo() const;
    void setWinsockInfo(const std::string& value);
    std::string WinsockStatus() const;
    void setWinsockStatus(const std::string& value);
    int32_t WinsockMaxDatagramSize() const;
    void setWinsockMaxDatagramSize(int32_t value);
    int32_t WinsockMaxSockets() const;
    void setWinsockMaxSockets(int32_t value);

    // Handles what waits for the thread, or waits up to 10 ms for something.
    void DoEvents();

    // RequestId, Community, SourceAddress, SourcePort.
    Platform::Automation::Event<int32_t, std::string, std::string, int32_t> GetNextRequest;
    Platform::Automation::Event<int32_t, std::string, std::string, int32_t> GetRequest;
    // RequestId, Community, ErrorStatus, ErrorIndex, SourceAddress, SourcePort.
    Platform::Automation::Event<int32_t, std::string, int16_t, int16_t, std::string, int32_t> GetResponse;
    Platform::Automation::Event<> ReadyToSend;
    Platform::Automation::Event<int32_t, std::string, std::string, int32_t> SetRequest;
    // Community, Enterprise, AgentAddress, GenericType, SpecificType,
    // TimeStamp (hundredths of a second, up to 4294967295), SourceAddress, SourcePort.
    Platform::Automation::Event<std::string, std::string, std::string, int16_t, int32_t, int64_t, std::string,
                                int32_t>
        Trap;
    // ErrorCode, Description: a datagram that could not be received or read.
    Platform::Automation::Event<int16_t, std::string> Error;

private:
    // UdpPort::Client
    bool datagramArrived(std::string_view datagram, const std::string& sourceAddress,
                         int32_t sourcePort) override;
    void receiveFailed(int32_t code, const std::string& text) override;
    void readyToSend() override;

    void reset();
    void send(int32_t action);
    VarBind& slot(int16_t index);
    const VarBind& slotToRead(int16_t index) const;

    std::array<VarBind, SnmpMessage::MaxBindings> slots_;
    uint16_t count_ = 0;
    std::string community_ = DefaultCommunity;
    int32_t requestId_ = 0;
    int16_t errorStatus_ = 0;
    int16_t errorIndex_ = 0;
    std::string trapEnterprise_;
    uint32_t trapAgentAddress_ = 0;
    int32_t trapGenericType_ = 0;
    int16_t trapSpecificType_ = 0;
    int32_t trapTimeStamp_ = 0;
    int32_t action_ = a_Reset;
    Platform::Sockets::UdpPort port_;
};

} // namespace Trapline
