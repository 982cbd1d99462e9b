// The BER codec and SNMP version 1 messages: the wire bytes of what we send,
// and what we make of received datagrams, good and bad.
#include <gtest/gtest.h>
#include <random>
#include <tuple>

#include "Trapline/BerReader.h"
#include "Trapline/BerWriter.h"
#include "Trapline/SnmpMessage.h"

namespace Trapline {
namespace {

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[static_cast<uint8_t>(c) >> 4];
        out += digits[static_cast<uint8_t>(c) & 15];
    }
    return out;
}

std::string bytes(std::string_view hexText) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hexText.size(); i += 3)
        out += static_cast<char>(std::stoi(std::string(hexText.substr(i, 2)), nullptr, 16));
    return out;
}

SnmpMessage getRequest(std::vector<VarBind> bindings) {
    SnmpMessage message;
    message.community = "public";
    message.requestId = 7;
    message.bindings = std::move(bindings);
    return message;
}

// The bytes that the message's last binding value encodes to.
std::string lastValue(const VarBind& binding) {
    std::string wire = getRequest({binding}).encode();
    // The identifier "1.3" encodes as 06 01 2B, just before the value.
    return hex(wire.substr(wire.rfind("\x06\x01\x2B") + 3));
}

TEST(SnmpMessageEncode, GoldenBytes) {
    std::string wire = getRequest({{"1.3.6.1.2.1.2.2.1.2.1", 5, ""}}).encode();
    EXPECT_EQ(hex(wire.substr(wire.size() - 18)), "30 10 30 0E 06 0A 2B 06 01 02 01 02 02 01 02 01 05 00");
    EXPECT_EQ(hex(BerWriter::element(6, BerWriter::objectIdentifierContent("1.3.6.1.4.1.1963.20.10.5.6.0"))),
              "06 0C 2B 06 01 04 01 8F 2B 14 0A 05 06 00");
    EXPECT_EQ(hex(BerWriter::sequence(std::string(130, 'x')).substr(0, 4)), "30 82 00 82");
    EXPECT_EQ(hex(BerWriter::element(4, std::string(130, 'x')).substr(0, 3)), "04 81 82");
    EXPECT_EQ(hex(BerWriter::element(4, std::string(300, 'x')).substr(0, 4)), "04 82 01 2C");
    EXPECT_EQ(hex(BerWriter::sequence(std::string(127, 'x')).substr(0, 2)), "30 7F");

    const struct {
        VarBind binding;
        const char* wire;
    } values[] = {
        {{"1.3", 65, "5"}, "41 04 00 00 00 05"},
        {{"1.3", 65, "4294967295"}, "41 05 00 FF FF FF FF"},
        {{"1.3", 67, "-1"}, "43 05 00 FF FF FF FF"},
        {{"1.3", 2, "5"}, "02 01 05"},
        {{"1.3", 2, "-1"}, "02 01 FF"},
        {{"1.3", 2, "128"}, "02 02 00 80"},
        {{"1.3", 2, "-129"}, "02 02 FF 7F"},
        {{"1.3", 2, "4294967296"}, "02 01 00"}, // wraps at 32 bits
        {{"1.3", 2, "12ab"}, "02 01 0C"},
        {{"1.3", 2, ""}, "02 01 00"},
        {{"1.3", 70, "128"}, "46 02 00 80"},
        {{"1.3", 70, "18446744073709551615"}, "46 09 00 FF FF FF FF FF FF FF FF"},
        {{"1.3", 64, "127.1"}, "40 04 7F 00 00 01"},
        {{"1.3", 64, "no address"}, "40 04 FF FF FF FF"},
        {{"1.3", 6, "2.100.3"}, "06 03 81 34 03"},
        {{"1.3", 6, "1..3"}, "06 02 28 03"},
        {{"1.3", 6, "7"}, "06 01 00"},
        {{"1.3", 5, "ignored"}, "05 00"},
        {{"1.3", 4, std::string("a\0b", 3)}, "04 03 61 00 62"},
        {{"1.3", 99, "xy"}, "63 02 78 79"},
    };
    for (const auto& value : values)
        EXPECT_EQ(lastValue(value.binding), value.wire) << value.binding.value;
}

