#include "automation/Runtime.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
#include <vector>

#include "ErrorNumber.h"

using namespace Automation;

namespace {

template <class Value> using Cases = std::vector<std::pair<const char*, Value>>;

} // namespace

TEST(RuntimeTest, WholeNumberConversionsRoundHalfToEvenAndCheckTheRange) {
    EXPECT_EQ(toLong(2.5), 2);
    EXPECT_EQ(toLong(3.5), 4);
    EXPECT_EQ(toLong(-2.5), -2);
    EXPECT_EQ(toLong(2.5000001), 3);
    EXPECT_EQ(toLong(2147483647.4), 2147483647);
    EXPECT_EQ(errorNumberOf([] { toLong(2147483647.5); }), RuntimeError::Overflow); // rounds to 2147483648
    EXPECT_EQ(toLong(-2147483648.5), -2147483647 - 1);                              // rounds to the even end
    EXPECT_EQ(errorNumberOf([] { toLong(-2147483648.6); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { toLong(std::nan("")); }), RuntimeError::Overflow);

    EXPECT_EQ(toInteger(32767.4), 32767);
    EXPECT_EQ(toInteger(-32768.5), -32768);
    EXPECT_EQ(errorNumberOf([] { toInteger(32767.5); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { toInteger(-32769); }), RuntimeError::Overflow);

    EXPECT_EQ(toByte(254.5), 254);
    EXPECT_EQ(toByte(-0.5), 0);
    EXPECT_EQ(errorNumberOf([] { toByte(255.5); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { toByte(-0.6); }), RuntimeError::Overflow);
}

TEST(RuntimeTest, NumericTextAsCDblAndIsNumericReadIt) {
    // "D" is an exponent too; in the English locale "," separates thousands (not checked for
    // grouping); "&H" and "&O" values of 16 bits read as Integer, of 32 bits as Long.
    for (auto [text, value] : Cases<double>{{"1e3", 1000},
                                            {"1D3", 1000},
                                            {"2.5E-2", 0.025},
                                            {" 12", 12},
                                            {"\t-12.5\r\n", -12.5},
                                            {"+.5", 0.5},
                                            {"5.", 5},
                                            {"1,000", 1000},
                                            {"1,000.25", 1000.25},
                                            {"1,2,3", 123},
                                            {"&H1F", 31},
                                            {" &h1f ", 31},
                                            {"&O17", 15},
                                            {"&HFFFF", -1},
                                            {"&H10000", 65536},
                                            {"&HFFFFFFFF", -1},
                                            {"1e-400", 0}})
        EXPECT_EQ(parseNumber(text), value) << text;

    // Currency symbols, parentheses and trailing signs are not taken.
    for (const char* text :
         {"",   "   ", "-",   "+",       ".",  "1.5.2", "$",   "$12", "(12)", "12-",   ",1",  "1 2", "1e",
          "e3", "--1", "- 1", "1.000,5", "&H", "&HG",   "&O8", "&17", "0x1F", "12abc", "inf", "nan", "1e400"})
        EXPECT_FALSE(isNumeric(text)) << text;

    EXPECT_EQ(textToDouble(" 1,000.5 "), 1000.5);
    EXPECT_EQ(errorNumberOf([] { textToDouble("abc"); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { textToDouble(""); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { textToDouble("1e400"); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { textToDouble("&H100000000"); }), RuntimeError::Overflow);
}

TEST(RuntimeTest, ValReadsTheLeadingNumber) {
    // Blanks, tabs and line feeds are skipped everywhere; "," ends the number.
    for (auto [text, value] : Cases<double>{{"12abc", 12},
                                            {" 1 2", 12},
                                            {"- 1\t2 .\n5", -12.5},
                                            {"&H1F", 31},
                                            {"&HFFFF", -1},
                                            {"&O17x", 15},
                                            {"1e3", 1000},
                                            {"1e", 1},
                                            {"1,000", 1},
                                            {"1.5.2", 1.5},
                                            {".5", 0.5},
                                            {"8.10.2", 8.1},
                                            {"abc", 0},
                                            {"", 0},
                                            {"-", 0},
                                            {".", 0},
                                            {"&H", 0},
                                            {"\r12", 0}})
        EXPECT_EQ(val(text), value) << text;
    EXPECT_FALSE(std::signbit(val("-0")));
    EXPECT_EQ(errorNumberOf([] { val("1e400"); }), RuntimeError::Overflow);
}

TEST(RuntimeTest, NumberToTextAsCStr) {
    EXPECT_EQ(numberToText(1e20), "1E+20");
    EXPECT_EQ(numberToText(1e-5), "1E-05");
    EXPECT_EQ(numberToText(0.0001), "0.0001");
    EXPECT_EQ(numberToText(0.1), "0.1");
    EXPECT_EQ(numberToText(-1.5), "-1.5");
    EXPECT_EQ(numberToText(-0.0), "0");
    EXPECT_EQ(numberToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(numberToText(1e15), "1E+15");
    EXPECT_EQ(numberToText(1234567890123456.0), "1.23456789012346E+15");
    EXPECT_EQ(numberToText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(singleToText(0.1f), "0.1");
    EXPECT_EQ(singleToText(3.14159274f), "3.141593");
    EXPECT_EQ(singleToText(1e7f), "1E+07");
}

TEST(RuntimeTest, FormatWithDigitPlaceholders) {
    // Halves round away from zero on the decimal form: the double 2.675 is 2.67499999...
    for (auto [pattern, value, text] :
         std::vector<std::tuple<const char*, double, const char*>>{{"#.#0", 6.1, "6.10"},
                                                                   {"#.#0", 10, "10.00"},
                                                                   {"#.#0", 0.5, ".50"},
                                                                   {"#.#0", 0, ".00"},
                                                                   {"#.#0", 6.125, "6.13"},
                                                                   {"#.#0", 2.675, "2.68"},
                                                                   {"#.#0", 9.995, "10.00"},
                                                                   {"#.#0", 0.005, ".01"},
                                                                   {"#.#0", 0.004, ".00"},
                                                                   {"#.#0", -1.5, "-1.50"},
                                                                   {"#.#0", 1234567.891, "1234567.89"},
                                                                   {"0.##", 6, "6."},
                                                                   {"0.##", 6.5, "6.5"},
                                                                   {"00.0", 5.25, "05.3"},
                                                                   {"0", 0.4, "0"},
                                                                   {"#", 2.5, "3"}})
        EXPECT_EQ(format(value, pattern), text) << pattern << " " << value;
    EXPECT_EQ(errorNumberOf([] { format(1, "#,##0.00"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([] { format(1, "#.#.#"); }), RuntimeError::InvalidProcedureCall);
}

TEST(RuntimeTest, LikeMatchesWildcardsAndLists) {
    // Ranges compare characters as Unicode: the euro sign (0x80) lies above 0xFF.
    for (auto [text, pattern] : Cases<const char*>{{"Rubric 8.10 Alpha 3", "Rubric*#.#*Alpha*"},
                                                   {"-1234", "-####*"},
                                                   {"-1234.5", "-####*"},
                                                   {"abc", "a?c"},
                                                   {"", "*"},
                                                   {"", ""},
                                                   {"aXbXc", "a*b*c"},
                                                   {"abcabd", "*abd"},
                                                   {"b", "[abc]"},
                                                   {"m", "[a-z]"},
                                                   {"M", "[!a-z]"},
                                                   {"x9", "[a-cx-z][0-9]"},
                                                   {"[", "[[]"},
                                                   {"a*", "a[*]"},
                                                   {"-", "[a-]"},
                                                   {"!", "[a!]"},
                                                   {"a]", "a]"},
                                                   {"ab", "a[]b"},
                                                   {"\xE9", "[\xE0-\xFF]"}})
        EXPECT_TRUE(like(text, pattern)) << text << " Like " << pattern;
    for (auto [text, pattern] : Cases<const char*>{{"Rubric x.y Alpha", "Rubric*#.#*Alpha*"},
                                                   {"rubric 8.10 Alpha", "Rubric*#.#*Alpha*"},
                                                   {"-123", "-####*"},
                                                   {"ac", "a?c"},
                                                   {"a", ""},
                                                   {"abcab", "*abd"},
                                                   {"d", "[abc]"},
                                                   {"M", "[a-z]"},
                                                   {"ab", "a[*]"},
                                                   {"\x80", "[A-\xFF]"}})
        EXPECT_FALSE(like(text, pattern)) << text << " Like " << pattern;
    // A malformed pattern fails whatever the text is.
    for (const char* pattern : {"[a", "a[", "[!", "[z-a]", "x*[abc"})
        EXPECT_EQ(errorNumberOf([&] { like("b", pattern); }), RuntimeError::InvalidPattern) << pattern;
}

TEST(RuntimeTest, PositionsAreOneBased) {
    EXPECT_EQ(inStr("abcabc", "c"), 3);
    EXPECT_EQ(inStr(4, "abcabc", "c"), 6);
    EXPECT_EQ(inStr(7, "abcabc", "c"), 0);
    EXPECT_EQ(inStr(3, "abc", ""), 3);
    EXPECT_EQ(inStr(4, "abc", ""), 0);
    EXPECT_EQ(inStr("", ""), 0);
    EXPECT_EQ(inStr(1, "ABC", "b", CompareMethod::Text), 2);
    EXPECT_EQ(inStr(1, "ABC", "b", CompareMethod::Binary), 0);
    EXPECT_EQ(errorNumberOf([] { inStr(0, "abc", "a"); }), RuntimeError::InvalidProcedureCall);

    EXPECT_EQ(inStrRev("abcabc", "abc"), 4);
    EXPECT_EQ(inStrRev("abcabc", "abc", 5), 1); // the match must end by the start position
    EXPECT_EQ(inStrRev("abcabc", "c", 7), 0);
    EXPECT_EQ(inStrRev("abc", "", 2), 2);
    EXPECT_EQ(inStrRev("", "a"), 0);
    EXPECT_EQ(inStrRev("aXbx", "X", -1, CompareMethod::Text), 4);
    EXPECT_EQ(errorNumberOf([] { inStrRev("abc", "a", 0); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([] { inStrRev("abc", "a", -2); }), RuntimeError::InvalidProcedureCall);

    EXPECT_EQ(mid("Hello", 2, 3), "ell");
    EXPECT_EQ(mid("Hello", 2), "ello");
    EXPECT_EQ(mid("Hello", 5, 10), "o");
    EXPECT_EQ(mid("Hello", 6), "");
    EXPECT_EQ(errorNumberOf([] { mid("Hello", 0); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(left("abc", 5), "abc");
    EXPECT_EQ(right("abc", 2), "bc");
    EXPECT_EQ(errorNumberOf([] { left("abc", -1); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([] { right("abc", -1); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(trim("  a b \t "), "a b \t"); // blanks only
}

TEST(RuntimeTest, LetterCaseAndComparisonOfWindows1252Text) {
    // a, a-umlaut, o-umlaut, y-diaeresis, s-caron, oe, z-caron; sharp s, the division and the
    // multiplication signs have no pair.
    EXPECT_EQ(upperCase("a\xE4\xF6\xFF\x9A\x9C\x9E\xDF\xF7"), "A\xC4\xD6\x9F\x8A\x8C\x8E\xDF\xF7");
    EXPECT_EQ(lowerCase("A\xC4\xD6\x9F\x8A\x8C\x8E\xDF\xD7"), "a\xE4\xF6\xFF\x9A\x9C\x9E\xDF\xD7");

    EXPECT_EQ(compareText("abc", "ABC"), 0);
    EXPECT_EQ(compareText("abc", "ABC", CompareMethod::Binary), 1);
    EXPECT_EQ(compareText("a", "B"), -1);
    EXPECT_EQ(compareText("ab", "abc"), -1);
    EXPECT_EQ(compareText("10.00", "6.14"), -1);
    EXPECT_TRUE(equalsText("\xC9"
                           "COLE",
                           "\xE9"
                           "cole"));
    // The euro sign (0x80) is U+20AC and sorts after y-diaeresis (0xFF).
    EXPECT_EQ(compareText("\x80", "\xFF", CompareMethod::Binary), 1);
}

TEST(RuntimeTest, Windows1252AndUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(cp1252ToUtf8("\x80\x81\x9F\xE9"), "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC3\xA9");

    EXPECT_EQ(utf8ToCp1252("\xE2\x80\x9C"
                           "a\xE2\x80\x9D"),
              "\x93"
              "a\x94");
    EXPECT_EQ(utf8ToCp1252("\xC2\x80"), "?"); // U+0080 has no place in Windows-1252
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD \xF0\x9F\x98\x80"), "? ?");
    // A broken sequence gives one "?" and the byte that broke it is read again.
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");
    EXPECT_EQ(utf8ToCp1252("a\xE2\x82"
                           "b"),
              "a?b");
    EXPECT_EQ(utf8ToCp1252("\xE2\x82"), "?");
    EXPECT_EQ(utf8ToCp1252("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(utf8ToCp1252("\xED\xA0\x80"), "???");      // surrogate
    EXPECT_EQ(utf8ToCp1252("\xF4\x90\x80\x80"), "????"); // above U+10FFFF
}

TEST(RuntimeTest, DateSerialRollsOverAndStaysInTheDateRange) {
    struct Case {
        int16_t year, month, day;
        CalendarDate expected;
    };
    const Case cases[] = {
        {2003, 2, 1, {2003, 2, 1}},     {2003, 2, 31, {2003, 3, 3}},    {2004, 2, 30, {2004, 3, 1}},
        {2003, 13, 1, {2004, 1, 1}},    {2003, 0, 1, {2002, 12, 1}},    {2003, -11, 1, {2002, 1, 1}},
        {2003, -12, 1, {2001, 12, 1}},  {2003, 3, 0, {2003, 2, 28}},    {2003, 1, -31, {2002, 11, 30}},
        {29, 1, 1, {2029, 1, 1}},       {30, 1, 1, {1930, 1, 1}},       {100, 1, 1, {100, 1, 1}},
        {9999, 12, 31, {9999, 12, 31}}, {1899, 12, 30, {1899, 12, 30}}, {1900, 1, 1, {1900, 1, 1}},
    };
    for (const auto& c : cases) {
        CalendarDate got = calendarDate(dateSerial(c.year, c.month, c.day));
        EXPECT_EQ(std::tie(got.year, got.month, got.day),
                  std::tie(c.expected.year, c.expected.month, c.expected.day))
            << c.year << "/" << c.month << "/" << c.day;
    }
    EXPECT_EQ(dateSerial(1899, 12, 30), 0);
    EXPECT_EQ(dateSerial(2000, 1, 1), 36526);

    const std::tuple<int16_t, int16_t, int16_t> outside[] = {
        {9999, 12, 32},           {9999, 13, 1},   {100, 1, 0}, {32767, 32767, 32767},
        {-32768, -32768, -32768}, {100, 1, -32768}};
    for (auto [year, month, day] : outside)
        EXPECT_EQ(errorNumberOf([&] { dateSerial(year, month, day); }), RuntimeError::InvalidProcedureCall)
            << year << "/" << month << "/" << day;
}

TEST(RuntimeTest, ShortDateIsTheDayAloneAndOnlyInsideTheDateRange) {
    EXPECT_EQ(shortDate(dateSerial(2024, 3, 7) + 0.75), "3/7/2024");
    EXPECT_EQ(shortDate(0), "12/30/1899");
    EXPECT_EQ(shortDate(dateSerial(100, 1, 1)), "1/1/100");
    EXPECT_EQ(shortDate(dateSerial(9999, 12, 31) + 0.5), "12/31/9999");
    EXPECT_EQ(errorNumberOf([] { shortDate(dateSerial(9999, 12, 31) + 1); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { shortDate(dateSerial(100, 1, 1) - 1); }), RuntimeError::Overflow);
}

TEST(RuntimeTest, SplitKeepsEmptyParts) {
    using Parts = std::vector<std::string_view>;
    EXPECT_EQ(split("a,,b", ','), (Parts{"a", "", "b"}));
    EXPECT_EQ(split("", ','), (Parts{""}));
    EXPECT_EQ(split(",", ','), (Parts{"", ""}));
}
