#include "Brindle/Printer.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "Brindle/Global.h"
#include "ControlHarness.h"
#include "ErrorNumber.h"
#include "ScriptedPrinter.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

namespace {

class Client : public IPrinterClientObj {
public:
    int refreshes = 0;
    void PrinterRefresh() override { ++refreshes; }
};

using PrinterTest = ScriptedPrinterTest;

} // namespace

TEST_F(PrinterTest, RepliesFillThePrinterStateStartingWithTheHello) {
    auto client = New<Client>();
    printer->AddClient(client);
    sim.answer = [](const std::string& command) {
        return Answer{command == "PRINT\"HELLO\r\n" ? "HELLO\r\n" : "v\r\n"};
    };
    EXPECT_TRUE(printer->IsImmediateMode());
    EXPECT_EQ(printer->RubricVersionStr(), "Rubric 8.10 Beta 3");
    EXPECT_EQ(printer->RubricVersion(), "8.10");
    EXPECT_EQ(printer->StdIO(), 5);
    EXPECT_EQ(printer->StdioStr(), "net1:");
    EXPECT_EQ(printer->LegacyMode(), 0);
    EXPECT_EQ(printer->LineBreakStr(), "\r\n");
    EXPECT_EQ(printer->UserName(), "admin");
    EXPECT_EQ(client->refreshes, 1) << "the first version text";
    EXPECT_EQ(printer->Command("PRINT VERSION$(0)"), "v\r\n");
    ASSERT_EQ(sim.commands.size(), 2u);
    EXPECT_EQ(sim.commands[1], "PRINT VERSION$(0)\r");
    EXPECT_EQ(client->refreshes, 1) << "the same version is no change";
    printer->RemoveClient(client);
}

TEST_F(PrinterTest, PrinterErrorsAreRaisedWithTheirNumberAndText) {
    sim.answer = [](const std::string& command) {
        if (command.find("BAD") != std::string::npos)
            return Answer{"Error 1022 in line 20: Invalid font\r\nno error here\r\nError 5: second\r\n", 2};
        return Answer{"no error line\r\n", 1};
    };
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("BAD"); }), 51022,
                        "ProtocolHandler:Command Method", "RB Error:Invalid font"));
    ASSERT_EQ(printer->Errors()->Count(), 2);
    EXPECT_EQ(printer->Errors()->Item(2)->Number(), 5);
    EXPECT_EQ(printer->Command("BAD", nullptr, 0, true, false),
              "Error 1022 in line 20: Invalid font\r\nno error here\r\nError 5: second\r\n");
    EXPECT_EQ(printer->Command("GOOD"), "no error line\r\n")
        << "a count without an error line raises nothing";
    EXPECT_EQ(printer->Errors()->Count(), 0);
}

TEST_F(PrinterTest, ASilentPrinterTimesOut) {
    sim.answer = [](const std::string&) { return Answer{"", 0, true}; };
    auto timer = New<Tickard::Timer>();
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("X"); }), 119, "ProtocolHandler:Query Method",
                        "The printer does not respond."));
    EXPECT_GE(timer->Elapsed(), 2000) << "the network's first-response limit while the version is unknown";
    timer->Reset();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("X", nullptr, 3000); }), 120);
    EXPECT_GE(timer->Elapsed(), 3000) << "a given time-out replaces the first-response limit";
}

TEST_F(PrinterTest, AnUnfinishedReplyWaitsUntilAbortedOrTheLinkDrops) {
    sim.answer = [](const std::string&) { return Answer{"partial output", 0, false, 60}; };
    auto abortLater = New<Tickard::TimerEvent>();
    abortLater->setInterval(2500);
    auto c = abortLater->Timer.connect([&] {
        abortLater->setEnabled(false);
        printer->AbortCommand();
    });
    abortLater->setEnabled(true);
    auto timer = New<Tickard::Timer>();
    EXPECT_TRUE(isError(raisedError([&] { printer->Command("SLOW"); }), 113, "ProtocolHandler:Query Method",
                        "The operation was cancelled."));
    EXPECT_GE(timer->Elapsed(), 2500);

    sim.answer = [](const std::string&) { return Answer{"partial output", 0, false, 60, true}; };
    timer->Reset();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("SLOW"); }), 108);
    EXPECT_LT(timer->Elapsed(), 2000);
}

