#include "Trapline/SnmpMessage.h"

#include "Trapline/BerReader.h"
#include "Trapline/BerWriter.h"
#include "sockets/DottedAddress.h"

namespace Trapline {

namespace {

enum ValueTag : uint8_t {
    Tag_Integer = 2,
    Tag_OctetString = 4,
    Tag_Null = 5,
    Tag_ObjectId = 6,
    Tag_IPAddress = 64,
    Tag_Counter32 = 65,
    Tag_Gauge32 = 66,
    Tag_TimeTicks = 67,
    Tag_Counter64 = 70,
    Tag_UnsignedInteger32 = 71,
};

bool isUnsigned32(uint8_t tag) {
    return tag == Tag_Counter32 || tag == Tag_Gauge32 || tag == Tag_TimeTicks || tag == Tag_UnsignedInteger32;
}

// An optional "-" and the digits up to the first other character, wrapping
// at 32 bits; callers rely on texts never being refused.
uint32_t textToNumber(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    uint32_t value = 0;
    for (std::size_t i = negative ? 1 : 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

uint64_t textToCounter64(std::string_view text) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    return value;
}

std::string addressBytes(uint32_t address) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((address >> shift) & 0xFF);
    return out;
}

std::string valueContent(const VarBind& binding) {
    switch (binding.type) {
    case Tag_Integer:
        return BerWriter::signedContent(static_cast<int32_t>(textToNumber(binding.value)));
    case Tag_Null:
        return {};
    case Tag_ObjectId:
        return BerWriter::objectIdentifierContent(binding.value);
    case Tag_IPAddress:
        return addressBytes(Platform::Sockets::parseDottedAddress(binding.value).value_or(0xFFFFFFFFu));
    case Tag_Counter64:
        return BerWriter::counter64Content(textToCounter64(binding.value));
    default:
        if (isUnsigned32(binding.type))
            return BerWriter::unsignedContent(textToNumber(binding.value));
        return binding.value;
    }
}

std::string valueText(const BerElement& value) {
    switch (value.tag) {
    case Tag_Integer:
        return std::to_string(BerReader::signedValue(value.content));
    case Tag_Null:
        return {};
    case Tag_ObjectId:
        return BerReader::objectIdentifierText(value.content);
    case Tag_IPAddress:
        return Platform::Sockets::dottedAddressText(BerReader::ipAddressValue(value.content));
    case Tag_Counter64:
        return std::to_string(BerReader::counter64Value(value.content));
    default:
        if (isUnsigned32(value.tag))
            return std::to_string(BerReader::unsignedValue(value.content));
        return std::string(value.content);
    }
}

std::string integerElement(int32_t value) {
    return BerWriter::element(Tag_Integer, BerWriter::signedContent(value));
}

} // namespace

std::string SnmpMessage::encode() const {
    std::string fields;
    if (pduTag == Pdu_Trap) {
        fields = BerWriter::element(Tag_ObjectId, BerWriter::objectIdentifierContent(enterprise)) +
                 BerWriter::element(Tag_IPAddress, addressBytes(agentAddress)) + integerElement(genericType) +
                 integerElement(specificType) +
                 BerWriter::element(Tag_TimeTicks,
                                    timeStamp > INT32_MAX
                                        ? BerWriter::unsignedContent(static_cast<uint32_t>(timeStamp))
                                        : BerWriter::signedContent(static_cast<int32_t>(timeStamp)));
    } else {
        fields = integerElement(requestId) + integerElement(errorStatus) + integerElement(errorIndex);
    }
    std::string list;
    for (const VarBind& binding : bindings)
        list += BerWriter::sequence(
            BerWriter::element(Tag_ObjectId, BerWriter::objectIdentifierContent(binding.id)) +
            BerWriter::element(binding.type, valueContent(binding)));
    fields += BerWriter::sequence(list);
    return BerWriter::sequence(integerElement(0) + BerWriter::element(Tag_OctetString, community) +
                               BerWriter::element(pduTag, fields));
}

DecodedMessage SnmpMessage::decode(std::string_view datagram) {
    DecodedMessage result;
    SnmpMessage& message = result.message;
    try {
        BerReader outer(datagram);
        BerReader body(outer.next().content);
        const BerElement version = body.next();
        if (version.tag != Tag_Integer || version.content.empty() || version.content.size() > 4 ||
            BerReader::signedValue(version.content) != 0) {
            result.code = VersionNotZero;
            return result;
        }
        message.community = std::string(body.next().content);
        const BerElement pdu = body.next();
        if (pdu.tag < Pdu_GetRequest || pdu.tag > Pdu_Trap) {
            result.code = UnknownPdu;
            return result;
        }
        message.pduTag = pdu.tag;
        BerReader fields(pdu.content);
        if (pdu.tag == Pdu_Trap) {
            message.enterprise = BerReader::objectIdentifierText(fields.next().content);
            message.agentAddress = BerReader::ipAddressValue(fields.next().content);
            message.genericType = BerReader::signedValue(fields.next().content);
            message.specificType = BerReader::signedValue(fields.next().content);
            // TimeTicks are unsigned whatever their length (so is net-snmp's reading).
            message.timeStamp = BerReader::unsignedValue(fields.next().content);
        } else {
            message.requestId = BerReader::signedValue(fields.next().content);
            message.errorStatus = BerReader::signedValue(fields.next().content);
            message.errorIndex = BerReader::signedValue(fields.next().content);
        }
        BerReader list(fields.next().content);
        result.bindingListReached = true;
        while (!list.atEnd() && message.bindings.size() < MaxBindings) {
            BerReader binding(list.next().content);
            VarBind read;
            read.id = BerReader::objectIdentifierText(binding.next().content);
            const BerElement value = binding.next();
            read.type = value.tag;
            read.value = valueText(value);
            message.bindings.push_back(std::move(read));
        }
    } catch (const DecodeError& error) {
        result.code = error.code;
    }
    return result;
}

} // namespace Trapline
