// The firmware loader against the simulated printer on loopback TCP.
#include "Flashmount/RBFirmwareLoader.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "FlashBench.h"
#include "errors/ErrorTextProvider.h"

using namespace FlashTesting;
using Automation::Ref;
using Platform::ErrorTextProvider;

namespace {

const char* const FlashSource = "RBFirmwareLoader:Flash Method";
const std::string RaisedInFlash = std::string(FlashSource) + ">" + FlashSource;

PrinterSim::Profile profileOf(const char* version) {
    return PrinterSim::Profile::forVersion(QString::fromLatin1(version));
}

// Nothing of an upgrade reached the printer.
void expectNothingWritten(const FlashBench& bench) {
    EXPECT_FALSE(bench.received("FORMAT \"tmp:\""));
    EXPECT_FALSE(bench.receivedStartingWith("RUN\"cat"));
    EXPECT_TRUE(bench.sim.displayHistory().isEmpty());
    EXPECT_FALSE(bench.received("LED 0 OFF"));
}

// The connection is open exactly once more: one close ends it.
void expectOpenedOnce(const FlashBench& bench) {
    EXPECT_TRUE(bench.connection->PortOpen());
    bench.connection->setPortOpen(false);
    EXPECT_FALSE(bench.connection->PortOpen());
}

} // namespace

TEST(RBFirmwareLoader, FlashOverTcpStoresTheKernelAndReboots) {
    FlashBench bench("8.10");
    const std::string image = kernelImage("Rubric 8.20 (compressed)", 20000);
    bench.load(image);
    EXPECT_TRUE(bench.loader->ValidFirmware());
    EXPECT_EQ(bench.loader->KernelID(), "Rubric 8.20 (compressed)");
    EXPECT_TRUE(bench.loader->CanUserUpgrade());
    EXPECT_TRUE(bench.loader->CanUpgrade());
    EXPECT_FALSE(bench.received("FORMAT \"tmp:\""));

    bench.loader->Flash(bench.progress);

    EXPECT_TRUE(bench.receivedInOrder(
        {displayLine(PreparingText), "SOUND 1000,5", "FORMAT \"tmp:\"", "NEW", "FILES \"tmp:",
         displayLine(ReceivingText), "SOUND 1300,10", "LED 0 OFF", "RUN\"cat -S2 -20000 >tmp:KERNEL.BIN",
         displayLine(StoringText), "SOUND 1600,10", "RUN\"flakef tmp:KERNEL.BIN", "LED0ON:LED1ON",
         displayLine(RebootingText), "SOUND 1500,10", "REBOOT"}));
    EXPECT_EQ(bench.sim.displayHistory(),
              (QList<QByteArray>{PreparingText, ReceivingText, StoringText, RebootingText}));
    const auto stored = bench.sim.storedKernels();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].path, "tmp:KERNEL.BIN");
    EXPECT_EQ(stored[0].data.toStdString(), image);
    // The room sufficed at once: media untouched, the file left on tmp: for the reboot.
    EXPECT_FALSE(bench.receivedStartingWith("SETUP\"MEDIA"));
    EXPECT_FALSE(bench.received("RUN\"rm tmp:KERNEL.BIN"));
    EXPECT_EQ(bench.recorder->texts,
              (std::vector<std::string>{"Preparing", "Uploading Firmware", "Storing Firmware", "Rebooting"}));
    EXPECT_EQ(bench.recorder->last, 100);
    // The loader took back its own opening and, after the reboot, the caller's.
    EXPECT_FALSE(bench.connection->PortOpen());
}

TEST(RBFirmwareLoader, FlashWithoutProgressTakesTheSameSteps) {
    FlashBench bench("10.20");
    bench.load(kernelImage("RB 10.10"));
    bench.loader->Flash();
    EXPECT_TRUE(
        bench.receivedInOrder({"FORMAT \"tmp:\"", "LED 0 OFF", "RUN\"flakef tmp:KERNEL.BIN", "REBOOT"}));
    EXPECT_EQ(bench.sim.storedKernels().size(), 1);
    // 10.xx sorts below "8.00" as text, yet its receive buffer is not read.
    EXPECT_FALSE(bench.receivedStartingWith("SETUP GET\"prt\",\"SER-COM"));
}

