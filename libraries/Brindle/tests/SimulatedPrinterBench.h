#pragma once
// A simulated printer of one version, on loopback TCP or on a pseudo-terminal
// that stands for COM1, and a Printer bound to it.
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <utility>

#include "Brindle/Global.h"
#include "Brindle/Printer.h"
#include "Printer.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"

// File contents that tell every position apart within a few hundred bytes.
inline std::string filePattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

struct SimulatedPrinterBench {
    enum class Link { Tcp, Serial };

    explicit SimulatedPrinterBench(const char* version, std::initializer_list<PrinterSim::Fault> faults = {},
                                   Link link = Link::Tcp)
        : SimulatedPrinterBench(PrinterSim::Profile::forVersion(QString::fromLatin1(version)), faults, link) {
    }
    // The variables are set before the printer's thread starts, beside the
    // COM folder of a serial link.
    SimulatedPrinterBench(const PrinterSim::Profile& profile, std::initializer_list<PrinterSim::Fault> faults,
                          Link link, ScopedEnvironment::Values variables = {})
        : profile(profile), environment(withLink(std::move(variables), link)),
          sim(profile, PrinterSim::FaultPlan(faults)) {
        if (link == Link::Tcp) {
            EXPECT_TRUE(sim.listen(QStringLiteral("127.0.0.1")));
            connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim.port());
        } else {
            EXPECT_TRUE(sim.openSerial(QString::fromStdString(comDir / "COM1")))
                << sim.errorString().toStdString();
            connection = Tethra::Global::CreateSerialConnectionObj(1, profile.baudRate, Tethra::Parity_None,
                                                                   8, 1, Tethra::HandShake_None);
        }
        connection->setPortOpen(true);
        printer = Brindle::Global::CreatePrinterObj(connection);
    }
    ~SimulatedPrinterBench() { Brindle::Global::TeardownPrinterObj(printer); }
    ScopedEnvironment::Values withLink(ScopedEnvironment::Values variables, Link link) const {
        if (link == Link::Serial)
            variables.emplace_back("KESTRUP_COM_DIR", comDir.path());
        return variables;
    }
    bool received(const QByteArray& line) const { return sim.receivedLines().contains(line); }
    int count(const QByteArray& line) const { return static_cast<int>(sim.receivedLines().count(line)); }

    TempFolder comDir;
    TempFolder pc;
    PrinterSim::Profile profile;
    // Set before the printer's thread starts, given back after it has ended.
    ScopedEnvironment environment;
    PrinterSim::Printer sim;
    Automation::Ref<Tethra::Connection> connection;
    Automation::Ref<Brindle::Printer> printer;
};
