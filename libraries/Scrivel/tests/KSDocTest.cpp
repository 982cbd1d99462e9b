#include "Scrivel/KSDoc.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "Scrivel/Enums.h"
#include "automation/Runtime.h"

using namespace Scrivel;
using Automation::New;
using Automation::Ref;

namespace {

// What a new document writes, byte for byte.
const char* const kEmptyDocument = "<Kestrup>\n"
                                   "\t<UFF-path>\n\t\"\"\n\t</UFF-path>\n"
                                   "\t<Application>\n"
                                   "\t\t<Version>\n\t\t\"\"\n\t\t</Version>\n"
                                   "\t\t<Name>\n\t\t\"\"\n\t\t</Name>\n"
                                   "\t\t<Date>\n\t\t\"30/12/1899\"\n\t\t</Date>\n"
                                   "\t\t<License>\n\t\t\"\"\n\t\t</License>\n"
                                   "\t\t<Readme>\n\t\t\"\"\n\t\t</Readme>\n"
                                   "\t</Application>\n"
                                   "\t<Printer>\n"
                                   "\t\t<Flash>\n\t\t0\n\t\t</Flash>\n"
                                   "\t\t<DRAM>\n\t\t0\n\t\t</DRAM>\n"
                                   "\t\t<THResolution>\n\t\t0\n\t\t</THResolution>\n"
                                   "\t\t<Interface>\n\t\t0\n\t\t</Interface>\n"
                                   "\t\t<Models>\n\t\t0\n\t\t</Models>\n"
                                   "\t\t<Firmware>\n"
                                   "\t\t\t<Version>\n\t\t\t\"\"\n\t\t\t</Version>\n"
                                   "\t\t\t<AlwaysUpdate>\n\t\t\tFalse\n\t\t\t</AlwaysUpdate>\n"
                                   "\t\t</Firmware>\n"
                                   "\t</Printer>\n"
                                   "\t<Communication>\n"
                                   "\t\t<Breakstrings>\n\t\t</Breakstrings>\n"
                                   "\t\t<ConnectStrings>\n\t\t</ConnectStrings>\n"
                                   "\t</Communication>\n"
                                   "\t<FileSystem>\n"
                                   "\t\t<FormatCard>\n\t\tFalse\n\t\t</FormatCard>\n"
                                   "\t\t<FormatFlash>\n\t\tFalse\n\t\t</FormatFlash>\n"
                                   "\t\t<Directories>\n\t\t</Directories>\n"
                                   "\t\t<Files>\n\t\t</Files>\n"
                                   "\t</FileSystem>\n"
                                   "</Kestrup>\n";

Ref<KSDoc> fullDocument() {
    auto doc = New<KSDoc>();
    doc->setUffFilePath("pkg\\label 1.uff");
    doc->setVersion("8.10");
    doc->setApplicationName("Label \"Pro\" set");
    doc->setBuildDate({Automation::dateSerial(2004, 3, 7)});
    doc->setLicenseFilePath("..\\docs\\License.txt");
    doc->setReadMeFilePath("readme.rtf");
    doc->setFirmwareVersion("10.2.1");
    doc->setRubricAlwaysUpdate(true);
    doc->setMinMemSizeDram(4096);
    doc->setMinMemSizeFlash(-1);
    doc->setTPHResolution(TPH_203dpi_AND_305dpi);
    doc->setInterfaces(Hublet | Parallel);
    doc->setPrintermodels(PM_Trell | PM_Zephan);
    doc->setFormatFlash(true);
    doc->BreakStrings()->Add("")->setBreakString("{27}~B");
    doc->BreakStrings()->Add("")->setBreakString("");
    doc->SerialConnectStrings()->Add("")->setConnectstring("19200,2,7,1");
    auto file = doc->PrinterFiles()->Add();
    file->setFileTitle("a b.lbl");
    file->setDestinationPath("c:\\labels\\");
    doc->PrinterDirectories()->Add()->setPath("card1:\\fonts");
    return doc;
}

std::string listsOf(const Ref<KSDoc>& doc) {
    std::string text;
    for (const auto& entry : *doc->BreakStrings())
        text += "B[" + entry->Key() + "|" + entry->getBreakString() + "]";
    for (const auto& entry : *doc->SerialConnectStrings())
        text += "S[" + entry->Key() + "|" + entry->Connectstring() + "]";
    for (const auto& entry : *doc->PrinterFiles())
        text += "F[" + entry->FileTitle() + "|" + entry->DestinationPath() + "]";
    for (const auto& entry : *doc->PrinterDirectories())
        text += "D[" + entry->Path() + "]";
    return text;
}

} // namespace

