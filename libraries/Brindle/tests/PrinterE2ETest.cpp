// The Printer against the simulated printer, over TCP on loopback and on a serial line.
#include <gtest/gtest.h>

#include "Brindle/FontRender.h"
#include "Brindle/ImageRender.h"
#include "Brindle/MediaInfo.h"
#include "Brindle/Printer.h"
#include "Brindle/RLLImage.h"
#include "ErrorNumber.h"
#include "SimulatedPrinterBench.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"
#include "messages/MessagePump.h"

using namespace Brindle;
using Automation::New;
using Automation::Ref;

namespace {

PrinterSim::Fault fault(const char* name) {
    auto parsed = PrinterSim::Fault::parse(QString::fromLatin1(name));
    EXPECT_TRUE(parsed.has_value()) << name;
    return parsed.value_or(PrinterSim::Fault());
}

using Bench = SimulatedPrinterBench;

} // namespace

TEST(PrinterE2E, TheTrailerOfEveryVersionFillsThePrinterState) {
    struct Case {
        const char* version;
        const char* versionText;
        const char* normalised;
        const char* user; // 6.x has no shell to say who is logged in
    };
    const Case cases[] = {
        {"8.10", "Rubric 8.10", "8.10", "admin"},     {"8.10 Beta 3", "Rubric 8.10 Beta 3", "8.10", "admin"},
        {"V7.50a", "Rubric V7.50a", "7.50", "admin"}, {"6.50", "Rubric 6.50", "6.50", ""},
        {"10.20", "Rubric 10.20", "10.20", "admin"},
    };
    for (const auto& c : cases) {
        Bench bench(c.version);
        EXPECT_TRUE(bench.printer->IsImmediateMode()) << c.version;
        EXPECT_EQ(bench.printer->RubricVersionStr(), c.versionText) << c.version;
        EXPECT_EQ(bench.printer->RubricVersion(), c.normalised) << c.version;
        EXPECT_EQ(bench.printer->LineBreakStr(), "\r\n") << c.version;
        EXPECT_EQ(bench.printer->UserName(), c.user) << c.version;
        EXPECT_EQ(bench.printer->Command("PRINT \"A\";1+1"), "A2\r\n") << c.version;
        EXPECT_EQ(bench.sim.sysvar(18), 0) << "the frame puts the verbosity back";
    }
}

TEST(PrinterE2E, PrinterErrorsAreRaisedAsRubricErrors) {
    Bench bench("8.10");
    auto error = raisedError([&] { bench.printer->Command("PRINT 1/0"); });
    EXPECT_GT(error.Number(), 50000);
    EXPECT_EQ(error.Source(), "ProtocolHandler:Command Method");
    EXPECT_EQ(error.Description().rfind("RB Error:", 0), 0u) << error.Description();
    ASSERT_GE(bench.printer->Errors()->Count(), 1);
    EXPECT_EQ(error.Number(), 50000 + bench.printer->Errors()->Item(1)->Number());
}

TEST(PrinterE2E, RepliesSurviveWhatTheLinkDoesToThem) {
    struct Case {
        const char* fault;
        const char* before; // what stands in front of the command's output
    };
    const Case cases[] = {{"split-reply@9", ""},     {"garbage-before-reply", ""}, {"stray-soh", ""},
                          {"xoff-in-reply", "\x13"}, {"duplicate-reply", ""},      {"stale-reply", ""},
                          {"delayed-reply@300", ""}};
    for (const auto& c : cases) {
        Bench bench("8.10", {fault(c.fault)});
        EXPECT_EQ(bench.printer->Command("PRINT \"ONE\""), std::string(c.before) + "ONE\r\n") << c.fault;
        EXPECT_EQ(bench.printer->Command("PRINT \"TWO\""), std::string(c.before) + "TWO\r\n") << c.fault;
    }
}

