// Files moved through a Printer to and from the simulated printer over TCP.
#include <filesystem>
#include <gtest/gtest.h>

#include "CancelOnceMoving.h"
#include "ErrorNumber.h"
#include "SimulatedPrinterBench.h"

using namespace Brindle;
using Automation::Ref;

namespace {

using Bench = SimulatedPrinterBench;

QByteArray stored(const Bench& bench, const char* path) {
    return bench.sim.files().value(path);
}

} // namespace

TEST(FileTransferE2E, FilesGoAndComeBackByteExact) {
    PrinterSim::Profile roomy = PrinterSim::Profile::forVersion(QStringLiteral("8.10"));
    roomy.flashKb = 65536;
    Bench bench(roomy, {}, Bench::Link::Tcp);
    for (size_t size : {0, 1, 2047, 2048, 2049, 300000, 8 << 20}) {
        std::string data = filePattern(size);
        bench.printer->FileUpload(bench.pc.write("up.bin", data), "c:data.bin");
        EXPECT_TRUE(stored(bench, "c:data.bin") == QByteArray::fromStdString(data)) << size;
        EXPECT_EQ(bench.printer->GetFileSize("c:data.bin"), static_cast<int32_t>(size));

        // The PC file is replaced whole, a longer old one leaving no tail.
        std::string target = bench.pc.write("down.bin", std::string(size + 10, 'x'));
        bench.printer->FileDownload("c:data.bin", target);
        EXPECT_TRUE(TempFolder::read(target) == data) << size;
    }
    // The old printer file was removed before each new one was sent.
    EXPECT_TRUE(bench.received("RUN\"rm c:data.bin"));
}