TEST_F(PrinterTest, ACommandIsRefusedWhileOneRunsOrTheLinkIsBusy) {
    // Every handler that runs while a printer waits runs inside its connection's pump.
    int32_t busy = 0;
    auto r =
        connection->OnReceive.connect([&] { busy = errorNumberOf([&] { printer->Command("IN RECEIVE"); }); });
    sim.answer = [](const std::string&) { return Answer{"x"}; };
    printer->Command("Y");
    EXPECT_EQ(busy, 121);
    r.disconnect();

    // A handler without an owner pumps the thread itself; a second command
    // is refused and leaves an abort pending for the running one.
    auto handler = New<ProtocolHandler>();
    int32_t nested = 0;
    auto during = New<Tickard::TimerEvent>();
    during->setInterval(50);
    auto c = during->Timer.connect([&] {
        during->setEnabled(false);
        handler->Abort();
        std::string text = "NESTED";
        nested = errorNumberOf([&] { handler->Command(text, connection, nullptr, 0, true, true); });
    });
    sim.answer = [&](const std::string&) {
        during->setEnabled(true);
        return Answer{"", 0, true};
    };
    std::string text = "X";
    EXPECT_EQ(errorNumberOf([&] { handler->Command(text, connection, nullptr, 5000, true, true); }), 113);
    EXPECT_EQ(nested, 123);
}

TEST_F(PrinterTest, ThePackageDelayAndTheCommandFormsFollowTheVersion) {
    struct Case {
        const char* version;
        bool delayed;
        const char* probe; // what IsDeviceMounted sends, "" for nothing
    };
    const Case cases[] = {
        {"Rubric 7.40", true, "RUN\"df card1:\r"},
        {"Rubric 8.10", false, "RUN\"df card1:\r"},
        {"Rubric 10.20", false, "RUN\"df card1:\r"},
        {"Rubric 6.50", false, "OPEN\"card1:\" FOR INPUT AS #9091:CLOSE 9091\r"},
        {"Rubric 5.00", false, ""},
    };
    sim.answer = [](const std::string&) { return Answer{"x"}; };
    for (const auto& c : cases) {
        sim.version = c.version;
        printer->Command("FIRST"); // learns the version
        sim.commands.clear();
        sim.packageGaps.clear();
        printer->IsDeviceMounted("card1:");
        EXPECT_EQ(sim.commands.empty() ? std::string() : sim.commands[0], c.probe) << c.version;
        if (!sim.packageGaps.empty()) {
            EXPECT_EQ(sim.packageGaps[0] >= 450, c.delayed) << c.version << " gap " << sim.packageGaps[0];
        }
    }
    sim.commands.clear();
    EXPECT_TRUE(isError(raisedError([&] { printer->IsDeviceMounted("c:\"+KILL\"x"); }), 101,
                        "Printer:IsDeviceMounted Method",
                        "The operation failed because of invalid data. The value \"c:\"+KILL\"x\" holds a "
                        "quotation mark, which a printer command cannot carry."));
    EXPECT_TRUE(sim.commands.empty());
}

TEST_F(PrinterTest, DisplayAndFreeSpaceCommandsFollowTheVersion) {
    struct Case {
        const char* version;
        const char* display; // what SetDisplay sends, "" for nothing
    };
    const Case cases[] = {
        {"Rubric 7.40", "RUN\"cat -20 > console:\rLine one is long oky\rSOUND 440,100\r\r"},
        {"Rubric 10.20", "RUN\"cat -20 > console:\rLine one is long oky\rSOUND 440,100\r\r"},
        {"Rubric 6.50", "OPEN\"CONSOLE:\"FOR OUTPUT AS 10956:PRINT#10956,\"Line one is long  oky\";\r"
                        "CLOSE10956\rSOUND 440,100\r\r"},
        {"Rubric 5.00", ""},
    };
    sim.answer = [](const std::string& command) {
        return Answer{command.rfind("FILES", 0) == 0 ? "a.txt 12\r\n  123456 bytes free\r\n" : ""};
    };
    for (const auto& c : cases) {
        sim.version = c.version;
        printer->Command("FIRST");
        sim.commands.clear();
        printer->SetDisplay("Line one is long oky", 440, 100);
        EXPECT_EQ(sim.commands.empty() ? std::string() : sim.commands[0], c.display) << c.version;
    }
    sim.version = "Rubric 6.50";
    printer->Command("FIRST");
    sim.commands.clear();
    EXPECT_EQ(errorNumberOf([&] { printer->SetDisplay("say \"hi\""); }), 101)
        << "inside a quoted string on 6.x";
    EXPECT_EQ(printer->GetBytesFree("CARD1:"), 123456);
    ASSERT_EQ(sim.commands.size(), 1u);
    EXPECT_EQ(sim.commands[0], "FILES \"card1:\r");
}