TEST(RBFirmwareLoader, VersionGates) {
    struct Case {
        const char* printer;
        const char* kernel;
        int32_t error;
    };
    const Case cases[] = {{"6.14", "Rubric 8.10", 200},  {"6.50", "Rubric 7.30", 200},
                          {"8.20", "Rubric 7.30", 200},  {"7.60", "Rubric 8.10", 203},
                          {"8.40", "Rubric 10.10", 203}, {"8.40", "RB 10.00", 203},
                          {"10.10", "Rubric 8.20", 0},   {"10.10", "RB 10.00", 0},
                          {"10.20", "Rubric 8.10.2", 0}, {"7.40", "Rubric 7.60", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.printer) + " " + c.kernel);
        FlashBench bench(c.printer);
        bench.load(kernelImage(c.kernel));
        if (c.error == 0) {
            EXPECT_TRUE(bench.loader->CanUpgrade());
            continue;
        }
        const std::string text = ErrorTextProvider::GetErrorText(c.error);
        EXPECT_TRUE(isError(raisedError([&] { bench.loader->CanUpgrade(); }), c.error, FlashSource, text));
        EXPECT_TRUE(
            isError(raisedError([&] { bench.loader->Flash(bench.progress); }), c.error, RaisedInFlash, text));
        // The progress was set up and zeroed; the opening was taken back; nothing was written.
        EXPECT_EQ(bench.progress->TaskCount(), 4);
        EXPECT_EQ(bench.recorder->last, 0);
        expectNothingWritten(bench);
        expectOpenedOnce(bench);
    }
}

TEST(RBFirmwareLoader, PreconditionsBeforeAnythingChanges) {
    TempFolder folder;
    auto loader = Automation::New<Flashmount::RBFirmwareLoader>();
    loader->setFirmwareFilePath(folder.write("k.bin", kernelImage("Rubric 8.10")));
    auto noPrinter = ErrorTextProvider::GetErrorText(116);
    EXPECT_TRUE(isError(raisedError([&] { loader->CanUpgrade(); }), 116, FlashSource, noPrinter));
    EXPECT_TRUE(isError(raisedError([&] { loader->Flash(); }), 116, FlashSource, noPrinter));
    EXPECT_TRUE(isError(raisedError([&] { loader->GetUsersWhoCanUpgrade(); }), 116,
                        "RBFirmwareLoader:GetUsersWhoCanUpgrade Method", noPrinter));
    loader->setPrinter(Automation::New<Brindle::Printer>());
    EXPECT_TRUE(isError(raisedError([&] { loader->Flash(); }), 116, FlashSource, noPrinter));

    FlashBench bench("8.10");
    // The text says what kind of error it is; the file and its fault follow it.
    const auto invalid = [&](const std::string& what) {
        return ErrorTextProvider::GetErrorText(126) + " " + what;
    };
    EXPECT_TRUE(isError(raisedError([&] { bench.loader->CanUpgrade(); }), 126, FlashSource,
                        invalid("No firmware file is set.")));
    const std::string cut = kernelImage("Rubric 8.10", 300);
    const std::pair<std::string, std::string> images[] = {
        {std::string(3000, 'x'), "holds no kernel header at its start"},
        {std::string(40, ' ') + cut, "states no image length in front of its kernel header"},
        {"# cat > x -000400 " + cut, "ends 100 bytes short of the 400 bytes its preamble states"},
        // A kernel cut inside its header would pass every version gate as version 0.
        {"@(#)KERN\x01", "ends inside its kernel header, after 9 of its 24 bytes"},
        {"# cat > x -0020 " + cut, "ends inside its kernel header, after 20 of its 24 bytes"},
        {kernHeader(400) + "Rubric 8.10", "has its kernel identifier outside the file"},
        {std::string(8, 'h') + "bootHdr" + std::string(20, '.'),
         "has its kernel identifier outside the file"},
    };
    const std::string path = bench.pc / "kernel.bin";
    for (const auto& [image, defect] : images) {
        SCOPED_TRACE(defect);
        bench.load(image);
        EXPECT_FALSE(bench.loader->ValidFirmware());
        const std::string description = invalid("\"" + path + "\" " + defect + ".");
        EXPECT_TRUE(isError(raisedError([&] { bench.loader->CanUpgrade(); }), 126, FlashSource, description));
        EXPECT_TRUE(isError(raisedError([&] { bench.loader->Flash(bench.progress); }), 126, FlashSource,
                            description));
    }
    // The same preamble stating the true length is a valid image.
    bench.load("# cat > x -000" + std::to_string(cut.size()) + " " + cut);
    EXPECT_TRUE(bench.loader->ValidFirmware());
    EXPECT_TRUE(bench.sim.receivedLines().isEmpty());
    EXPECT_EQ(bench.progress->TaskCount(), 0);

    bench.printer->ChangeUser("user");
    EXPECT_FALSE(bench.loader->CanUserUpgrade());
    EXPECT_TRUE(isError(raisedError([&] { bench.loader->CanUpgrade(); }), 127, FlashSource,
                        ErrorTextProvider::GetErrorText(127)));
    EXPECT_TRUE(isError(raisedError([&] { bench.loader->Flash(bench.progress); }), 127, FlashSource,
                        ErrorTextProvider::GetErrorText(127)));
    expectNothingWritten(bench);
    EXPECT_EQ(bench.progress->TaskCount(), 0);
    expectOpenedOnce(bench);
}

