#pragma once
// One SNMP version 1 message as our engine sends and reads it: the header
// fields, the trap fields and the variable bindings, with their values as
// the control shows them (text, or the bytes of an octet string).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Trapline {

// PDU tags.
enum PduTag : uint8_t {
    Pdu_GetRequest = 0xA0,
    Pdu_GetNextRequest = 0xA1,
    Pdu_GetResponse = 0xA2,
    Pdu_SetRequest = 0xA3,
    Pdu_Trap = 0xA4,
};

struct VarBind {
    std::string id;
    uint8_t type = 4;
    std::string value;
};

// The engine's codes for a received datagram that cannot be read.
inline constexpr int32_t VersionNotZero = 305;
inline constexpr int32_t UnknownPdu = 306;

struct DecodedMessage;

struct SnmpMessage {
    static constexpr std::size_t MaxBindings = 64;

    std::string community;
    uint8_t pduTag = Pdu_GetRequest;
    int32_t requestId = 0;
    int32_t errorStatus = 0;
    int32_t errorIndex = 0;
    std::string enterprise;
    uint32_t agentAddress = 0; // host byte order
    int32_t genericType = 0;
    int32_t specificType = 0;
    // Hundredths of a second, a signed integer of up to four bytes; the
    // standard five-byte form of uptimes from 2^31 on (a leading 0x00) is
    // read and written too, so that agents up longer than 248 days read right.
    int64_t timeStamp = 0;
    std::vector<VarBind> bindings;

    // The datagram; BuildError 445 when an element does not fit.
    std::string encode() const;
    // Reads one datagram. Bindings beyond the 64th are ignored.
    static DecodedMessage decode(std::string_view datagram);
};

struct DecodedMessage {
    // 0, or the code of the first element that could not be read (305, 306, 446, 447).
    int32_t code = 0;
    // The binding list was reached: message.bindings holds what was read of
    // it, also when `code` tells of a failure inside it.
    bool bindingListReached = false;
    SnmpMessage message;
};

} // namespace Trapline
