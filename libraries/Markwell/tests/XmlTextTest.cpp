#include <gtest/gtest.h>
#include <string>

#include "Markwell/Doc.h"
#include "MarkwellTest.h"

using Automation::Error;
using Automation::New;
using Automation::Ref;
using Automation::Variant;
using Markwell::Doc;
using Markwell::iagChild;
using MarkwellTest::dump;

namespace {

Ref<Doc> read(std::string_view text, std::string_view parentKey = {}) {
    auto doc = New<Doc>();
    doc->ReadXML(text, parentKey);
    return doc;
}

testing::AssertionResult isReadError(const Error& error) {
    return MarkwellTest::isLibraryError(error, 101, "Doc:ReadXML Method");
}

// The settings document of a connection switched to the network port.
Ref<Doc> networkConnectionSettings() {
    auto doc = New<Doc>();
    doc->Add("", iagChild, "Root", "Connection")->Attributes()->Add("Visible", "False");
    doc->Add("Root", iagChild, "PortType", "PortType", int32_t{2})->Attributes()->Add("No2", "NetPort");
    doc->Add("Root", iagChild, "Port", "Port");
    doc->Add("Port", iagChild, "Type", "Type", "NetPort");
    doc->Add("Port", iagChild, "Settings", "Settings");
    doc->Add("Settings", iagChild, "RemoteHost", "RemoteHost", "192.0.2.10");
    doc->Add("Settings", iagChild, "RemotePort", "RemotePort", "9090");
    return doc;
}

// Value lines are indented like the tags of their element.
const std::string kNetworkConnectionText = "<Connection Visible=\"False\">\n"
                                           "\t<PortType No2=\"NetPort\">\n"
                                           "\t2\n"
                                           "\t</PortType>\n"
                                           "\t<Port>\n"
                                           "\t\t<Type>\n"
                                           "\t\t\"NetPort\"\n"
                                           "\t\t</Type>\n"
                                           "\t\t<Settings>\n"
                                           "\t\t\t<RemoteHost>\n"
                                           "\t\t\t\"192.0.2.10\"\n"
                                           "\t\t\t</RemoteHost>\n"
                                           "\t\t\t<RemotePort>\n"
                                           "\t\t\t\"9090\"\n"
                                           "\t\t\t</RemotePort>\n"
                                           "\t\t</Settings>\n"
                                           "\t</Port>\n"
                                           "</Connection>\n";

} // namespace

TEST(XmlText, GoldenTextsAreWrittenByteForByteAndReadBackIntoTheSameTree) {
    auto ab = New<Doc>();
    ab->Add("", iagChild, "a", "a");
    ab->Add("a", iagChild, "b", "b", "x");
    EXPECT_EQ(ab->WriteXML(true), "<a>\n\t<b>\n\t\"x\"\n\t</b>\n</a>\n");
    EXPECT_EQ(ab->WriteXML(false), "<a>\n<b>\n\"x\"\n</b>\n</a>\n");
    EXPECT_EQ(dump(*read(ab->WriteXML(true))), "N1 a in - = String:\n"
                                               "N2 b in N1 = String:x\n");

    EXPECT_EQ(networkConnectionSettings()->WriteXML(true), kNetworkConnectionText);
    EXPECT_EQ(dump(*read(kNetworkConnectionText)), "N1 Connection in - = String: [Visible=String:False]\n"
                                                   "N2 PortType in N1 = Double:2 [No2=String:NetPort]\n"
                                                   "N3 Port in N1 = String:\n"
                                                   "N4 Type in N3 = String:NetPort\n"
                                                   "N5 Settings in N3 = String:\n"
                                                   "N6 RemoteHost in N5 = String:192.0.2.10\n"
                                                   "N7 RemotePort in N5 = String:9090\n");

    auto noPort = New<Doc>();
    noPort->Add("", iagChild, "Root", "Connection")->Attributes()->Add("Visible", "False");
    noPort->Add("Root", iagChild, "PortType", "PortType", int32_t{0})->Attributes()->Add("No0", "Nothing");
    const std::string noPortText = "<Connection Visible=\"False\">\n\t<PortType No0=\"Nothing\">\n\t0\n"
                                   "\t</PortType>\n</Connection>\n";
    EXPECT_EQ(noPort->WriteXML(true), noPortText);
    EXPECT_EQ(read(noPortText)->WriteXML(true), noPortText);
}