TEST(RBFirmwareLoader, UsersWhoMayUpgrade) {
    for (const char* version : {"6.50", "7.40"}) {
        FlashBench bench(version);
        EXPECT_EQ(bench.loader->GetUsersWhoCanUpgrade(), "admin,user,");
        for (const char* name : {"admin", "user", ""})
            EXPECT_TRUE(bench.loader->CanUserUpgrade(name)) << name;
        EXPECT_FALSE(bench.loader->CanUserUpgrade("Admin")) << version;
    }
    {
        PrinterSim::Profile profile = profileOf("8.10");
        profile.upgradeUsers = "admin,service,supervisor";
        FlashBench bench(profile, {}, FlashBench::Link::Tcp);
        EXPECT_EQ(bench.loader->GetUsersWhoCanUpgrade(), "admin,service,supervisor");
        EXPECT_TRUE(bench.loader->CanUserUpgrade("service"));
        // The last name of the printer's reply, which ends with a line break.
        EXPECT_TRUE(bench.loader->CanUserUpgrade("supervisor"));
        EXPECT_FALSE(bench.loader->CanUserUpgrade("user"));
        EXPECT_FALSE(bench.loader->CanUserUpgrade("Supervisor"));
        // An empty name asks for the user logged in at the printer.
        EXPECT_TRUE(bench.loader->CanUserUpgrade());
        bench.loader->ChangeUser("user");
        EXPECT_FALSE(bench.loader->CanUserUpgrade());
        // Names the printer's shell would misread are refused before anything is sent.
        EXPECT_EQ(errorNumberOf([&] { bench.loader->ChangeUser("super\"visor"); }), 101);
        bench.loader->ChangeUser("supervisor", "vantor");
        EXPECT_EQ(bench.sim.user(), "supervisor");
        EXPECT_TRUE(bench.loader->CanUserUpgrade());
    }
    {
        // No shell: restr fails, which leaves an empty list and no printer error behind.
        FlashBench bench("5.00");
        EXPECT_EQ(bench.loader->GetUsersWhoCanUpgrade(), "");
        EXPECT_EQ(bench.printer->Errors()->Count(), 0);
        EXPECT_TRUE(bench.loader->CanUserUpgrade());
        EXPECT_TRUE(bench.loader->CanUserUpgrade(""));
        EXPECT_FALSE(bench.loader->CanUserUpgrade("admin"));
    }
}

TEST(RBFirmwareLoader, RoomOnTmpAndTheImageBuffer) {
    // tmp: holds 16384 bytes; shrinking the media to 1 x 1 dots gives it the
    // image buffer's 832 x 1200 dots as well.
    PrinterSim::Profile profile = profileOf("8.10");
    profile.ramKb = 64;
    const size_t exact = 16384 - 3072;
    {
        FlashBench bench(profile, {}, FlashBench::Link::Tcp);
        bench.load(kernelImage("Rubric 8.10", exact));
        bench.loader->Flash(bench.progress);
        EXPECT_FALSE(bench.receivedStartingWith("SETUP\"MEDIA"));
        EXPECT_EQ(bench.sim.storedKernels().size(), 1);
    }
    {
        FlashBench bench(profile, {}, FlashBench::Link::Tcp);
        bench.load(kernelImage("Rubric 8.10", exact + 1));
        bench.loader->Flash(bench.progress);
        EXPECT_TRUE(bench.receivedInOrder(
            {"FILES \"tmp:", "SETUP\"MEDIA,MEDIA SIZE,WIDTH,1", "SETUP\"MEDIA,MEDIA SIZE,LENGTH,1",
             "FILES \"tmp:", "RUN\"flakef tmp:KERNEL.BIN", "RUN\"rm tmp:KERNEL.BIN",
             "SETUP\"MEDIA,MEDIA SIZE,WIDTH,832", "SETUP\"MEDIA,MEDIA SIZE,LENGTH,1200", "REBOOT"}));
        EXPECT_EQ(bench.sim.storedKernels().size(), 1);
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,WIDTH"), "832");
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,LENGTH"), "1200");
    }
    {
        // Still too little: 124, and the media size is put back.
        FlashBench bench(profile, {}, FlashBench::Link::Tcp);
        bench.load(kernelImage("Rubric 8.10", exact + 124800 + 1));
        EXPECT_TRUE(isError(raisedError([&] { bench.loader->Flash(bench.progress); }), 124,
                            std::string("Flashmount>") + FlashSource, ErrorTextProvider::GetErrorText(124)));
        EXPECT_TRUE(bench.received("SETUP\"MEDIA,MEDIA SIZE,WIDTH,1"));
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,WIDTH"), "832");
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,LENGTH"), "1200");
        EXPECT_FALSE(bench.received("LED 0 OFF"));
        EXPECT_EQ(bench.recorder->last, 0);
        expectOpenedOnce(bench);
    }
}

