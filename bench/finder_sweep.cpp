// A new finder sweeps one broadcast network with a time-out of 500 ms,
// answered by 50 and then by 200 simulated print servers. The last line:
// "found 50 of 50 found 200 of 200 seconds 2.31", the seconds being those
// until PrinterFound for the 200.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "Beaconet/HBFind.h"
#include "HubletSimProcess.h"
#include "messages/MessagePump.h"

namespace {

class Counter : public Beaconet::INotify {
public:
    void NewPrinter(const Automation::Ref<Beaconet::HBPrinter>& printer) override {
        addresses.insert(printer->IPAddress());
    }
    void PrinterFound(int32_t count, const Automation::Ref<Beaconet::HBPrinters>&) override { found = count; }

    std::set<std::string> addresses;
    int32_t found = -1;
};

struct Sweep {
    int32_t found;
    double seconds;
};

Sweep sweep(int servers) {
    HubletSim::HubletSimProcess sim(
        HUBLET_SIM_PROGRAM, {"--port", "0", "--servers", std::to_string(servers), "--first", "127.0.1.1"});
    setenv("KESTRUP_SNMP_PORT", std::to_string(sim.port()).c_str(), 1);
    setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
    auto finder = Automation::New<Beaconet::HBFind>();
    finder->setCommunity("public");
    finder->Networks()->Add("");
    auto counter = Automation::New<Counter>();
    const auto start = std::chrono::steady_clock::now();
    finder->GetPrinters(500, counter);
    Platform::WaitUntil([&] { return counter->found >= 0; }, 10000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    finder->TearDown();
    if (counter->found != static_cast<int32_t>(counter->addresses.size()))
        std::fprintf(stderr, "reported %zu, listed %d\n", counter->addresses.size(), counter->found);
    return {counter->found, seconds};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    const Sweep fifty = sweep(50);
    const Sweep twoHundred = sweep(200);
    std::printf("found %d of 50 found %d of 200 seconds %.2f\n", fifty.found, twoHundred.found,
                twoHundred.seconds);
    return 0;
}