TEST(XmlText, WriterTypesElementAndAttributeValuesByTheirSubtype) {
    auto doc = New<Doc>();
    auto root = doc->Add("", iagChild, "R", "r");
    auto attributes = root->Attributes();
    attributes->Add("s", "a b");
    attributes->Add("l", int32_t{-7});
    attributes->Add("i", int16_t{3});
    attributes->Add("f", 1.5f);
    attributes->Add("d", 0.25);
    attributes->Add("t", true);
    attributes->Add("u", false);
    attributes->Add("y", uint8_t{9});
    attributes->Add("e", Variant());
    attributes->Add("m");
    const Variant values[] = {"q\"t", true, false, int32_t{42}, int16_t{-3},       uint8_t{200},
                              2.5,    1e20, 1.5f,  Variant(),   Variant::missing()};
    for (const auto& value : values)
        doc->Add("R", iagChild, "", "v", value);
    EXPECT_EQ(doc->WriteXML(),
              "<r s=\"a b\" l=-7 i=3 f=1.5 d=0.25 t=TRUE u=FALSE y= e= m=>\n"
              "<v>\n\"q{\\34}t\"\n</v>\n<v>\nTrue\n</v>\n<v>\nFalse\n</v>\n<v>\n42\n</v>\n"
              "<v>\n-3\n</v>\n<v>\n200\n</v>\n<v>\n2.5\n</v>\n<v>\n1E+20\n</v>\n<v>\n1.5\n</v>\n"
              "<v>\n\n</v>\n<v>\n</v>\n</r>\n");
}

TEST(XmlText, ReaderTypesElementAndAttributeValuesByTheirWrittenForm) {
    auto doc = read("<r a=\"x  y\" b=TRUE c=true d=42 e=abc f  g=FALSE>\n"
                    "<v>\"say {\\34}hi{\\34}\"</v><v>true</v><v>FALSE</v><v>tRuE</v><v>42</v><v>-1.5E3</v>"
                    "<v>&H10</v><v></v><v>  plain text  </v><v>\"  kept  \"</v><v>12abc</v></r>");
    EXPECT_EQ(dump(*doc), "N1 r in - = String: [a=String:x  y] [b=Boolean:True] [c=Error] [d=String:42] "
                          "[e=Error] [=Error] [=Error] [g=Boolean:False]\n"
                          "N2 v in N1 = String:say \"hi\"\n"
                          "N3 v in N1 = Boolean:True\n"
                          "N4 v in N1 = Boolean:False\n"
                          "N5 v in N1 = Boolean:True\n"
                          "N6 v in N1 = Double:42\n"
                          "N7 v in N1 = Double:-1500\n"
                          "N8 v in N1 = Double:16\n"
                          "N9 v in N1 = String:\n"
                          "N10 v in N1 = String:plaintext\n"
                          "N11 v in N1 = String:  kept  \n"
                          "N12 v in N1 = String:12abc\n");
    // An empty text value writes a line with two quotes.
    EXPECT_EQ(doc->WriteXML(false, "N9"), "<v>\n\"\"\n</v>\n");
}

TEST(XmlText, EveryTextAndNumberWrittenReadsBackTheSame) {
    // Sentinel characters of older readers, quotes and escapes in element and
    // attribute texts, and doubles that 15 digits do not hold.
    const std::string texts[] = {"a\x01"
                                 "b\x1e"
                                 "c",
                                 "|_ x|_",
                                 "say \"hi\"",
                                 "<tag> & </tag>",
                                 "{\\34}",
                                 "{\\123}{",
                                 "a>b",
                                 std::string("nul\0byte", 8),
                                 " \t\r\n ",
                                 ""};
    const double numbers[] = {0.1 + 0.2, 1e20, -1.5e-300, 123456789012345678.0, 1.0 / 3};
    auto doc = New<Doc>();
    doc->Add("", iagChild, "R", "r");
    for (const auto& text : texts)
        doc->Add("R", iagChild, "", "t", text)->Attributes()->Add("a", text);
    for (double number : numbers)
        doc->Add("R", iagChild, "", "n", number);
    auto copy = read(doc->WriteXML(true));
    ASSERT_EQ(copy->Count(), doc->Count());
    for (int32_t i = 2; i <= doc->Count(); ++i) {
        EXPECT_EQ(copy->Item(i)->Value(), doc->Item(i)->Value()) << i;
        if (doc->Item(i)->Name() == "t") {
            EXPECT_EQ(copy->Item(i)->Attributes()->Item(1)->Value(), doc->Item(i)->Value()) << i;
        }
    }
    // Only texts that need it are escaped.
    EXPECT_EQ(read("<a>\"x{y}\"</a>")->WriteXML(), "<a>\n\"x{y}\"\n</a>\n");
}