TEST(PrinterE2E, SilenceAndUnfinishedRepliesEndInTheirErrors) {
    {
        Bench bench("8.10", {fault("no-reply")});
        auto timer = New<Tickard::Timer>();
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT 1"); }), 119);
        EXPECT_GE(timer->Elapsed(), 2000);
        timer->Reset();
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT 1", nullptr, 1000); }), 120);
        EXPECT_LT(timer->Elapsed(), 2000);
    }
    {
        Bench bench("8.10", {fault("unfinished-reply")});
        auto abortLater = New<Tickard::TimerEvent>();
        abortLater->setInterval(3000);
        auto c = abortLater->Timer.connect([&] {
            abortLater->setEnabled(false);
            bench.printer->AbortCommand();
        });
        abortLater->setEnabled(true);
        auto timer = New<Tickard::Timer>();
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT \"LONG OUTPUT\""); }), 113);
        EXPECT_GE(timer->Elapsed(), 3000) << "a started reply is waited for past the first-response limit";
    }
    {
        Bench bench("8.10", {fault("dropped-link")});
        auto timer = New<Tickard::Timer>();
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT \"LONG OUTPUT\""); }), 108);
        EXPECT_LT(timer->Elapsed(), 2000);
    }
}

TEST(PrinterE2E, ACommandFromTheReceiveEventIsRefused) {
    Bench bench("8.10");
    int32_t refused = 0;
    auto r = bench.connection->OnReceive.connect(
        [&] { refused = errorNumberOf([&] { bench.printer->Command("PRINT 2"); }); });
    EXPECT_EQ(bench.printer->Command("PRINT 1"), "1\r\n");
    EXPECT_EQ(refused, 121);
}

TEST(PrinterE2E, MessageIdsWrapFrom99To1) {
    Bench bench("8.10");
    for (int i = 1; i <= 100; ++i)
        ASSERT_EQ(bench.printer->Command("PRINT " + std::to_string(i)), std::to_string(i) + "\r\n") << i;
    QList<QByteArray> heads;
    for (const QByteArray& line : bench.sim.receivedLines())
        if (line.startsWith("PRINT CHR$(1)+\"CMD"))
            heads.append(line.mid(18, 2));
    ASSERT_EQ(heads.size(), 100);
    EXPECT_EQ(heads[0], "01");
    EXPECT_EQ(heads[98], "99");
    EXPECT_EQ(heads[99], "01");
    std::string name = bench.printer->GetMCSName();
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name.back(), '\n');
}

TEST(PrinterE2E, DebugAndApplicationFramesReachTheirStreams) {
    Bench bench("8.10");
    int debugEvents = 0, applicationEvents = 0, terminalEvents = 0;
    auto d = bench.printer->OnDebugInput.connect([&] { ++debugEvents; });
    auto a = bench.printer->OnApplicationProtocolInput.connect([&] { ++applicationEvents; });
    auto t = bench.printer->OnTerminalInput.connect([&] { ++terminalEvents; });

    // The debugger announces a running program: the printer is in run mode.
    bench.sim.sendDebugFrame("execution=ON");
    ASSERT_TRUE(Platform::WaitUntil([&] { return debugEvents > 0; }, 3000));
    EXPECT_EQ(bench.printer->DebugReceived(), "execution=ON");
    EXPECT_EQ(bench.printer->RubricMode(), enumRubricMode::RBMode_run);

    // Application frames are terminal output unless they are kept apart.
    const std::string frame = "\x01"
                              "AP10100000020\x02"
                              "abc\x03\x04";
    bench.sim.sendApplicationFrame("abc");
    ASSERT_TRUE(Platform::WaitUntil([&] { return terminalEvents > 0; }, 3000));
    EXPECT_EQ(bench.printer->TerminalReceived(), frame);
    bench.printer->setAPSeparationEnable(true);
    bench.sim.sendApplicationFrame("abc");
    ASSERT_TRUE(Platform::WaitUntil([&] { return applicationEvents > 0; }, 3000));
    EXPECT_EQ(bench.printer->APReceived(), frame);
    EXPECT_EQ(bench.printer->TerminalReceived(), "");
}