TEST_F(PrinterTest, ALegacyModeChangeCountsOnlyFromVersion8On) {
    auto client = New<Client>();
    printer->AddClient(client);
    int refreshed = 0;
    auto e = printer->OnPrinterRefresh.connect([&] { ++refreshed; });
    sim.answer = [](const std::string&) { return Answer{""}; };
    for (const char* version : {"Rubric 7.40", "Rubric 8.10"}) {
        sim.version = version;
        printer->Command("A"); // a new version text is a change
        refreshed = 0;
        sim.legacyMode = sim.legacyMode == '0' ? '1' : '0';
        printer->Command("B");
        EXPECT_EQ(refreshed, std::string(version) == "Rubric 8.10" ? 1 : 0) << version;
        EXPECT_EQ(printer->LegacyMode(), sim.legacyMode - '0');
    }
    printer->RemoveClient(client);
}

TEST(PrinterOnSerial, WaitsTheSerialFirstResponseLimitWithoutAPause) {
    Platform::Serial::Testing::Pty pty;
    Platform::Serial::Testing::ComDir com{pty.slaveName()};
    auto connection = Tethra::Global::CreateSerialConnectionObj(1, 115200, Tethra::Parity_None, 8, 1,
                                                                Tethra::HandShake_None);
    connection->setPortOpen(true);
    auto printer = Global::CreatePrinterObj(connection);
    auto timer = New<Tickard::Timer>();
    EXPECT_EQ(errorNumberOf([&] { printer->Command("PRINT 1"); }), 119);
    EXPECT_GE(timer->Elapsed(), 1000);
    EXPECT_LT(timer->Elapsed(), 1500) << "no pause between the packages and a limit of 1000 ms";
    Global::TeardownPrinterObj(printer);
}

