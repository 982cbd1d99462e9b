// The firmware loader against the simulated printer on a pseudo-terminal:
// the kernel travels by ZModem or Kermit, and 7.xx printers have their serial
// receive buffer raised for flakef.
#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "FlashBench.h"
#include "Tethra/SerPort.h"

using namespace FlashTesting;

namespace {

constexpr auto Serial = FlashBench::Link::Serial;

PrinterSim::Profile profileOf(const char* version, int recBuf = 1024) {
    PrinterSim::Profile profile = PrinterSim::Profile::forVersion(QString::fromLatin1(version));
    profile.recBuf = recBuf;
    return profile;
}

} // namespace

TEST(FlashSerial, KernelByZModemAndByKermit) {
    for (int dataBits : {8, 7}) {
        SCOPED_TRACE(dataBits);
        // The printer's line has the data bits that the PC sets.
        PrinterSim::Profile profile = profileOf("8.10");
        profile.dataBits = dataBits;
        FlashBench bench(profile, {}, Serial);
        if (dataBits == 7) {
            bench.connection->setPortOpen(false);
            bench.connection->PortObject().as<Tethra::SerPort>()->setDatabits(7);
            bench.connection->setPortOpen(true);
        }
        // The caller holds two openings; the loader's reboot and its last step take one each.
        bench.connection->setPortOpen(true);
        const std::string image = kernelImage("Rubric 8.20", 70000);
        bench.load(image);
        bench.loader->Flash(bench.progress);

        EXPECT_TRUE(
            bench.receivedInOrder({displayLine(PreparingText), "SOUND 1000,5", "FORMAT \"tmp:\"", "NEW",
                                   displayLine(ReceivingText), "LED 0 OFF", displayLine(StoringText),
                                   "RUN\"flakef tmp:KERNEL.BIN", displayLine(RebootingText), "REBOOT"}));
        EXPECT_TRUE(
            bench.receivedStartingWith(dataBits == 8 ? "BREAK 1 OFF:TRANSFER Z" : "BREAK 1 OFF:TRANSFER K"));
        const auto stored = bench.sim.storedKernels();
        ASSERT_EQ(stored.size(), 1);
        EXPECT_TRUE(stored[0].data.toStdString() == image);
        EXPECT_EQ(bench.sim.displayHistory().size(), 4);
        EXPECT_EQ(bench.recorder->last, 100);
        EXPECT_TRUE(bench.connection->PortOpen());
        bench.connection->setPortOpen(false);
        EXPECT_FALSE(bench.connection->PortOpen());
    }
}

TEST(FlashSerial, ReceiveBufferRaisedForFlakefOnSevenOnly) {
    {
        FlashBench bench(profileOf("7.40", 300), {}, Serial);
        bench.load(kernelImage("Rubric 7.60"));
        bench.loader->Flash();
        EXPECT_TRUE(bench.receivedInOrder({"SETUP GET\"prt\",\"SER-COM,UART1,REC BUF\",QQVS0$:PRINT QQVS0$;",
                                           "SETUP\"SER-COM,UART1,REC BUF,600", "RUN\"flakef tmp:KERNEL.BIN",
                                           "SETUP\"SER-COM,UART1,REC BUF,300", "REBOOT"}));
        EXPECT_EQ(bench.sim.setupValue("SER-COM,UART1,REC BUF"), "300");
    }
    {
        FlashBench bench(profileOf("7.40"), {}, Serial);
        bench.load(kernelImage("Rubric 7.60"));
        bench.loader->Flash();
        EXPECT_TRUE(bench.received("SETUP GET\"prt\",\"SER-COM,UART1,REC BUF\",QQVS0$:PRINT QQVS0$;"));
        EXPECT_FALSE(bench.receivedStartingWith("SETUP\"SER-COM"));
        EXPECT_EQ(bench.sim.storedKernels().size(), 1);
    }
    for (const char* version : {"8.10", "10.20"}) {
        FlashBench bench(profileOf(version, 300), {}, Serial);
        bench.load(kernelImage("Rubric 8.10"));
        bench.loader->Flash();
        EXPECT_FALSE(bench.receivedStartingWith("SETUP GET\"prt\",\"SER-COM")) << version;
        EXPECT_EQ(bench.sim.storedKernels().size(), 1) << version;
    }
}

TEST(FlashSerial, AFailingFlakefLeavesTheSettingsAsTheyWere) {
    // Too little room on tmp: at first, so the media size is shrunk too.
    PrinterSim::Profile profile = profileOf("7.40", 300);
    profile.ramKb = 64;
    PrinterSim::Fault fails;
    fails.kind = PrinterSim::Fault::FlakefFails;
    FlashBench bench(profile, {fails}, Serial);
    bench.load(kernelImage("Rubric 7.60", 16384));
    auto error = raisedError([&] { bench.loader->Flash(bench.progress); });
    EXPECT_EQ(error.Number(), 50044);
    EXPECT_TRUE(error.Source().ends_with(">RBFirmwareLoader:Flake Method>RBFirmwareLoader:Flash Method"))
        << error.Source();
    EXPECT_TRUE(bench.received("SETUP\"SER-COM,UART1,REC BUF,600"));
    EXPECT_TRUE(bench.received("SETUP\"MEDIA,MEDIA SIZE,WIDTH,1"));
    EXPECT_EQ(bench.sim.setupValue("SER-COM,UART1,REC BUF"), "300");
    EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,WIDTH"), "1248");
    EXPECT_EQ(bench.sim.setupValue("MEDIA,MEDIA SIZE,LENGTH"), "1200");
    EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    EXPECT_FALSE(bench.received("REBOOT"));
    EXPECT_EQ(bench.recorder->last, 0);
    EXPECT_TRUE(bench.connection->PortOpen());
    bench.connection->setPortOpen(false);
    EXPECT_FALSE(bench.connection->PortOpen());
}