TEST(XmlText, ReaderKeepsTheDialectsStructuralRules) {
    // Declarations, comments and self-closing tags are elements that never close.
    EXPECT_EQ(dump(*read("<?xml version=\"1.0\"?><!--c--><e/><a>1</a>")),
              "N1 ?xml in - = String: [version=Error]\n"
              "N2 !--c-- in N1 = String:\n"
              "N3 e/ in N2 = String:\n"
              "N4 a in N3 = Double:1\n");
    // Text of an element with children is what stands before the first child;
    // text after a closing tag is dropped; a later top element joins the first.
    EXPECT_EQ(dump(*read("<a>\"head\"<b>1</b>tail</a><c>2</c>")), "N1 a in - = String:head\n"
                                                                  "N2 b in N1 = Double:1\n"
                                                                  "N3 c in N1 = Double:2\n");
    // A "<" inside quotes is text; a ">" inside a quoted attribute is kept too.
    EXPECT_EQ(dump(*read("<a k=\"1>2\">\"x<y\"</a>")), "N1 a in - = String:x<y [k=String:1>2]\n");

    auto doc = New<Doc>();
    doc->Add("", iagChild, "P", "p");
    doc->Add("P", iagChild, "Q", "q");
    doc->ReadXML("<x><y>1</y></x>", "P");
    EXPECT_EQ(doc->Item("P")->Child()->NextSibling()->Name(), "x");
    EXPECT_EQ(doc->Item(4)->Parent()->Name(), "x");
    doc->ReadXML("");
    EXPECT_EQ(doc->Count(), 4);
    EXPECT_EQ(New<Doc>()->WriteXML(true), "");
    // Writing below the root indents by the whole tree's levels.
    std::string text;
    doc->Item(3)->WriteXMLNode(text, true);
    EXPECT_EQ(text, "\t<x>\n\t\t<y>\n\t\t1\n\t\t</y>\n\t</x>\n");
}

TEST(XmlText, BadInputRaises101AndKeepsTheNodesReadBeforeIt) {
    auto doc = New<Doc>();
    EXPECT_TRUE(isReadError(raisedError([&] { doc->ReadXML("<a>1</a></a><b>2</b>"); })));
    EXPECT_TRUE(isReadError(raisedError([&] { doc->ReadXML("<c>\""); })));
    EXPECT_EQ(dump(*doc), "N1 a in - = Double:1\n");
    EXPECT_TRUE(isReadError(raisedError([&] { doc->ReadXML("<a x=\">"); })));
    EXPECT_TRUE(isReadError(raisedError([&] { doc->ReadXML("<a>", "NoSuchKey"); })));
    const char* write = "Doc:WriteXML Method";
    EXPECT_TRUE(
        MarkwellTest::isLibraryError(raisedError([&] { doc->WriteXML(true, "NoSuchKey"); }), 101, write));
    // A value that cannot be written: the document reports 101, the node the writer's own error.
    doc->Item(1)->setValue(Variant::null());
    EXPECT_TRUE(MarkwellTest::isLibraryError(raisedError([&] { doc->WriteXML(); }), 101, write));
    std::string text;
    EXPECT_EQ(raisedError([&] { doc->Item(1)->WriteXMLNode(text); }).Number(),
              Automation::RuntimeError::InvalidUseOfNull);
}

TEST(XmlText, ReaderTellsWhetherTheTextWasWhole) {
    auto whole = [](std::string_view text) { return New<Doc>()->ReadXML(text); };
    EXPECT_TRUE(whole(kNetworkConnectionText));
    EXPECT_TRUE(whole(""));
    // Declarations and self-closing tags never close and still leave a text whole.
    EXPECT_TRUE(whole("<?xml version=\"1.0\"?><!--c--><a>1</a>"));
    EXPECT_TRUE(whole("<a><b/><c k=\"1\"/></a>"));
    // Every cut inside the text leaves an element open, a tag or a value unfinished.
    const size_t end = kNetworkConnectionText.rfind('>');
    for (size_t length = 1; length <= end; ++length) {
        bool read = true;
        try {
            read = whole(std::string_view(kNetworkConnectionText).substr(0, length));
        } catch (const Error&) {
            read = false;
        }
        EXPECT_FALSE(read) << kNetworkConnectionText.substr(0, length);
    }
    EXPECT_FALSE(whole("<a>\"open</a>"));
    EXPECT_FALSE(whole("<a>1</a"));
    // What a cut text held is read all the same.
    auto doc = New<Doc>();
    EXPECT_FALSE(doc->ReadXML("<a><b>1</b>"));
    EXPECT_EQ(doc->Count(), 2);
}

TEST(XmlText, MalformedAndHugeInputIsReadWithoutHarm) {
    // Every cut of a golden text reads, or fails with 101.
    for (size_t length = 0; length <= kNetworkConnectionText.size(); ++length) {
        auto doc = New<Doc>();
        try {
            doc->ReadXML(std::string_view(kNetworkConnectionText).substr(0, length));
        } catch (const Error& error) {
            EXPECT_TRUE(isReadError(error)) << length;
        }
    }
    EXPECT_EQ(dump(*read("<a>\"open<b>1</b></a>")), "N1 a in - = String:\"open<b>1</b></a>\n");
    const std::string nul(1, '\0');
    EXPECT_EQ(dump(*read("<a" + nul + "b>" + nul + "</a>")), "N1 a" + nul + "b in - = String:" + nul + "\n");

    // 10 MB on one line: long values, and long runs of tags.
    std::string line;
    int32_t units = 0;
    for (; line.size() < 10'000'000; ++units)
        line += "<v>\"" + std::string(1000, 'x') + "\"</v><w><w></w></w>";
    auto doc = read("<r>" + line + "</r>");
    EXPECT_EQ(doc->Count(), 1 + 3 * units);
    EXPECT_EQ(doc->Item(1)->Children(), 2 * units);
    EXPECT_EQ(read(std::string(10'000'000, '<'))->Count(), 0);
}
