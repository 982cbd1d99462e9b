// Reads arbitrary bytes as a received SNMP datagram: reading must succeed or
// name one of its own codes, and what was read must build again into a
// datagram that reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Trapline/BerReader.h"
#include "Trapline/BerWriter.h"
#include "Trapline/SnmpMessage.h"

using namespace Trapline;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto read = SnmpMessage::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    check(read.code == 0 || read.code == VersionNotZero || read.code == UnknownPdu ||
          read.code == ElementMalformed || read.code == ElementMissing);
    check(read.message.bindings.size() <= SnmpMessage::MaxBindings);
    if (read.code != 0)
        return 0;
    std::string again;
    try {
        again = read.message.encode();
    } catch (const BuildError& error) {
        // Identifiers from 2.216 on are read but not sent.
        check(error.code == 445);
        return 0;
    }
    const auto reread = SnmpMessage::decode(again);
    check(reread.code == 0);
    const SnmpMessage& a = read.message;
    const SnmpMessage& b = reread.message;
    check(a.community == b.community && a.pduTag == b.pduTag);
    if (a.pduTag == Pdu_Trap)
        check(a.enterprise == b.enterprise && a.agentAddress == b.agentAddress &&
              a.genericType == b.genericType && a.specificType == b.specificType &&
              a.timeStamp == b.timeStamp);
    else
        check(a.requestId == b.requestId && a.errorStatus == b.errorStatus && a.errorIndex == b.errorIndex);
    check(a.bindings.size() == b.bindings.size());
    for (std::size_t i = 0; i < a.bindings.size(); ++i)
        check(a.bindings[i].id == b.bindings[i].id && a.bindings[i].type == b.bindings[i].type &&
              a.bindings[i].value == b.bindings[i].value);
    return 0;
}