TEST(PrinterE2E, OnASerialLineCommandsErrorsAndTimeOutsAsOnTcp) {
    for (const char* version : {"8.10", "6.50"}) {
        SCOPED_TRACE(version);
        Bench bench(version, {}, Bench::Link::Serial);
        EXPECT_TRUE(bench.printer->IsImmediateMode());
        EXPECT_EQ(bench.printer->RubricVersion(), version);
        // The serial channel is uart1:.
        EXPECT_EQ(bench.printer->StdioStr(), "uart1:");
        EXPECT_EQ(bench.printer->Command("PRINT \"A\";1+1"), "A2\r\n");
        auto error = raisedError([&] { bench.printer->Command("PRINT 1/0"); });
        ASSERT_GE(bench.printer->Errors()->Count(), 1);
        EXPECT_EQ(error.Number(), 50000 + bench.printer->Errors()->Item(1)->Number());
    }
    {
        Bench bench("8.10", {fault("split-reply@9"), fault("garbage-before-reply")}, Bench::Link::Serial);
        EXPECT_EQ(bench.printer->Command("PRINT \"ONE\""), "ONE\r\n");
        EXPECT_EQ(bench.printer->Command("PRINT \"TWO\""), "TWO\r\n");
    }
    {
        // A silent serial printer is given up after the serial first-response limit.
        Bench bench("8.10", {fault("no-reply")}, Bench::Link::Serial);
        auto timer = New<Tickard::Timer>();
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT 1"); }), 119);
        EXPECT_GE(timer->Elapsed(), 1000);
        EXPECT_LT(timer->Elapsed(), 2000);
    }
    {
        Bench bench("8.10", {fault("unfinished-reply")}, Bench::Link::Serial);
        auto abortLater = New<Tickard::TimerEvent>();
        abortLater->setInterval(1500);
        auto c = abortLater->Timer.connect([&] {
            abortLater->setEnabled(false);
            bench.printer->AbortCommand();
        });
        abortLater->setEnabled(true);
        EXPECT_EQ(errorNumberOf([&] { bench.printer->Command("PRINT \"LONG OUTPUT\""); }), 113);
    }
}

TEST(PrinterE2E, FontsImagesBarcodesAndModelOfEachVersion) {
    struct Case {
        const char* version;
        const char* barcodes;
    };
    const Case cases[] = {
        {"8.10", "CODE128\r\nCODE39\r\nEAN13\r\nEAN8\r\nUPCA\r\nQRCODE\r\nDATAMATRIX\r\n"},
        {"10.20", "CODE128\r\nCODE39\r\nEAN13\r\nEAN8\r\nUPCA\r\nQRCODE\r\nDATAMATRIX\r\n"},
        {"6.50", ""},
    };
    for (const auto& c : cases) {
        Bench bench(c.version);
        EXPECT_EQ(bench.printer->GetFonts(),
                  "Swiss 721 BT\r\nSwiss 721 Bold BT\r\nMonospace 821 BT\r\nSwiss 721 BT\r\n")
            << c.version;
        EXPECT_EQ(bench.printer->GetImages(), "Kestrel logo.1\r\n") << c.version;
        EXPECT_EQ(bench.printer->GetBarcodes(), c.barcodes) << c.version;
        EXPECT_FALSE(bench.printer->GetModel().empty()) << c.version;
    }
}

TEST(PrinterE2E, PropertyListDescribesThePrinter) {
    Bench bench("8.10 Beta 3");
    auto properties = bench.printer->Properties();
    EXPECT_EQ(properties, bench.printer->Properties()) << "made once";
    ASSERT_EQ(properties->Count(), 4);
    auto value = [&](const char* name) {
        return properties->Item(Automation::Variant(name))->Value().toString();
    };
    EXPECT_EQ(value("Name"), bench.profile.model.toStdString());
    EXPECT_EQ(value("SoftwareVer"), "Rubric 8.10 Beta 3");
    // The first letter of the board text is upper-cased.
    std::string board = bench.profile.hardwareVersion.toStdString();
    board[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(board[0])));
    EXPECT_EQ(value("HardwareVer"), board);
    EXPECT_NE(value("McsID").find("Linux"), std::string::npos) << value("McsID");
}

