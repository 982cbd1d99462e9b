#include "ui/RtfReader.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>

using Platform::Ui::ReadRtf;
using Platform::Ui::RtfRun;

namespace {

// "text" with [b], [i], [u] marks for runs that carry a look, and the size when not 12 points.
std::string summary(const std::vector<RtfRun>& runs) {
    std::string out;
    for (const auto& run : runs) {
        std::string marks =
            std::string(run.bold ? "b" : "") + (run.italic ? "i" : "") + (run.underline ? "u" : "");
        if (run.halfPoints != 24)
            marks += std::to_string(run.halfPoints);
        out += marks.empty() ? run.text : "[" + marks + ":" + run.text + "]";
    }
    return out;
}

} // namespace

TEST(RtfReaderTest, TextWithItsLookAndParagraphs) {
    EXPECT_EQ(
        summary(ReadRtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}{\\colortbl;\\red0\\green0\\blue0;}"
                        "\\f0\\fs20 {\\b Terms}\\par\r\nPlain {\\i slanted} and \\ul under\\ulnone  end.}")),
        "[b20:Terms][20:\nPlain ][i20:slanted][20: and ][u20:under][20: end.]");
    EXPECT_EQ(summary(ReadRtf("{\\rtf1 a\\b b\\b0 c\\plain d}")), "a[b:b]cd");
}

TEST(RtfReaderTest, EscapesAndCharactersByCode) {
    EXPECT_EQ(summary(ReadRtf("{\\rtf1 \\{x\\}\\\\ caf\\'e9 \\u8364?\\u233 e\\tab t\\line l}")),
              "{x}\\ caf\xE9 ?\xE9\tt\nl");
    // Destinations marked as optional are passed over whole.
    EXPECT_EQ(summary(ReadRtf("{\\rtf1 {\\*\\generator Writer 1.0;}shown}")), "shown");
}

TEST(RtfReaderTest, BrokenInputReadsWhatItCan) {
    for (std::string_view broken :
         {"", "{", "}}}", "\\", "{\\rtf1 \\'", "{\\rtf1 \\'4", "{\\rtf1 \\fs99999999999 x",
          "{\\rtf1 \\u-4000000000000 x", "{\\rtf1 \\uc999999 \\u300 x}"})
        EXPECT_NO_THROW(ReadRtf(broken)) << broken;
    EXPECT_EQ(summary(ReadRtf("}} a {{ b")), " a  b");
}

TEST(RtfReaderTest, DocumentGetsParagraphsAndFormats) {
    QTextDocument document;
    document.setPlainText("old");
    Platform::Ui::LoadRtf(document, "{\\rtf1 {\\b Bold}\\par second}");
    EXPECT_EQ(document.toPlainText(), "Bold\nsecond");
    EXPECT_EQ(document.blockCount(), 2);
    EXPECT_TRUE(document.firstBlock().begin().fragment().charFormat().font().bold());
}