TEST(RBFirmwareLoader, FailedFlakefRemovesTheKernelBeforeTheMediaSizeComesBack) {
    PrinterSim::Profile profile = profileOf("8.10");
    profile.ramKb = 64;
    const PrinterSim::Fault fails = *PrinterSim::Fault::parse(QStringLiteral("flakef-fails"));
    {
        // The kernel only fits with the image buffer shrunk.
        FlashBench bench(profile, {fails}, FlashBench::Link::Tcp);
        bench.load(kernelImage("Rubric 8.10", 16384));
        auto error = raisedError([&] { bench.loader->Flash(bench.progress); });
        EXPECT_TRUE(error.Source().ends_with(std::string("RBFirmwareLoader:Flake Method>") + FlashSource))
            << error.Source();
        EXPECT_TRUE(bench.receivedInOrder({"SETUP\"MEDIA,MEDIA SIZE,WIDTH,1", "RUN\"flakef tmp:KERNEL.BIN",
                                           "RUN\"rm tmp:KERNEL.BIN", "SETUP\"MEDIA,MEDIA SIZE,WIDTH,832",
                                           "SETUP\"MEDIA,MEDIA SIZE,LENGTH,1200"}));
        EXPECT_FALSE(bench.sim.files().contains("tmp:KERNEL.BIN"));
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,WIDTH"), "832");
        EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,LENGTH"), "1200");
        EXPECT_FALSE(bench.received("REBOOT"));
        expectOpenedOnce(bench);
    }
    {
        // With room from the start nothing is to be given back: the file stays.
        FlashBench bench(profile, {fails}, FlashBench::Link::Tcp);
        bench.load(kernelImage("Rubric 8.10", 4000));
        EXPECT_NE(errorNumberOf([&] { bench.loader->Flash(bench.progress); }), 0);
        EXPECT_TRUE(bench.sim.files().contains("tmp:KERNEL.BIN"));
        EXPECT_FALSE(bench.received("RUN\"rm tmp:KERNEL.BIN"));
        EXPECT_FALSE(bench.receivedStartingWith("SETUP\"MEDIA"));
    }
}

TEST(RBFirmwareLoader, CancelIsHonouredAtTaskBoundaries) {
    struct Case {
        const char* cancelIn;
        bool uploaded;
        bool stored;
    };
    const Case cases[] = {{"Preparing", false, false}, {"Storing Firmware", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cancelIn);
        FlashBench bench("8.10");
        bench.load(kernelImage("Rubric 8.10"));
        // Asks once, then takes it back at the next notification, as the
        // installation engine does.
        bool asked = false;
        bench.recorder->cancelWhen = [&](Gaugely::Progress& progress) {
            bool now = !asked && progress.Text() == c.cancelIn;
            asked = asked || now;
            return now;
        };
        auto error = raisedError([&] { bench.loader->Flash(bench.progress); });
        EXPECT_TRUE(isError(error, 113, RaisedInFlash, ErrorTextProvider::GetErrorText(113)));
        EXPECT_EQ(bench.received("LED 0 OFF"), c.uploaded);
        EXPECT_EQ(bench.sim.storedKernels().size(), c.stored ? 1 : 0);
        EXPECT_FALSE(bench.received("REBOOT"));
        EXPECT_EQ(bench.recorder->last, 0);
        expectOpenedOnce(bench);
    }
}