TEST(SnmpMessageEncode, TrapAndRefusedIdentifiers) {
    SnmpMessage trap;
    trap.community = "c";
    trap.pduTag = Pdu_Trap;
    trap.enterprise = "1.3.6.1.4.1.1963";
    trap.agentAddress = 0x7F000002;
    trap.genericType = 6;
    trap.specificType = 17;
    trap.timeStamp = -1294967296; // as the control's Long holds 3000000000
    EXPECT_EQ(hex(trap.encode()),
              "30 25 02 01 00 04 01 63 A4 1D 06 07 2B 06 01 04 01 8F 2B 40 04 7F 00 00 02 "
              "02 01 06 02 01 11 43 04 B2 D0 5E 00 30 00");

    EXPECT_EQ(SnmpMessage::decode(trap.encode()).message.timeStamp, 3000000000);

    // Time-stamps are written signed in up to four bytes, the standard five-byte form from 2^31 on;
    // they are read unsigned whatever the form, as TimeTicks are.
    for (const auto& [stamp, wire, read] : std::initializer_list<std::tuple<int64_t, const char*, int64_t>>{
             {3000000000, "43 05 00 B2 D0 5E 00", 3000000000},
             {-3121664, "43 03 D0 5E 00", 0xD05E00},
             {12345, "43 02 30 39", 12345}}) {
        trap.timeStamp = stamp;
        const std::string encoded = trap.encode();
        EXPECT_NE(hex(encoded).find(wire), std::string::npos) << stamp;
        EXPECT_EQ(SnmpMessage::decode(encoded).message.timeStamp, read) << stamp;
    }

    std::string tooMany(65 * 2 - 1, '.');
    for (std::size_t i = 0; i < tooMany.size(); i += 2)
        tooMany[i] = '1';
    for (const std::string& id : {tooMany, std::string("1.3.4294967296"), std::string("6.16")}) {
        try {
            getRequest({{id, 5, ""}}).encode();
            ADD_FAILURE() << id;
        } catch (const BuildError& error) {
            EXPECT_EQ(error.code, 445) << id;
        }
    }
    EXPECT_NO_THROW(getRequest({{tooMany.substr(2), 5, ""}}).encode());
}

TEST(SnmpMessageDecode, ReadsWhatNetSnmpSends) {
    // snmptrap -v1 with uptime 3000000000: net-snmp writes the TimeTicks with a leading 00.
    auto trap =
        SnmpMessage::decode(bytes("30 2C 02 01 00 04 06 70 75 62 6C 69 63 A4 1F 06 07 2B 06 01 04 01 8F 2B "
                                  "40 04 7F 00 00 02 02 01 06 02 02 01 00 43 05 00 B2 D0 5E 00 30 00"));
    ASSERT_EQ(trap.code, 0);
    EXPECT_EQ(trap.message.community, "public");
    EXPECT_EQ(trap.message.enterprise, "1.3.6.1.4.1.1963");
    EXPECT_EQ(trap.message.agentAddress, 0x7F000002u);
    EXPECT_EQ(trap.message.specificType, 256);
    EXPECT_EQ(trap.message.timeStamp, 3000000000);

    auto response = SnmpMessage::decode(bytes(
        "30 81 3D 02 01 00 04 06 70 75 62 6C 69 63 A2 84 00 00 00 2C 02 04 FF FF FF FE 02 01 00 02 01 00 30 "
        "1E 30 0B 06 03 2B 06 01 41 04 00 00 00 05 30 0F 06 07 2B 06 01 04 01 8F 2B 43 04 FF FF FF FF"));
    ASSERT_EQ(response.code, 0);
    EXPECT_EQ(response.message.requestId, -2);
    ASSERT_EQ(response.message.bindings.size(), 2u);
    EXPECT_EQ(response.message.bindings[0].id, "1.3.6.1");
    EXPECT_EQ(response.message.bindings[0].value, "5");
    EXPECT_EQ(response.message.bindings[1].type, 67);
    EXPECT_EQ(response.message.bindings[1].value, "4294967295");
}