TEST(PrinterE2E, MediaInformationFromTheSetupAndTheHead) {
    for (const char* version : {"8.10", "7.40"}) {
        SCOPED_TRACE(version);
        Bench bench(version);
        auto media = bench.printer->GetMediaInfo();
        ASSERT_TRUE(media);
        EXPECT_EQ(media->Width, bench.profile.headDots);
        EXPECT_EQ(media->Length, 1200);
        EXPECT_EQ(media->XStart, 0);
        EXPECT_EQ(media->NumberOfPrintheadDots, bench.profile.headDots);
        EXPECT_EQ(media->PrintheadResolution, bench.profile.headDotsPerMm);
        EXPECT_EQ(media->LabelType, "LABEL (W GAPS)");
    }
}

namespace {

// Compares the picture dot for dot with the simulator's image buffer as it
// is now; the count of black dots, so that an empty buffer does not pass for
// a match.
int blackDotsMatching(const QImage& picture, const PrinterSim::Bitmap& drawn) {
    if (picture.size() != QSize(drawn.width(), drawn.height())) {
        ADD_FAILURE() << "the picture is " << picture.width() << " x " << picture.height() << ", the buffer "
                      << drawn.width() << " x " << drawn.height();
        return 0;
    }
    int black = 0;
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const bool dot = picture.pixelIndex(x, y) == 1;
            black += dot;
            differing += dot != drawn.black(x, y);
        }
    EXPECT_EQ(differing, 0);
    return black;
}

} // namespace

TEST(PrinterE2E, PreviewsShowTheImageBufferAsThePrinterDrewIt) {
    Bench bench("8.10");
    auto image = bench.printer->GetImageRender();
    image->ImageName = "Kestrel logo.1";
    image->X = 200;
    image->Y = 900;
    image->Align = 5;
    image->dir = 2;
    image->Inverse = true;
    QImage picture = image->Picture();
    EXPECT_GT(blackDotsMatching(picture, bench.sim.imageBuffer()), 1000);
    EXPECT_TRUE(bench.received("IMAGE BUFFER SAVE\"tmp:TMP_IMAGE.RLL\""));
    EXPECT_EQ(bench.printer->GetImages(), "Kestrel logo.1\r\n") << "the saved buffer is removed again";

    auto font = bench.printer->GetFontRender();
    font->X = 30;
    font->Y = 1100;
    font->Align = 7;
    font->Slant = 20;
    font->Width = 150;
    font->Text = "Kestrup: 0123456789 {|}";
    picture = font->Picture();
    EXPECT_GT(blackDotsMatching(picture, bench.sim.imageBuffer()), 1000);

    bench.printer->Command("CLL:CLIPON:PP800,10:AN1:DIR4:NORIMAGE:FONT\"Monospace 821 BT\",30\r"
                           "PRTXT\"Along the label\":DIR3:PP700,300:PRIMAGE\"Kestrel logo.1\"\r");
    picture = bench.printer->GetImageBuffer()->Picture();
    EXPECT_GT(blackDotsMatching(picture, bench.sim.imageBuffer()), 1000);

    // A test print feeds one label of the media length and empties the buffer.
    font->TestPrint();
    EXPECT_EQ(bench.printer->GetMediaInfo()->LastFeedLength, 1200);
    picture = bench.printer->GetImageBuffer()->Picture();
    EXPECT_EQ(blackDotsMatching(picture, bench.sim.imageBuffer()), 0);
}

TEST(PrinterE2E, NoImageBufferBefore7_52) {
    Bench bench("V7.50a");
    EXPECT_EQ(errorNumberOf([&] { bench.printer->GetImageBuffer(); }), 202);
    EXPECT_EQ(errorNumberOf([&] { bench.printer->GetImageRender()->Picture(); }), 202);
    for (const QByteArray& line : bench.sim.receivedLines())
        EXPECT_FALSE(line.startsWith("IMAGE") || line.startsWith("CLL")) << line.toStdString();
}