TEST(FileTransferE2E, UploadDataToFileLeavesNoTemporaryFile) {
    TempFolder temp;
    Bench bench(PrinterSim::Profile::forVersion(QStringLiteral("8.10")), {}, Bench::Link::Tcp,
                {{"TMPDIR", temp.path()}});
    bench.printer->UploadDataToFile(std::string("LAYOUT\r\n\0\xff", 10), "c:my layout.txt");
    EXPECT_TRUE(stored(bench, "c:my layout.txt") == QByteArray("LAYOUT\r\n\0\xff", 10));
    EXPECT_TRUE(bench.received("RUN\"cat -S2 -10 >c:my\\ layout.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST(FileTransferE2E, AnUploadAbortedMidwayEndsOnceThePrintersCatGivesUpAndLeavesNoFile) {
    PrinterSim::Profile roomy = PrinterSim::Profile::forVersion(QStringLiteral("8.10"));
    roomy.flashKb = 65536;
    Bench bench(roomy, {}, Bench::Link::Tcp);
    const std::string data = filePattern(32 << 20);
    auto receiver = Automation::New<CancelOnceMoving>();
    auto progress = CancelOnceMoving::progressFor(data.size(), receiver);
    const std::string source = bench.pc.write("big.bin", data);
    auto error = raisedError([&] { bench.printer->FileUpload(source, "c:big.bin", progress); });
    ASSERT_TRUE(receiver->cancelled.isValid());
    const int64_t took = receiver->cancelled.elapsed();
    EXPECT_EQ(error.Number(), 113);
    // The cat gives up after two silent seconds (and room for a busy
    // machine); waiting out its time-out again and a settling pause would
    // cost seven more.
    EXPECT_LT(took, 2000 + 3000);
    EXPECT_FALSE(bench.sim.files().contains("c:big.bin"));
    // The printer takes commands again at once.
    EXPECT_TRUE(bench.printer->IsImmediateMode());
}

TEST(FileTransferE2E, RoomCheckAtItsBoundary) {
    // 7.40 has 3 MiB of c:, so the files stay small.
    Bench bench("7.40");
    ASSERT_TRUE(bench.sim.putFile("c:old.bin", QByteArray(5000, 'o')));
    int64_t free = bench.printer->GetBytesFree("c:");
    auto upload = [&](int64_t size) {
        return errorNumberOf([&] {
            bench.printer->FileUpload(bench.pc.write("big.bin", std::string(static_cast<size_t>(size), 'b')),
                                      "c:old.bin");
        });
    };
    auto error = raisedError([&] {
        bench.printer->FileUpload(bench.pc.write("big.bin", std::string(free + 5000 + 3072, 'b')),
                                  "c:old.bin");
    });
    EXPECT_EQ(error.Number(), 124);
    EXPECT_EQ(error.Source(),
              "Filetransfer:Upload method>Filetransfer:Upload method>Printer:FileUpload Method");
    // Nothing was removed or sent.
    EXPECT_EQ(stored(bench, "c:old.bin").size(), 5000);
    EXPECT_FALSE(bench.received("RUN\"rm c:old.bin"));
    // One byte less passes the check: the old file goes and the upload starts.
    upload(free + 5000 + 3071);
    EXPECT_TRUE(bench.received("RUN\"rm c:old.bin"));
    EXPECT_EQ(upload(1000), 0);
    EXPECT_EQ(stored(bench, "c:old.bin").size(), 1000);
}

TEST(FileTransferE2E, FailuresLeaveThePcFileAndReportClearly) {
    Bench bench("8.10");
    std::string kept = bench.pc.write("kept.bin", "the old contents");
    // A printer file that is not there.
    auto error = raisedError([&] { bench.printer->FileDownload("c:missing.bin", kept); });
    EXPECT_EQ(error.Number(), 122);
    EXPECT_EQ(error.Description(), "The file was not found on the printer. File: \"c:missing.bin\"");
    EXPECT_EQ(TempFolder::read(kept), "the old contents");
    // A PC file that is not there.
    error = raisedError([&] { bench.printer->FileUpload(bench.pc / "absent.bin", "c:x.bin"); });
    EXPECT_EQ(error.Number(), 53);
    EXPECT_EQ(error.Description(), "File not found: \"" + (bench.pc / "absent.bin") + "\"");
    // A PC folder that is not there is found before the printer is asked for anything.
    int lines = static_cast<int>(bench.sim.receivedLines().size());
    error = raisedError([&] { bench.printer->FileDownload("c:x.bin", bench.pc / "none/x.bin"); });
    EXPECT_EQ(error.Number(), 76);
    EXPECT_EQ(error.Description(), "Path not found: \"" + (bench.pc / "none") + "\"");
    EXPECT_EQ(bench.sim.receivedLines().size(), lines);
    // A name that would break out of the command text is refused before anything is sent.
    EXPECT_EQ(errorNumberOf([&] { bench.printer->FileUpload(kept, "c:x\"\rKILL\"c:y"); }), 101);
    EXPECT_EQ(errorNumberOf([&] { bench.printer->KillFile("c:a\"b"); }), 101);
    EXPECT_EQ(bench.sim.receivedLines().size(), lines);
    // A read-only device: the printer's cat names the file.
    error = raisedError([&] { bench.printer->FileUpload(kept, "rom:x.bin"); });
    EXPECT_EQ(error.Number(), 128);
    EXPECT_EQ(error.Source(),
              "Transfer:FileUploadNet Method>Filetransfer:Upload method>Printer:FileUpload Method");
    // The printer answers commands again afterwards.
    EXPECT_TRUE(bench.printer->IsImmediateMode());
}

TEST(FileTransferE2E, NetworkTransferNeedsFirmwareWithCatMarkers) {
    for (const char* version : {"7.00", "7.30", "6.50"}) {
        Bench bench(version);
        std::string file = bench.pc.write("f.bin", "abc");
        auto error = raisedError([&] { bench.printer->FileUpload(file, "c:f.bin"); });
        EXPECT_EQ(error.Number(), 201) << version;
        EXPECT_EQ(error.Source(),
                  "Filetransfer:Upload method>Filetransfer:Upload method>Printer:FileUpload Method");
        error = raisedError([&] { bench.printer->FileDownload("c:f.bin", file); });
        EXPECT_EQ(error.Number(), 201) << version;
        EXPECT_EQ(error.Source(),
                  "Filetransfer:Download method>FileTransfer:Download Method>Printer:FileDownload Method");
    }
    for (const char* version : {"7.32", "8.00", "10.00"}) {
        Bench bench(version);
        bench.printer->FileUpload(bench.pc.write("f.bin", "abc"), "c:f.bin");
        EXPECT_EQ(stored(bench, "c:f.bin"), "abc") << version;
    }
}

TEST(FileTransferE2E, FontsAndImagesAreInstalledAfterTheirUpload) {
    Bench bench("8.10");
    bench.printer->FileUpload(bench.pc.write("logo.pcx", std::string("\x0a\x05\x01\x01pcx data", 12)),
                              "c:my logo.pcx");
    EXPECT_TRUE(bench.received("RUN\"install c:my\\ logo.pcx"));
    bench.printer->FileUpload(bench.pc.write("notes.txt", "plain text"), "c:notes.txt");
    EXPECT_FALSE(bench.received("RUN\"install c:notes.txt"));
}

TEST(FileTransferE2E, CatTimeoutIsWholeSecondsAndNeverBelowTwo) {
    Bench bench("8.10");
    EXPECT_EQ(bench.printer->RawTransferUploadCancelCatTimeout(), 2000);
    EXPECT_EQ(bench.printer->RawTransferUploadRestoreTimeout(), 1000);
    struct Case {
        int32_t set, readBack;
        const char* line;
    };
    for (const Case& c :
         {Case{500, 2000, "RUN\"cat -S2 -3 >c:t.bin"}, Case{2500, 2500, "RUN\"cat -S2 -3 >c:t.bin"},
          Case{3500, 3500, "RUN\"cat -S4 -3 >c:t.bin"}}) {
        bench.printer->setRawTransferUploadCancelCatTimeout(c.set);
        bench.printer->FileUpload(bench.pc.write("t.bin", "abc"), "c:t.bin");
        EXPECT_EQ(bench.printer->RawTransferUploadCancelCatTimeout(), c.readBack) << c.set;
        EXPECT_TRUE(bench.received(c.line)) << c.set;
    }
}

TEST(FileTransferE2E, FileSystemMembersOnEveryCommandDialect) {
    struct Case {
        const char* version;
        const char* device;
    };
    for (const Case& c : {Case{"8.10", "c:"}, Case{"7.40", "c:"}, Case{"6.50", "ram:"}}) {
        Bench bench(c.version);
        const std::string file = std::string(c.device) + "report.txt";
        const std::string copy = std::string(c.device) + "copy.txt";
        ASSERT_TRUE(bench.sim.putFile(QByteArray::fromStdString(file), QByteArray(1234, 'r')));
        EXPECT_EQ(bench.printer->GetFileSize(file), 1234) << c.version;
        EXPECT_EQ(errorNumberOf([&] { bench.printer->GetFileSize(std::string(c.device) + "none.txt"); }), 122)
            << c.version;

        bench.printer->CopyFile(file, copy);
        EXPECT_EQ(bench.sim.files().value(QByteArray::fromStdString(copy)).size(), 1234) << c.version;
        std::string listing = bench.printer->GetFiles(c.device);
        EXPECT_NE(listing.find("copy.txt"), std::string::npos) << c.version << listing;
        EXPECT_NE(listing.find("report.txt"), std::string::npos) << c.version << listing;

        bench.printer->KillFile(copy);
        EXPECT_FALSE(bench.sim.files().contains(QByteArray::fromStdString(copy))) << c.version;
    }
    Bench bench("8.10");
    bench.printer->MakeDir("c:fonts dir");
    ASSERT_TRUE(bench.sim.putFile("c:fonts dir/a.ttf", "font"));
    EXPECT_NE(bench.printer->GetFiles("c:fonts dir").find("a.ttf"), std::string::npos);
    bench.printer->KillDir("c:fonts dir");
    EXPECT_FALSE(bench.sim.files().contains("c:fonts dir/a.ttf"));
    EXPECT_EQ(bench.printer->GetFiles("c:").find("fonts"), std::string::npos);
}