std::string response(std::string_view list) {
    std::string pdu = BerWriter::element(0xA2, bytes("02 01 07 02 01 00 02 01 00") + std::string(list));
    return BerWriter::sequence(bytes("02 01 00 04 01 63") + pdu);
}

std::string binding(std::string_view value) {
    return BerWriter::sequence(bytes("06 01 2B") + std::string(value));
}

TEST(SnmpMessageDecode, ValuesAndIdentifiers) {
    const struct {
        const char* wire;
        const char* text;
    } values[] = {
        {"02 04 80 00 00 00", "-2147483648"},
        {"41 05 00 80 00 00 00", "2147483648"},
        {"42 01 FF", "255"},
        {"46 09 00 FF FF FF FF FF FF FF FF", "18446744073709551615"},
        {"40 04 0A 00 00 01", "10.0.0.1"},
        {"06 02 81 34", "2.100"},
        {"06 01 27", "0.39"},
        {"06 06 2B 8F FF FF FF 7F", "1.3.4294967295"},
        {"05 00", ""},
    };
    for (const auto& value : values) {
        auto got = SnmpMessage::decode(response(BerWriter::sequence(binding(bytes(value.wire)))));
        ASSERT_EQ(got.code, 0) << value.wire;
        ASSERT_EQ(got.message.bindings.size(), 1u);
        EXPECT_EQ(got.message.bindings[0].value, value.text) << value.wire;
    }
}

TEST(SnmpMessageDecode, BadDatagrams) {
    const std::string good = binding(bytes("02 01 05"));
    const struct {
        std::string datagram;
        int32_t code;
        bool listReached;
        std::size_t bindingsRead;
    } cases[] = {
        {"", ElementMissing, false, 0},
        {bytes("30 03 02 01 01"), VersionNotZero, false, 0},
        {bytes("30 03 04 01 00"), VersionNotZero, false, 0},
        {bytes("30 07 02 01 00 04 00 A7 00"), UnknownPdu, false, 0},
        {bytes("30 07 02 01 00 04 00 85 00"), UnknownPdu, false, 0},
        {bytes("30 05 02 01 00 04 00"), ElementMissing, false, 0},
        {bytes("30 09 02 01 00 04 00 A2 01 02"), ElementMalformed, false, 0}, // length past its element
        {bytes("30 20 02 01 00"), ElementMalformed, false, 0},                // past the datagram
        {bytes("30 80 02 01 00"), ElementMalformed, false, 0},                // no length bytes
        {bytes("30 85 00 00 00 00 03 02 01 00"), ElementMalformed, false, 0}, // five length bytes
        {bytes("3F 01 00"), ElementMalformed, false, 0},                      // high tag number
        {response(""), ElementMissing, false, 0},
        {response(BerWriter::sequence(good + binding(bytes("02 05 00 00 00 00 01")))), ElementMalformed, true,
         1},
        {response(BerWriter::sequence(good + binding(bytes("41 05 01 00 00 00 01")))), ElementMalformed, true,
         1},
        {response(BerWriter::sequence(good + binding(bytes("40 03 01 02 03")))), ElementMalformed, true, 1},
        {response(BerWriter::sequence(good + binding(bytes("02 00")))), ElementMalformed, true, 1},
        {response(BerWriter::sequence(good + BerWriter::sequence(bytes("06 01 2B")))), ElementMissing, true,
         1},
        {response(BerWriter::sequence(good + binding(bytes("46 09 01 00 00 00 00 00 00 00 00")))),
         ElementMalformed, true, 1},
        {response(BerWriter::sequence(BerWriter::sequence(bytes("06 06 2B 90 80 80 80 00 05 00")))),
         ElementMalformed, true, 0}, // above 32 bits
        {response(BerWriter::sequence(BerWriter::sequence(bytes("06 02 2B 81 05 00")))), ElementMalformed,
         true, 0},
        {response(BerWriter::sequence(BerWriter::sequence(bytes("06 00 05 00")))), ElementMalformed, true, 0},
    };
    for (const auto& c : cases) {
        auto got = SnmpMessage::decode(c.datagram);
        EXPECT_EQ(got.code, c.code) << hex(c.datagram);
        EXPECT_EQ(got.bindingListReached, c.listReached) << hex(c.datagram);
        EXPECT_EQ(got.message.bindings.size(), c.bindingsRead) << hex(c.datagram);
    }

    // An identifier of 64 components is read, one of 65 is refused.
    for (std::size_t count : {64u, 65u}) {
        std::string id = BerWriter::element(6, "\x2B" + std::string(count - 2, '\x01'));
        auto got =
            SnmpMessage::decode(response(BerWriter::sequence(BerWriter::sequence(id + bytes("05 00")))));
        EXPECT_EQ(got.code, count == 64 ? 0 : ElementMalformed);
    }
}

