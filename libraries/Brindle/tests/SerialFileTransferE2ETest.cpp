// Files moved through a Printer on a serial line to and from the simulated
// printer, which hands its line to rz, sz or gkermit.
#include <gtest/gtest.h>

#include "SimulatedPrinterBench.h"

using namespace Brindle;
using Automation::Ref;

namespace {

// A printer with room for the largest file.
PrinterSim::Profile roomy(const char* version) {
    PrinterSim::Profile profile = PrinterSim::Profile::forVersion(QString::fromLatin1(version));
    profile.flashKb = profile.ramKb = 65536;
    return profile;
}

} // namespace

TEST(SerialFileTransferE2E, EveryFirmwareGetsItsProtocolAndHello) {
    struct Case {
        const char* version;
        const char* device;
        const char* uploadLine; // starts the printer's side
        bool hello;             // the printer needs a command to take its line back
    };
    const Case cases[] = {
        {"8.10", "c:", "BREAK 1 OFF:TRANSFER Z \"R\",\"c:data.bin", false},
        {"7.00", "c:", "BREAK 1 OFF:TRANSFER Z \"R\",\"c:data.bin", true},
        {"6.50", "ram:", "BREAK 1 OFF:TRANSFER K \"R\",\"ram:data.bin", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        SimulatedPrinterBench bench(roomy(c.version), {}, SimulatedPrinterBench::Link::Serial);
        // The first command probes the printer with the same hello.
        ASSERT_TRUE(bench.printer->IsImmediateMode());
        const std::string file = std::string(c.device) + "data.bin";
        for (size_t size : {0, 2048, 70000, 8 << 20}) {
            std::string data = filePattern(size);
            int hellos = bench.count("PRINT\"HELLO");
            bench.printer->FileUpload(bench.pc.write("up.bin", data), file);
            EXPECT_TRUE(bench.sim.files().value(QByteArray::fromStdString(file)) ==
                        QByteArray::fromStdString(data))
                << size;
            EXPECT_GT(bench.count(c.uploadLine), 0);
            EXPECT_EQ(bench.count("PRINT\"HELLO") - hellos, c.hello ? 1 : 0) << size;

            std::string target = bench.pc.write("down.bin", "an older and longer PC file than some");
            bench.printer->FileDownload(file, target);
            EXPECT_TRUE(TempFolder::read(target) == data) << size;
        }
    }
}
