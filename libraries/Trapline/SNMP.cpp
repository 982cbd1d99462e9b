#include "Trapline/SNMP.h"

#include "Trapline/BerReader.h"
#include "Trapline/BerWriter.h"
#include "automation/Error.h"
#include "sockets/DottedAddress.h"
#include "sockets/SocketErrors.h"
#include "sockets/SocketsLibrary.h"

namespace Trapline {

namespace {

using Platform::Automation::Variant;
using Platform::Sockets::SocketsLibrary;

constexpr const char* Source = "SNMP";
constexpr const char* ReceiveFailure = "SNMP: Error receiving packet.";
constexpr int32_t OutOfMemory = 200;
constexpr int32_t BadObjectIndex = 301;
constexpr int32_t TooManyObjects = 302;
constexpr int32_t NotAnAddress = 303;
constexpr int32_t BuildFailed = 445;

constexpr int32_t OutOfRange = 380;
constexpr int32_t InvalidArrayIndex = 381;
constexpr int32_t ReadOnly = 383;

std::string engineText(int32_t code) {
    switch (code) {
    case OutOfMemory:
        return "Out of memory.";
    case BadObjectIndex:
        return "Invalid object index: must be in [1..ObjCount].";
    case TooManyObjects:
        return "Value exceeds maximum number of objects allowed.";
    case NotAnAddress:
        return "Value must be an IP address.";
    case BuildFailed:
        return "Error building SNMP packet.";
    case VersionNotZero:
    case UnknownPdu:
    case ElementMalformed:
    case ElementMissing:
        return ReceiveFailure;
    default:
        return Platform::Sockets::UdpPort::describe(code);
    }
}

[[noreturn]] void fail(int32_t code) {
    if (code == OutOfMemory)
        Platform::Automation::raise(7, Source, "Out of memory.");
    std::string description = engineText(code);
    if (description.empty())
        description = Platform::Sockets::winsockErrorText(code);
    Platform::Automation::raise(code <= 10000 ? code + 20001 : code + 15001, Source, description);
}

void check(int32_t code) {
    if (code != 0)
        fail(code);
}

[[noreturn]] void outOfRange() {
    Platform::Automation::raise(OutOfRange, Source, "Value is out of range.");
}

[[noreturn]] void readOnly() {
    Platform::Automation::raise(ReadOnly, Source, "Property is read-only.");
}

constexpr uint8_t pduTags[] = {0,       Pdu_GetRequest, Pdu_GetNextRequest, Pdu_SetRequest, Pdu_GetResponse,
                               Pdu_Trap};

} // namespace

SNMP::SNMP() : port_(*this) {}

SNMP::~SNMP() = default;

// --- actions ---------------------------------------------------------------

void SNMP::setAction(int32_t value) {
    if (value < a_Reset || value > a_SendTrap)
        outOfRange();
    if (value == a_Reset) {
        reset();
        return;
    }
    action_ = value;
    struct ActionEnd {
        int32_t& action;
        ~ActionEnd() { action = a_Reset; }
    } end{action_};
    send(value);
}

void SNMP::reset() {
    for (VarBind& binding : slots_)
        binding = VarBind{};
    count_ = 0;
    errorStatus_ = 0;
    errorIndex_ = 0;
    trapAgentAddress_ = 0;
    trapEnterprise_.clear();
    trapGenericType_ = 0;
    trapSpecificType_ = 0;
    trapTimeStamp_ = 0;
}

void SNMP::send(int32_t action) {
    if (!port_.active())
        check(port_.activate());
    if (action == a_SendGetRequest)
        for (uint16_t i = 0; i < count_; ++i)
            slots_[i].type = ot_Null;

    SnmpMessage message;
    message.community = community_;
    message.pduTag = pduTags[action];
    if (action == a_SendTrap) {
        message.enterprise = trapEnterprise_;
        message.agentAddress = trapAgentAddress_;
        message.genericType = trapGenericType_;
        message.specificType = trapSpecificType_;
        message.timeStamp = trapTimeStamp_;
    } else {
        message.requestId = requestId_;
        requestId_ = static_cast<int32_t>(static_cast<uint32_t>(requestId_) + 1);
        message.errorStatus = errorStatus_;
        message.errorIndex = errorIndex_;
    }
    message.bindings.assign(slots_.begin(), slots_.begin() + count_);
    std::string datagram;
    try {
        datagram = message.encode();
    } catch (const BuildError& error) {
        fail(error.code);
    }

    // The default port holds for this send only.
    const int32_t remotePort = port_.remotePort();
    if (remotePort == 0)
        port_.setRemotePort(action == a_SendTrap ? 162 : 161);
    const int32_t code = port_.send(datagram);
    port_.setRemotePort(remotePort);
    check(code);
}

// --- receiving ---------------------------------------------------------------

bool SNMP::datagramArrived(std::string_view datagram, const std::string& sourceAddress, int32_t sourcePort) {
    // A handler may release the control.
    auto keep = weak_from_this().lock();
    DecodedMessage decoded = SnmpMessage::decode(datagram);
    const SnmpMessage& m = decoded.message;
    if (decoded.bindingListReached) {
        std::copy(m.bindings.begin(), m.bindings.end(), slots_.begin());
        count_ = static_cast<uint16_t>(m.bindings.size());
    }
    if (decoded.code != 0) {
        Error.raise(static_cast<int16_t>(decoded.code), ReceiveFailure);
        return false;
    }
    switch (m.pduTag) {
    case Pdu_GetRequest:
        GetRequest.raise(m.requestId, m.community, sourceAddress, sourcePort);
        break;
    case Pdu_GetNextRequest:
        GetNextRequest.raise(m.requestId, m.community, sourceAddress, sourcePort);
        break;
    case Pdu_GetResponse:
        GetResponse.raise(m.requestId, m.community, static_cast<int16_t>(m.errorStatus),
                          static_cast<int16_t>(m.errorIndex), sourceAddress, sourcePort);
        break;
    case Pdu_SetRequest:
        SetRequest.raise(m.requestId, m.community, sourceAddress, sourcePort);
        break;
    default:
        Trap.raise(m.community, m.enterprise, Platform::Sockets::dottedAddressText(m.agentAddress),
                   static_cast<int16_t>(m.genericType), m.specificType, m.timeStamp, sourceAddress,
                   sourcePort);
    }
    return true;
}

void SNMP::receiveFailed(int32_t code, const std::string& text) {
    auto keep = weak_from_this().lock();
    Error.raise(static_cast<int16_t>(code), text);
}

void SNMP::readyToSend() {
    auto keep = weak_from_this().lock();
    ReadyToSend.raise();
}

// --- message fields ----------------------------------------------------------

std::string SNMP::TrapAgentAddress() const {
    return trapAgentAddress_ == 0 ? std::string() : Platform::Sockets::dottedAddressText(trapAgentAddress_);
}

void SNMP::setTrapAgentAddress(const std::string& value) {
    auto address = Platform::Sockets::parseDottedAddress(value);
    if (!address)
        fail(NotAnAddress);
    trapAgentAddress_ = *address;
}

void SNMP::setTrapGenericType(int32_t value) {
    if (value < tgt_ColdStart || value > tgt_EnterpriseSpecific)
        outOfRange();
    trapGenericType_ = value;
}

// --- bindings ----------------------------------------------------------------

void SNMP::setObjCount(int16_t value) {
    if (value < 0 || value > static_cast<int16_t>(SnmpMessage::MaxBindings))
        fail(TooManyObjects);
    count_ = static_cast<uint16_t>(value);
}

VarBind& SNMP::slot(int16_t index) {
    if (index < 1 || index > count_)
        fail(BadObjectIndex);
    return slots_[static_cast<std::size_t>(index - 1)];
}

const VarBind& SNMP::slotToRead(int16_t index) const {
    if (index < 1 || index > count_)
        Platform::Automation::raise(InvalidArrayIndex, Source, "Invalid array index.");
    return slots_[static_cast<std::size_t>(index - 1)];
}

std::string SNMP::ObjId(int16_t index) const {
    return slotToRead(index).id;
}

void SNMP::setObjId(int16_t index, const std::string& value) {
    slot(index).id = value;
}

int32_t SNMP::ObjType(int16_t index) const {
    return slotToRead(index).type;
}

void SNMP::setObjType(int16_t index, int32_t value) {
    VarBind& binding = slot(index);
    if (value < 0 || value > 255)
        outOfRange();
    binding.type = static_cast<uint8_t>(value);
}

std::string SNMP::ObjValue(int16_t index) const {
    return slotToRead(index).value;
}

void SNMP::setObjValue(int16_t index, const std::string& value) {
    slot(index).value = value;
}

Variant SNMP::ObjValueB(int16_t index) const {
    const std::string& value = slotToRead(index).value;
    if (value.empty())
        return Variant();
    return Variant(Platform::Automation::ByteArray(value.begin(), value.end()));
}

void SNMP::setObjValueB(int16_t index, const Variant& value) {
    VarBind& binding = slot(index);
    const auto* bytes = value.get<Platform::Automation::ByteArray>();
    if (!bytes)
        Platform::Automation::raise(OutOfRange, Source, "Property accepts only one-dimensional byte arrays.");
    binding.value.assign(bytes->begin(), bytes->end());
}

// --- the socket --------------------------------------------------------------

void SNMP::setActive(bool value) {
    check(value ? port_.activate() : port_.deactivate());
}

void SNMP::setInBufferSize(int32_t value) {
    check(port_.setReceiveBufferSize(value));
}

void SNMP::setOutBufferSize(int32_t value) {
    check(port_.setSendBufferSize(value));
}

void SNMP::setLocalPort(int32_t value) {
    check(port_.setLocalPort(value));
}

std::string SNMP::RemoteHost() const {
    return Platform::Sockets::dottedAddressText(port_.remoteAddress());
}

void SNMP::setRemoteHost(const std::string& value) {
    check(port_.setRemoteHost(value));
}

void SNMP::setLocalHost(const std::string&) {
    readOnly();
}

void SNMP::setSocketHandle(int32_t) {
    readOnly();
}

void SNMP::DoEvents() {
    Platform::Sockets::UdpPort::DoEvents();
}

// --- the sockets library -----------------------------------------------------

void SNMP::setWinsockLoaded(bool value) {
    if (value)
        port_.load();
    else
        port_.unload();
}

std::string SNMP::WinsockPath() const {
    return SocketsLibrary::moduleFileName();
}

void SNMP::setWinsockPath(const std::string& value) {
    if (value.size() > SocketsLibrary::MaxPathLength)
        outOfRange();
    SocketsLibrary::setPath(value);
}

std::string SNMP::WinsockInfo() const {
    return SocketsLibrary::description();
}

void SNMP::setWinsockInfo(const std::string&) {
    readOnly();
}

std::string SNMP::WinsockStatus() const {
    return SocketsLibrary::status();
}

void SNMP::setWinsockStatus(const std::string&) {
    readOnly();
}

int32_t SNMP::WinsockMaxDatagramSize() const {
    return SocketsLibrary::maxDatagram();
}

void SNMP::setWinsockMaxDatagramSize(int32_t) {
    readOnly();
}

int32_t SNMP::WinsockMaxSockets() const {
    return SocketsLibrary::maxSockets();
}

void SNMP::setWinsockMaxSockets(int32_t) {
    readOnly();
}

} // namespace Trapline