TEST(SnmpMessageDecode, SeventyBindingsFillSixtyFour) {
    std::string list;
    for (int i = 0; i < 70; ++i)
        list += binding(bytes("02 01 05"));
    auto got = SnmpMessage::decode(response(BerWriter::sequence(list)));
    EXPECT_EQ(got.code, 0);
    EXPECT_EQ(got.message.bindings.size(), 64u);
}

TEST(SnmpMessageRoundTrip, RandomBindingLists) {
    std::mt19937 random(1963);
    auto number = [&](uint32_t limit) { return std::uniform_int_distribution<uint32_t>(0, limit)(random); };
    auto oid = [&] {
        std::string text = std::to_string(number(2)) + "." + std::to_string(number(39));
        for (uint32_t i = number(20); i > 0; --i)
            text += "." + std::to_string(number(0xFFFFFFFFu));
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        SnmpMessage sent = getRequest({});
        sent.pduTag = static_cast<uint8_t>(Pdu_GetRequest + number(3));
        sent.requestId = static_cast<int32_t>(number(0xFFFFFFFFu));
        for (uint32_t i = number(40); i > 0; --i) {
            VarBind b{oid(), 2, ""};
            switch (number(6)) {
            case 0:
                b.value = std::to_string(static_cast<int32_t>(number(0xFFFFFFFFu)));
                break;
            case 1:
                b.type = 4;
                for (uint32_t n = number(300); n > 0; --n)
                    b.value += static_cast<char>(number(255));
                break;
            case 2:
                b.type = 5;
                break;
            case 3:
                b.type = 6;
                b.value = oid();
                break;
            case 4:
                b.type = 64;
                b.value = std::to_string(number(255)) + "." + std::to_string(number(255)) + ".0." +
                          std::to_string(number(255));
                break;
            case 5:
                b.type = static_cast<uint8_t>(65 + number(2));
                b.value = std::to_string(number(0xFFFFFFFFu));
                break;
            default:
                b.type = 70;
                b.value = std::to_string((uint64_t(number(0xFFFFFFFFu)) << 32) | number(0xFFFFFFFFu));
            }
            sent.bindings.push_back(b);
        }
        auto got = SnmpMessage::decode(sent.encode());
        ASSERT_EQ(got.code, 0);
        EXPECT_EQ(got.message.pduTag, sent.pduTag);
        EXPECT_EQ(got.message.requestId, sent.requestId);
        ASSERT_EQ(got.message.bindings.size(), sent.bindings.size());
        for (std::size_t i = 0; i < sent.bindings.size(); ++i) {
            EXPECT_EQ(got.message.bindings[i].id, sent.bindings[i].id);
            EXPECT_EQ(got.message.bindings[i].type, sent.bindings[i].type);
            EXPECT_EQ(got.message.bindings[i].value, sent.bindings[i].value);
        }
    }
}

} // namespace
} // namespace Trapline