TEST(KSDocTest, NewDocumentWritesTheWholeTreeAndReadsBackEqual) {
    auto doc = New<KSDoc>();
    EXPECT_EQ(doc->WriteXML(), kEmptyDocument);
    auto back = New<KSDoc>();
    back->ReadXML(kEmptyDocument);
    EXPECT_EQ(back->WriteXML(), kEmptyDocument);
    EXPECT_EQ(back->BuildDate().days, 0);
}

TEST(KSDocTest, EveryFieldWrittenReadsBackEqual) {
    auto doc = fullDocument();
    std::string text = doc->WriteXML();
    auto back = New<KSDoc>();
    back->ReadXML(text);
    EXPECT_EQ(back->WriteXML(), text);
    EXPECT_EQ(back->UffFilePath(), "pkg\\label 1.uff");
    EXPECT_EQ(back->ApplicationName(), "Label \"Pro\" set");
    EXPECT_EQ(back->Version(), "8.10");
    EXPECT_EQ(back->BuildDate(), doc->BuildDate());
    EXPECT_EQ(back->MinMemSizeFlash(), -1);
    EXPECT_EQ(back->Interfaces(), Hublet | Parallel);
    EXPECT_TRUE(back->RubricAlwaysUpdate());
    EXPECT_TRUE(back->FormatFlash());
    EXPECT_FALSE(back->FormatCard());
    EXPECT_EQ(listsOf(back),
              "B[{27}~B|{27}~B]B[|]S[19200,2,7,1|19200,2,7,1]F[a b.lbl|c:\\labels\\]D[card1:\\fonts]");
    EXPECT_NE(text.find("\t\t<Date>\n\t\t\"7/3/2004\"\n"), std::string::npos);
}

TEST(KSDocTest, ReadsWhatTheRulesSelect) {
    auto doc = New<KSDoc>();
    // Made on Windows: CR LF line ends, bare values, names in other case.
    std::string text =
        "<Kestrup>\r\n<uff-path>\r\n\"x.uff\"\r\n</uff-path>\r\n"
        "<Application>\r\n<DATE>\r\n\"31/2/2003\"\r\n</DATE>\r\n<Version>8.10</Version>\r\n</Application>\r\n"
        "<Printer>\r\n<flash>\r\n1024.5\r\n</flash>\r\n<Models>\"3\"</Models>\r\n"
        "<firmware><Version>\"9\"</Version><alwaysupdate>true</alwaysupdate></firmware></Printer>\r\n"
        "<Communication><ConnectString>\"9600,1,8,1\"</ConnectString>\r\n"
        "<X><connectstrings><connectstring>\"9600,0,8,2\"</connectstring></connectstrings></X>\r\n"
        "<BreakStrings><Breakstring>\"a\"</Breakstring><Breakstring>\"a\"</Breakstring></BreakStrings>"
        "</Communication>\r\n"
        "<FileSystem><Files><File><FileTitle>\"t\"</FileTitle><Other>1</Other></File>"
        "<File><DestinationPath>\"d\"</DestinationPath></File></Files>\r\n"
        "<Directories><Directory><DirectoryName>\"p\"</DirectoryName></Directory></Directories>"
        "</FileSystem>\r\n</Kestrup>\r\n";
    doc->ReadXML(text);
    EXPECT_EQ(doc->UffFilePath(), "x.uff");
    Automation::CalendarDate date = Automation::calendarDate(doc->BuildDate().days);
    EXPECT_EQ(std::tie(date.year, date.month, date.day), std::make_tuple(2003, 3, 3));
    EXPECT_EQ(doc->Version(), "8.1"); // a bare version reads as a number
    EXPECT_EQ(doc->MinMemSizeFlash(), 1024);
    EXPECT_EQ(doc->Printermodels(), 3);
    EXPECT_EQ(doc->FirmwareVersion(), ""); // "Version" under "firmware" is not read
    EXPECT_TRUE(doc->RubricAlwaysUpdate());
    EXPECT_EQ(listsOf(doc), "B[a|a]B[a|a]S[9600,0,8,2|9600,0,8,2]F[t|]F[|d]D[p]");

    // A second text appends to the lists and replaces what it holds.
    EXPECT_TRUE(
        doc->ReadXML("<Kestrup><Communication><Breakstrings><Breakstring>\"b\"</Breakstring></Breakstrings>"
                     "</Communication><UFF-path>\"y.uff\"</UFF-path></Kestrup>"));
    EXPECT_EQ(doc->BreakStrings()->Count(), 3);
    EXPECT_EQ(doc->UffFilePath(), "y.uff");

    for (const char* other : {"", "   \r\n", "<kestrup><UFF-path>\"z\"</UFF-path></kestrup>",
                              "<Other></Other><Kestrup><UFF-path>\"z\"</UFF-path></Kestrup>"}) {
        EXPECT_FALSE(doc->ReadXML(other)) << other;
        EXPECT_EQ(doc->UffFilePath(), "y.uff") << other;
    }
}

