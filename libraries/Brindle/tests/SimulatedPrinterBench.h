#pragma once
// A simulated printer of one version on loopback TCP, and a Printer bound to it.
#include <gtest/gtest.h>
#include <initializer_list>

#include "Brindle/Global.h"
#include "Brindle/Printer.h"
#include "Printer.h"
#include "Tethra/Global.h"

struct SimulatedPrinterBench {
    explicit SimulatedPrinterBench(const char* version, std::initializer_list<PrinterSim::Fault> faults = {})
        : profile(PrinterSim::Profile::forVersion(QString::fromLatin1(version))),
          sim(profile, PrinterSim::FaultPlan(faults)) {
        EXPECT_TRUE(sim.listen(QStringLiteral("127.0.0.1")));
        connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim.port());
        connection->setPortOpen(true);
        printer = Brindle::Global::CreatePrinterObj(connection);
    }
    ~SimulatedPrinterBench() { Brindle::Global::TeardownPrinterObj(printer); }
    bool received(const QByteArray& line) const { return sim.receivedLines().contains(line); }

    PrinterSim::Profile profile;
    PrinterSim::Printer sim;
    Automation::Ref<Tethra::Connection> connection;
    Automation::Ref<Brindle::Printer> printer;
};
