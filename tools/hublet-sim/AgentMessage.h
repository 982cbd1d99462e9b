#pragma once
// The SNMP version 1 messages the simulated print servers read and write,
// with a BER reader and writer of their own: the simulator shares no code
// with the product it checks.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HubletSim {

struct AgentBinding {
    std::string oid;     // dotted text
    uint8_t tag = 5;     // the value's BER tag
    std::string content; // the value's content bytes
};

struct AgentMessage {
    static constexpr uint8_t GetRequest = 0xA0;
    static constexpr uint8_t GetNextRequest = 0xA1;
    static constexpr uint8_t GetResponse = 0xA2;
    static constexpr uint8_t SetRequest = 0xA3;

    int32_t version = 0;
    std::string community;
    uint8_t pdu = GetResponse;
    int32_t requestId = 0;
    int32_t errorStatus = 0;
    int32_t errorIndex = 0;
    std::vector<AgentBinding> bindings;

    // Nothing for a datagram that is not a version 1 request or response.
    static std::optional<AgentMessage> decode(std::string_view datagram);
    std::string encode() const;

    // Content bytes of an INTEGER, and back.
    static std::string integerContent(int64_t value);
    static std::optional<int64_t> integerValue(std::string_view content);
};

} // namespace HubletSim
