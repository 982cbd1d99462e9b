#include "serial/KermitParams.h"

#include <gtest/gtest.h>

#include <string>

using namespace Platform::Serial;

namespace {

// Send-Init data as G-Kermit and C-Kermit sent it over a pty.
const std::string gkermitInit = "~' @-#Y3~*!J*0+++J\"U1@";
const std::string ckermitInit = "~/ @-#Y3~^>J)0___N\"U1A";

} // namespace

TEST(KermitParamsTest, ReadsTheSendInitOfIndependentPeers) {
    const KermitParams g = KermitParams::decode(gkermitInit);
    EXPECT_EQ(g.maxLength, 94);
    EXPECT_EQ(g.timeout, 7);
    EXPECT_EQ(g.padCount, 0);
    EXPECT_EQ(g.endOfLine, '\r');
    EXPECT_EQ(g.controlPrefix, '#');
    EXPECT_EQ(g.eighthBit, 'Y');
    EXPECT_EQ(g.checkType, 3);
    EXPECT_EQ(g.repeatPrefix, '~');
    EXPECT_TRUE(g.attributes);
    EXPECT_TRUE(g.longPackets);
    EXPECT_FALSE(g.slidingWindows);
    EXPECT_EQ(g.window, 1);
    EXPECT_EQ(g.maxLongLength, 4000);

    const KermitParams c = KermitParams::decode(ckermitInit);
    EXPECT_EQ(c.timeout, 15);
    EXPECT_TRUE(c.slidingWindows);
    EXPECT_EQ(c.window, 30);
    EXPECT_EQ(c.maxLongLength, 3999);
}

TEST(KermitParamsTest, MissingAndNonsenseFieldsTakeDefaults) {
    const KermitParams minimal = KermitParams::decode("");
    EXPECT_EQ(minimal.maxLength, 80);
    EXPECT_EQ(minimal.checkType, 1);
    EXPECT_EQ(minimal.eighthBit, 'N');
    EXPECT_EQ(minimal.repeatPrefix, ' ');
    EXPECT_FALSE(minimal.longPackets);

    // Short packets, no timeout, EOL not a control character, a space as
    // control prefix, check type B, capability bytes that continue.
    const KermitParams odd = KermitParams::decode(std::string("(  @a Y") + "B " + "#+\"$1" + "(");
    EXPECT_EQ(odd.maxLength, 80);
    EXPECT_EQ(odd.timeout, 5);
    EXPECT_EQ(odd.endOfLine, '\r');
    EXPECT_EQ(odd.controlPrefix, '#');
    EXPECT_EQ(odd.checkType, 1);
    EXPECT_TRUE(odd.longPackets);
    EXPECT_FALSE(odd.attributes);
    EXPECT_EQ(odd.window, 4);
    EXPECT_EQ(odd.maxLongLength, 17 * 95 + 8);
}

TEST(KermitParamsTest, OurOfferDeclinesWindowsAndAsksForWhatWeUse) {
    EXPECT_EQ(KermitParams::own(false, 4).encode(), std::string("~$ @-#Y3~*!K+"));
    const KermitParams sevenBit = KermitParams::decode(KermitParams::own(true, 4).encode());
    EXPECT_EQ(sevenBit.eighthBit, '&');
    EXPECT_FALSE(sevenBit.slidingWindows);
    EXPECT_EQ(sevenBit.window, 1);
    EXPECT_EQ(sevenBit.maxLongLength, KermitParams::OwnLongLength);

    // Answering C-Kermit's offer of 30-packet windows: one packet, no window capability.
    const KermitParams reply = KermitParams::own(false, 4).answer(KermitParams::decode(ckermitInit));
    const KermitParams seen = KermitParams::decode(reply.encode());
    EXPECT_FALSE(seen.slidingWindows);
    EXPECT_EQ(seen.window, 1);
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
    for (const Case &c : cases) {
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
