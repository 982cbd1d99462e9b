#include "serial/KermitParams.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace Platform::Serial;

namespace {

// Send-Init data as G-Kermit and C-Kermit sent it over a pty.
const std::string gkermitInit = "~' @-#Y3~*!J*0+++J\"U1@";
const std::string ckermitInit = "~/ @-#Y3~^>J)0___N\"U1A";

// The fields in one line, capabilities as A (attributes), S (sliding windows), L (long packets).
std::string fields(const KermitParams& p) {
    std::ostringstream out;
    out << "maxl " << p.maxLength << " time " << p.timeout << " npad " << p.padCount << " eol "
        << int(p.endOfLine) << " qctl " << p.controlPrefix << " qbin " << p.eighthBit << " chkt "
        << p.checkType << " rept " << p.repeatPrefix << " capas " << (p.attributes ? 'A' : '-')
        << (p.slidingWindows ? 'S' : '-') << (p.longPackets ? 'L' : '-') << " window " << p.window
        << " maxlx " << p.maxLongLength;
    return out.str();
}

} // namespace

TEST(KermitParamsTest, ReadsTheSendInitOfIndependentPeers) {
    EXPECT_EQ(fields(KermitParams::decode(gkermitInit)),
              "maxl 94 time 7 npad 0 eol 13 qctl # qbin Y chkt 3 rept ~ capas A-L window 1 maxlx 4000");
    EXPECT_EQ(fields(KermitParams::decode(ckermitInit)),
              "maxl 94 time 15 npad 0 eol 13 qctl # qbin Y chkt 3 rept ~ capas ASL window 30 maxlx 3999");
}

TEST(KermitParamsTest, MissingAndNonsenseFieldsTakeDefaults) {
    EXPECT_EQ(fields(KermitParams::decode("")),
              "maxl 80 time 5 npad 0 eol 13 qctl # qbin N chkt 1 rept   capas --- window 1 maxlx 500");
    // Short packets, no timeout, EOL not a control character, a space as
    // control prefix, check type B, capability bytes that continue.
    EXPECT_EQ(fields(KermitParams::decode(std::string("(  @a Y") + "B " + "#+\"$1" + "(")),
              "maxl 80 time 5 npad 0 eol 13 qctl # qbin Y chkt 1 rept   capas --L window 4 maxlx 1623");
}

TEST(KermitParamsTest, OurOfferDeclinesWindowsAndAsksForWhatWeUse) {
    EXPECT_EQ(KermitParams::own(false, 4).encode(), std::string("~$ @-#Y3~*!J*"));
    EXPECT_EQ(fields(KermitParams::decode(KermitParams::own(true, 4).encode())),
              "maxl 94 time 4 npad 0 eol 13 qctl # qbin & chkt 3 rept ~ capas A-L window 1 maxlx 4000");
    // Answering C-Kermit's offer of 30-packet windows: one packet, no window capability.
    const KermitParams reply = KermitParams::own(false, 4).answer(KermitParams::decode(ckermitInit));
    EXPECT_EQ(fields(KermitParams::decode(reply.encode())),
              "maxl 94 time 4 npad 0 eol 13 qctl # qbin N chkt 3 rept ~ capas A-L window 1 maxlx 4000");
}

TEST(KermitParamsTest, EighthBitPrefixingNeedsOneRequestAndOneConsent) {
    struct Case {
        bool sevenBit;
        char theirs;
        char agreed;
    } cases[] = {
        {false, 'Y', 0}, {false, 'N', 0},  {false, '&', '&'}, {false, '%', '%'}, {true, 'Y', '&'},
        {true, 'N', 0},  {true, '&', '&'}, {true, '#', 0}, // '#' clashes with the control prefix
    };
    for (const Case& c : cases) {
        KermitParams theirs = KermitParams::decode(gkermitInit);
        theirs.eighthBit = c.theirs;
        const KermitParams own = KermitParams::own(c.sevenBit, 5);
        // We send the Send-Init ...
        EXPECT_EQ(KermitLink::agree(own, theirs).eighthBit, c.agreed) << c.sevenBit << " " << c.theirs;
        // ... or answer theirs; the peer, applying the same rule to our answer, agrees with us.
        const KermitParams reply = own.answer(theirs);
        EXPECT_EQ(KermitLink::agree(reply, theirs).eighthBit, c.agreed) << c.sevenBit << " " << c.theirs;
        EXPECT_EQ(KermitLink::agree(theirs, reply).eighthBit, c.agreed) << c.sevenBit << " " << c.theirs;
    }
}

TEST(KermitParamsTest, AgreementOnChecksRepeatsAndLengths) {
    const KermitParams own = KermitParams::own(false, 5);
    KermitParams theirs = KermitParams::decode(gkermitInit);
    KermitLink link = KermitLink::agree(own, theirs);
    EXPECT_EQ(link.framing.checkType, 3);
    EXPECT_EQ(link.repeat, '~');
    EXPECT_TRUE(link.attributes);
    EXPECT_TRUE(link.longPackets);
    EXPECT_EQ(link.sendLength, 4000);
    EXPECT_EQ(link.peerTimeout, 7);
    EXPECT_EQ(link.dataRoom(), 4000u - 7 - 3);

    // Different check types fall back to 1; no common repeat prefix, none;
    // without long packets the peer's MAXL rules.
    theirs.checkType = 2;
    theirs.repeatPrefix = '^';
    theirs.longPackets = false;
    theirs.maxLength = 60;
    theirs.padCount = 3;
    theirs.padChar = '\0';
    theirs.endOfLine = '\n';
    link = KermitLink::agree(own, theirs);
    EXPECT_EQ(link.framing.checkType, 1);
    EXPECT_EQ(link.repeat, 0);
    EXPECT_FALSE(link.longPackets);
    EXPECT_EQ(link.dataRoom(), 60u - 3 - 1);
    EXPECT_EQ(link.framing.padCount, 3);
    EXPECT_EQ(link.framing.endOfLine, '\n');

    // A peer offering longer packets than ours still gets at most ours.
    theirs = KermitParams::decode(gkermitInit);
    theirs.maxLongLength = 9000;
    EXPECT_EQ(KermitLink::agree(own, theirs).sendLength, KermitParams::OwnLongLength);
    EXPECT_EQ(KermitLink::agree(KermitParams::own(false, 5, 8000), theirs).sendLength, 8000);
    // A length that fits a normal packet turns long packets off both ways.
    const KermitParams small = KermitParams::own(false, 5, 60);
    EXPECT_FALSE(KermitParams::decode(small.encode()).longPackets);
    EXPECT_EQ(KermitParams::decode(small.encode()).maxLength, 60);
    link = KermitLink::agree(small, theirs);
    EXPECT_FALSE(link.longPackets);
    EXPECT_EQ(link.sendLength, 60);
}