TEST(RBFirmwareLoader, CancelDuringTheUploadStopsBeforeFlakef) {
    FlashBench bench("8.10");
    bench.load(kernelImage("Rubric 8.10", 300000));
    bench.recorder->cancelWhen = [](Gaugely::Progress& progress) {
        return progress.Text() == "Uploading Firmware";
    };
    // The transfer stops at the cancel, or the boundary after it does.
    auto error = raisedError([&] { bench.loader->Flash(bench.progress); });
    EXPECT_EQ(error.Number(), 113);
    EXPECT_TRUE(error.Source().ends_with(std::string(">") + FlashSource)) << error.Source();
    EXPECT_TRUE(bench.received("LED 0 OFF"));
    EXPECT_FALSE(bench.received("RUN\"flakef tmp:KERNEL.BIN"));
    EXPECT_FALSE(bench.received("REBOOT"));
    expectOpenedOnce(bench);
}

TEST(RBFirmwareLoader, CancelAfterTheUploadsLastByteStopsBeforeFlakef) {
    FlashBench bench("8.10");
    const std::string image = kernelImage("Rubric 8.10", 30000);
    bench.load(image);
    // The transfer's last notification comes once it is done and looks at
    // no cancel any more: only the boundary after the upload can see this one.
    bench.recorder->cancelWhen = [](Gaugely::Progress& progress) {
        return progress.Text() == "Uploading Firmware" && !progress.Start();
    };
    EXPECT_TRUE(isError(raisedError([&] { bench.loader->Flash(bench.progress); }), 113, RaisedInFlash,
                        ErrorTextProvider::GetErrorText(113)));
    EXPECT_EQ(bench.sim.files().value("tmp:KERNEL.BIN").toStdString(), image);
    EXPECT_FALSE(bench.received("RUN\"flakef tmp:KERNEL.BIN"));
    EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    EXPECT_FALSE(bench.received("REBOOT"));
    expectOpenedOnce(bench);
}

TEST(RBFirmwareLoader, ReceiveBufferOfASerialChannelOnly) {
    // On the network StdIO is 5, which has no receive buffer to adjust.
    PrinterSim::Profile profile = profileOf("7.40");
    profile.recBuf = 300;
    FlashBench bench(profile, {}, FlashBench::Link::Tcp);
    bench.load(kernelImage("Rubric 7.60"));
    bench.loader->Flash();
    EXPECT_FALSE(bench.receivedStartingWith("SETUP GET\"prt\",\"SER-COM"));
    EXPECT_EQ(bench.sim.storedKernels().size(), 1);
    EXPECT_EQ(bench.sim.setupValue("SER-COM,UART1,REC BUF"), "300");
}

TEST(RBFirmwareLoader, FirmwareFilePathKeepsTheLastImageThatLoaded) {
    TempFolder folder;
    auto loader = Automation::New<Flashmount::RBFirmwareLoader>();
    EXPECT_EQ(loader->FirmwareFilePath(), "");
    const std::string first = folder.write("a.bin", kernelImage("Rubric 8.10"));
    loader->setFirmwareFilePath(first);
    EXPECT_TRUE(isError(raisedError([&] { loader->setFirmwareFilePath(folder / "none.bin"); }), 53,
                        "FWRubric:LoadFile method", "File not found."));
    EXPECT_EQ(loader->FirmwareFilePath(), first);
    EXPECT_EQ(loader->KernelID(), "Rubric 8.10");
    EXPECT_EQ(errorNumberOf([&] { loader->setFirmwareFilePath(folder.write("empty.bin", "")); }), 9);
    EXPECT_EQ(loader->FirmwareFilePath(), first);
    EXPECT_TRUE(loader->ValidFirmware());
}

TEST(RBFirmwareLoader, CancelWhileFlakefRunsWaitsItOut) {
    // flakef takes two seconds, its reply begun; the caller asks to cancel meanwhile.
    FlashBench bench("8.10", {*PrinterSim::Fault::parse(QStringLiteral("slow-flakef@2000"))});
    bench.load(kernelImage("Rubric 8.10"));
    bench.recorder->cancelWhen = [](Gaugely::Progress& progress) {
        return progress.Text() == "Storing Firmware";
    };
    // The printer is not left storing a kernel nobody waits for; the cancel
    // stops the upgrade at the boundary after it, before the reboot.
    EXPECT_TRUE(isError(raisedError([&] { bench.loader->Flash(bench.progress); }), 113, RaisedInFlash,
                        ErrorTextProvider::GetErrorText(113)));
    EXPECT_EQ(bench.sim.storedKernels().size(), 1);
    EXPECT_FALSE(bench.received("REBOOT"));
    expectOpenedOnce(bench);
}
