#include "AgentMessage.h"

#include <charconv>

namespace HubletSim {

namespace {

void appendLength(std::string& out, size_t length) {
    if (length < 0x80) {
        out += static_cast<char>(length);
        return;
    }
    int count = 0;
    for (size_t rest = length; rest > 0; rest >>= 8)
        ++count;
    out += static_cast<char>(0x80 | count);
    for (int i = count - 1; i >= 0; --i)
        out += static_cast<char>((length >> (8 * i)) & 0xFF);
}

std::string element(uint8_t tag, std::string_view content) {
    std::string out(1, static_cast<char>(tag));
    appendLength(out, content.size());
    out.append(content);
    return out;
}

std::optional<std::string> oidContent(std::string_view text) {
    std::vector<uint32_t> parts;
    while (!text.empty()) {
        uint32_t part = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), part);
        if (error != std::errc())
            return std::nullopt;
        parts.push_back(part);
        text.remove_prefix(static_cast<size_t>(end - text.data()));
        if (!text.empty()) {
            if (text.front() != '.')
                return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (parts.size() < 2)
        return std::nullopt;
    std::string content(1, static_cast<char>(parts[0] * 40 + parts[1]));
    for (size_t i = 2; i < parts.size(); ++i) {
        std::string groups(1, static_cast<char>(parts[i] & 0x7F));
        for (uint32_t rest = parts[i] >> 7; rest > 0; rest >>= 7)
            groups.insert(groups.begin(), static_cast<char>(0x80 | (rest & 0x7F)));
        content += groups;
    }
    return content;
}

std::optional<std::string> oidText(std::string_view content) {
    if (content.empty())
        return std::nullopt;
    auto first = static_cast<uint8_t>(content[0]);
    std::string text = std::to_string(first / 40);
    text += '.';
    text += std::to_string(first % 40);
    uint64_t part = 0;
    for (size_t i = 1; i < content.size(); ++i) {
        auto byte = static_cast<uint8_t>(content[i]);
        part = (part << 7) | (byte & 0x7F);
        if (part > 0xFFFFFFFFu)
            return std::nullopt;
        if (!(byte & 0x80)) {
            text += '.';
            text += std::to_string(part);
            part = 0;
        } else if (i + 1 == content.size()) {
            return std::nullopt;
        }
    }
    return text;
}

// Reads one element: its tag and content, and moves past it.
struct Reader {
    std::string_view rest;

    bool next(uint8_t& tag, std::string_view& content) {
        if (rest.size() < 2)
            return false;
        tag = static_cast<uint8_t>(rest[0]);
        size_t length = static_cast<uint8_t>(rest[1]);
        size_t at = 2;
        if (length & 0x80) {
            size_t count = length & 0x7F;
            if (count == 0 || count > 4 || rest.size() < at + count)
                return false;
            length = 0;
            for (size_t i = 0; i < count; ++i)
                length = (length << 8) | static_cast<uint8_t>(rest[at++]);
        }
        if (rest.size() - at < length)
            return false;
        content = rest.substr(at, length);
        rest.remove_prefix(at + length);
        return true;
    }
    bool integer(int32_t& value) {
        uint8_t tag = 0;
        std::string_view content;
        if (!next(tag, content) || tag != 0x02)
            return false;
        auto number = AgentMessage::integerValue(content);
        if (!number || *number < INT32_MIN || *number > INT32_MAX)
            return false;
        value = static_cast<int32_t>(*number);
        return true;
    }
};

} // namespace

std::string AgentMessage::integerContent(int64_t value) {
    std::string content;
    for (int shift = 56; shift >= 0; shift -= 8)
        content += static_cast<char>((value >> shift) & 0xFF);
    // The fewest bytes that keep the sign.
    while (content.size() > 1 &&
           ((content[0] == 0 && !(content[1] & 0x80)) || (content[0] == '\xFF' && (content[1] & 0x80))))
        content.erase(0, 1);
    return content;
}

std::optional<int64_t> AgentMessage::integerValue(std::string_view content) {
    if (content.empty() || content.size() > 8)
        return std::nullopt;
    int64_t value = static_cast<int8_t>(content[0]);
    for (size_t i = 1; i < content.size(); ++i)
        value = value * 256 + static_cast<uint8_t>(content[i]);
    return value;
}

std::optional<AgentMessage> AgentMessage::decode(std::string_view datagram) {
    Reader outer{datagram};
    uint8_t tag = 0;
    std::string_view content;
    if (!outer.next(tag, content) || tag != 0x30)
        return std::nullopt;
    Reader message{content};
    AgentMessage m;
    if (!message.integer(m.version) || m.version != 0)
        return std::nullopt;
    if (!message.next(tag, content) || tag != 0x04)
        return std::nullopt;
    m.community = std::string(content);
    if (!message.next(m.pdu, content) || m.pdu < GetRequest || m.pdu > SetRequest)
        return std::nullopt;
    Reader pdu{content};
    if (!pdu.integer(m.requestId) || !pdu.integer(m.errorStatus) || !pdu.integer(m.errorIndex))
        return std::nullopt;
    if (!pdu.next(tag, content) || tag != 0x30)
        return std::nullopt;
    Reader list{content};
    while (!list.rest.empty()) {
        if (!list.next(tag, content) || tag != 0x30)
            return std::nullopt;
        Reader binding{content};
        AgentBinding b;
        if (!binding.next(tag, content) || tag != 0x06)
            return std::nullopt;
        auto oid = oidText(content);
        if (!oid)
            return std::nullopt;
        b.oid = *oid;
        if (!binding.next(b.tag, content))
            return std::nullopt;
        b.content = std::string(content);
        m.bindings.push_back(std::move(b));
    }
    return m;
}

std::string AgentMessage::encode() const {
    std::string list;
    for (const AgentBinding& b : bindings) {
        auto oid = oidContent(b.oid);
        list += element(0x30, element(0x06, oid.value_or(std::string(1, '\0'))) + element(b.tag, b.content));
    }
    std::string pduContent = element(0x02, integerContent(requestId)) +
                             element(0x02, integerContent(errorStatus)) +
                             element(0x02, integerContent(errorIndex)) + element(0x30, list);
    return element(0x30, element(0x02, integerContent(version)) + element(0x04, community) +
                             element(pdu, pduContent));
}

} // namespace HubletSim