TEST(KSDocTest, ConversionErrors) {
    struct Case {
        const char* text;
        int32_t number;
        const char* description;
    };
    const Case cases[] = {
        {"<Application><Date>\"1/2\"</Date></Application>", 9999, "Invalid date format"},
        {"<Application><Date>\"a/2/2003\"</Date></Application>", 13, "Type mismatch"},
        {"<Application><Date>\"1/2/40000\"</Date></Application>", 6, "Overflow"},
        {"<Application><Date>\"1/1/10000\"</Date></Application>", 9999, "Date out of range: 1/1/10000"},
        {"<Application><Date>\"32767/32767/9999\"</Date></Application>", 9999,
         "Date out of range: 32767/32767/9999"},
        {"<Application><Date>\"1/-32768/100\"</Date></Application>", 9999, "Date out of range: 1/-32768/100"},
        {"<Printer><DRAM>\"lots\"</DRAM></Printer>", 13, "Type mismatch"},
        {"<Printer><DRAM>3000000000</DRAM></Printer>", 6, "Overflow"},
        {"<FileSystem><FormatCard>\"yes\"</FormatCard></FileSystem>", 13, "Type mismatch"},
        {"<ConnectStrings><ConnectString>\"9600,1,8\"</ConnectString></ConnectStrings>", 9999,
         "ConnectString not valid"},
    };
    for (const auto& c : cases) {
        auto doc = New<KSDoc>();
        auto error = raisedError([&] { doc->ReadXML(std::string("<Kestrup>") + c.text + "</Kestrup>"); });
        EXPECT_TRUE(isError(error, c.number, "Scrivel", c.description)) << c.text;
    }
    EXPECT_EQ(errorNumberOf([] { New<KSDoc>()->ReadXML("<Kestrup><A>1</A></A></Kestrup>"); }), 101);

    auto doc = New<KSDoc>();
    doc->ReadXML("<Kestrup><Application><Date>\"1/2/2003\"</Date></Application></Kestrup>");
    EXPECT_EQ(doc->BuildDate().days, Automation::dateSerial(2003, 2, 1));
}

TEST(KSDocTest, ATextCutShortIsRefusedAndChangesNothing) {
    const std::string whole = fullDocument()->WriteXML();
    for (size_t length : {size_t{400}, whole.size() / 2, whole.size() - 2}) {
        auto doc = New<KSDoc>();
        auto error = raisedError([&] { doc->ReadXML(std::string_view(whole).substr(0, length)); });
        EXPECT_TRUE(isError(error, 9999, "Scrivel",
                            "The package document is damaged: it ends before its last element closes"))
            << length;
        EXPECT_EQ(doc->WriteXML(), kEmptyDocument) << length;
    }
}

TEST(KSDocTest, ConnectStringAndListKeys) {
    auto entry = New<SerialConnectString>();
    EXPECT_EQ(entry->Connectstring(), "0,0,0,0");
    entry->setConnectstring("19200,2,7,1,extra");
    EXPECT_EQ(entry->Connectstring(), "19200,2,7,1");
    EXPECT_TRUE(isError(raisedError([&] { entry->setConnectstring("9600,1,8"); }), 9999, "Scrivel",
                        "ConnectString not valid"));
    EXPECT_EQ(entry->Connectstring(), "19200,2,7,1");
    EXPECT_EQ(errorNumberOf([&] { entry->setConnectstring("9600,x,8,1"); }), 13);
    EXPECT_EQ(entry->Connectstring(), "9600,2,7,1");

    auto doc = New<KSDoc>();
    doc->BreakStrings()->Add("same");
    doc->BreakStrings()->Add("same");
    EXPECT_EQ(doc->BreakStrings()->Count(), 2);
    doc->PrinterFiles()->Add("k");
    EXPECT_EQ(errorNumberOf([&] { doc->PrinterFiles()->Add("K"); }), 457);
    EXPECT_EQ(doc->PrinterFiles(), doc->PrinterFiles());
}