TEST_F(PrinterTest, ListingsAndMediaFollowTheVersion) {
    struct Case {
        const char* version;
        std::vector<std::string> sent; // GetFonts, GetBarcodes, GetMediaInfo in turn
        bool media;
    };
    const std::string barcodes =
        "\rqqBC$=BARCODENAME$(0):WHILE LEN(qqBC$)>0:Print qqBC$:qqBC$=BARCODENAME$(-1):WEND\r";
    const std::string shellMedia = "PRINT\"RESOLUTION:\";SYSVAR(21)\rPRINT\"NUMOFDOTS:\";SYSVAR(22)\r"
                                   "PRINT \"ACTLEN:\";ACTLEN\rRUN\"setup sw \r";
    const Case cases[] = {
        {"Rubric 8.10", {"FONTS\r", barcodes, shellMedia}, true},
        {"Rubric 10.10", {"FONTS\r", barcodes, shellMedia}, true},
        {"Rubric 6.50",
         {"FONTS\r", "PRINT\"RESOLUTION:\";SYSVAR(21)\rPRINT\"NUMOFDOTS:\";SYSVAR(22)\r"
                     "PRINT\"ACTLEN:\";ACTLEN\rSETUP WRITE\"net1:\r"},
         true},
        {"Rubric 5.00", {}, false},
    };
    for (const auto& c : cases) {
        sim.version = c.version;
        const bool shell = std::string(c.version) != "Rubric 6.50";
        sim.answer = [&](const std::string& command) {
            if (command == "FONTS\r")
                return Answer{"  Swiss 721 BT    Univers  OCR-B  12345 bytes used  678 bytes free  "};
            if (command.starts_with("PRINT\"RESOLUTION"))
                return Answer{shell ? "RESOLUTION: 300\r\nNUMOFDOTS: 832\r\nACTLEN: 1210\r\n"
                                      "MEDIA,MEDIA SIZE,WIDTH,800\r\nMEDIA,MEDIA SIZE,LENGTH,1200\r\n"
                                      "MEDIA,MEDIA SIZE,XSTART,16\r\nMEDIA,MEDIA TYPE,LABEL (w GAPS)\r\n"
                                    : "RESOLUTION: 203\r\nNUMOFDOTS: 640\r\nACTLEN: 0\r\n"
                                      "SERVICE,MEDIA SIZE,LENGTH,900\r\n"};
            return Answer{"x"};
        };
        printer->Command("FIRST"); // learns the version
        sim.commands.clear();
        std::string fonts = printer->GetFonts();
        printer->GetBarcodes();
        auto media = printer->GetMediaInfo();
        EXPECT_EQ(sim.commands, c.sent) << c.version;
        EXPECT_EQ(fonts, c.sent.empty() ? "" : "Swiss 721 BT\r\nUnivers\r\nOCR-B") << c.version;
        ASSERT_EQ(static_cast<bool>(media), c.media) << c.version;
        if (!media)
            continue;
        if (shell) {
            EXPECT_EQ(
                std::vector<int32_t>({media->PrintheadResolution, media->NumberOfPrintheadDots,
                                      media->LastFeedLength, media->Width, media->Length, media->XStart}),
                std::vector<int32_t>({300, 832, 1210, 800, 1200, 16}));
            EXPECT_EQ(media->LabelType, "LABEL (w GAPS)");
        } else {
            EXPECT_EQ(std::vector<int32_t>({media->PrintheadResolution, media->Width, media->Length}),
                      std::vector<int32_t>({203, 0, 900}));
            EXPECT_EQ(media->LabelType, "");
        }
    }
}

TEST_F(PrinterTest, TheImageBufferIsReadUntranslatedAfterItIsSaved) {
    // A small RLL whose run data holds CR and LF bytes: four rows of 13 + 10 pixels.
    std::string rll = "@(#)LOGO" + std::string(16, '\0') + std::string("\x28\0\0\0", 4) +
                      std::string(4, '\0') + std::string("\x04\0\x17\0\x04\0\0\0", 8) + "\x01\x0a\x0d\xfc";
    sim.answer = [&](const std::string& command) {
        return Answer{command.starts_with("RUN\"cat -B") ? rll : std::string()};
    };
    sim.lineBreak = "\n"; // a translation would turn the LF byte into CR LF
    sim.version = "Rubric 7.50";
    printer->Command("FIRST");
    sim.commands.clear();
    EXPECT_TRUE(
        isError(raisedError([&] { printer->GetImageBuffer(); }), 202, "Printer:GetImageBuffer Method", ""));
    EXPECT_TRUE(sim.commands.empty());

    sim.version = "Rubric 7.52";
    printer->Command("FIRST");
    sim.commands.clear();
    auto image = printer->GetImageBuffer();
    EXPECT_EQ(sim.commands,
              std::vector<std::string>({"IMAGE BUFFER SAVE\"tmp:TMP_IMAGE.RLL\"\r",
                                        "RUN\"cat -B tmp:TMP_IMAGE.RLL >net1:\r",
                                        "KILL\"tmp:TMP_IMAGE.RLL\":REMOVE IMAGE\"TMP_IMAGE.RLL\"\r"}));
    QImage picture = image->Picture();
    ASSERT_EQ(picture.size(), QSize(23, 4));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(picture.pixelIndex(12, y) * 10 + picture.pixelIndex(13, y), 1) << "row " << y;
}

