// Files moved through a Printer on a serial line to and from the simulated
// printer, which hands its line to rz, sz or gkermit.
#include <cstdlib>
#include <gtest/gtest.h>

#include "Brindle/Global.h"
#include "Brindle/Printer.h"
#include "ErrorNumber.h"
#include "Printer.h"
#include "TempFolder.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"

using namespace Brindle;
using Automation::Ref;

namespace {

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 167 + i / 257) & 0xFF);
    return bytes;
}

struct SerialBench {
    explicit SerialBench(const char* version)
        : sim(PrinterSim::Profile::forVersion(QString::fromLatin1(version))) {
        ::setenv("KESTRUP_COM_DIR", comDir.path().c_str(), 1);
        EXPECT_TRUE(sim.openSerial(QString::fromStdString(comDir / "COM1")))
            << sim.errorString().toStdString();
        connection = Tethra::Global::CreateSerialConnectionObj(1, 9600, Tethra::Parity_None, 8, 1, 0);
        connection->setPortOpen(true);
        printer = Global::CreatePrinterObj(connection);
    }
    ~SerialBench() {
        Global::TeardownPrinterObj(printer);
        ::unsetenv("KESTRUP_COM_DIR");
    }
    int count(const QByteArray& line) const { return static_cast<int>(sim.receivedLines().count(line)); }

    TempFolder comDir;
    TempFolder pc;
    PrinterSim::Printer sim;
    Ref<Tethra::Connection> connection;
    Ref<Printer> printer;
};

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
        SerialBench bench(c.version);
        // The first command probes the printer with the same hello.
        ASSERT_TRUE(bench.printer->IsImmediateMode());
        const std::string file = std::string(c.device) + "data.bin";
        for (size_t size : {0, 2048, 70000}) {
            std::string data = pattern(size);
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