TEST_F(PrinterTest, PreviewsFillTheirTemplatesForTheVersion) {
    struct Case {
        const char* version;
        const char* image; // what ImageRender::TestPrint sends for LOGO
        const char* font;  // what FontRender::TestPrint sends with the defaults
    };
    const Case cases[] = {
        {"Rubric 8.10", "CLL:PP1,1:AN1:DIR1:NORIMAGE\rCLIPON\rPRIMAGE\"LOGO\"\rPF\r",
         "CLL:PP1,1:AN1:DIR1:NORIMAGE:FONT\"Swiss 721 BT\",12,0,100\rCLIPON\r"
         "PRTXT\"The quick brown fox jumps over the lazy dog. 1234567890\"\rPF\r"},
        {"Rubric 10.00", "CLL:PP1,1:AN1:DIR1:NORIMAGE\rCLIPON\rPRIMAGE\"LOGO\"\rPF\r",
         "CLL:PP1,1:AN1:DIR1:NORIMAGE:FONT\"Swiss 721 BT\",12,0,100\rCLIPON\r"
         "PRTXT\"The quick brown fox jumps over the lazy dog. 1234567890\"\rPF\r"},
        {"Rubric 6.50", "CLL:PP1,1:AN1:DIR1:NORIMAGE:PRIMAGE\"LOGO\"\rPF\r",
         "CLL:PP1,1:AN1:DIR1:NORIMAGE:FONT\"Swiss 721 BT\":"
         "PRTXT\"The quick brown fox jumps over the lazy dog. 1234567890\"\rPF\r"},
    };
    sim.answer = [](const std::string&) { return Answer{}; };
    for (const auto& c : cases) {
        sim.version = c.version;
        printer->Command("FIRST");
        sim.commands.clear();
        auto image = printer->GetImageRender();
        image->ImageName = "LOGO";
        image->TestPrint();
        printer->GetFontRender()->TestPrint();
        EXPECT_EQ(sim.commands, std::vector<std::string>({c.image, c.font})) << c.version;
    }
    sim.version = "Rubric 8.10";
    printer->Command("FIRST");
    auto font = printer->GetFontRender();
    font->ForceUpperCase = true;
    font->Inverse = true;
    font->ClipOn = false;
    font->X = 20;
    const char* names[][2] = {{"SW030RSN", "FONT\"SW030RSN\r"},
                              {"MS060BMN.2", "FONT\"MS060BMN.2\r"},
                              {"sw030rsn", "FONT\"sw030rsn\",12,0,100\r"},
                              {"SW030 RS", "FONT\"SW030 RS\",12,0,100\r"}};
    for (const auto& [name, selection] : names) {
        sim.commands.clear();
        font->FontName = name;
        font->TestPrint();
        ASSERT_EQ(sim.commands.size(), 1u);
        EXPECT_EQ(sim.commands[0], std::string("CLL:PP20,1:AN1:DIR1:INVIMAGE:") + selection +
                                       "CLIPOFF\rPRTXT\"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG. "
                                       "1234567890\"\rPF\r");
    }
    sim.commands.clear();
    font->Text = "\"&T&\":KILL\"c:x";
    EXPECT_TRUE(
        isError(raisedError([&] { font->TestPrint(); }), 101, "FontRender:TestPrint Method",
                "The operation failed because of invalid data. The value \"\"&T&\":KILL\"c:x\" holds a "
                "quotation mark, which a printer command cannot carry."));
    EXPECT_TRUE(sim.commands.empty());

    // The names go into the program as well, and are refused alike, drawn or printed.
    font->Text = "ABC";
    font->FontName = "SW030RSN\"\rKILL\"c:x";
    auto image = printer->GetImageRender();
    image->ImageName = "LOGO\":KILL\"c:x";
    const std::pair<const char*, std::function<void()>> named[] = {
        {"FontRender:TestPrint Method", [&] { font->TestPrint(); }},
        {"FontRender:TestPrint Method", [&] { font->Picture(); }},
        {"ImageRender:TestPrint Method", [&] { image->TestPrint(); }},
        {"ImageRender:TestPrint Method", [&] { image->Picture(); }}};
    for (const auto& [source, call] : named) {
        const auto error = raisedError(call);
        EXPECT_EQ(error.Number(), 101) << source;
        EXPECT_EQ(error.Source(), source);
    }
    EXPECT_TRUE(sim.commands.empty());
}
