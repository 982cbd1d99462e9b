#pragma once
// What the finder's tests share: a client that records every report with
// its time, and a finder swept against the simulated print servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Beaconet/HBFind.h"
#include "HubletSimProcess.h"
#include "messages/MessagePump.h"
#include "messages/ModalBox.h"

namespace Beaconet {

class Recorder : public INotify {
public:
    struct Found {
        std::string address;
        std::string port, version, model, name, subnet;
        bool reverseTelnet;
        int32_t status;
    };

    void start() { started_ = std::chrono::steady_clock::now(); }
    int64_t now() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     started_)
            .count();
    }

    void NewPrinter(const Automation::Ref<HBPrinter>& p) override {
        found.push_back({p->IPAddress(), p->IPPort(), p->MCSVersion(), p->Model(), p->PrinterName(),
                         p->BelongToSubnet(), p->RevTelnetOptionEnabled(), p->SysStatus()});
        if (onNewPrinter)
            onNewPrinter();
    }
    void PrinterFound(int32_t count, const Automation::Ref<HBPrinters>& list) override {
        ++foundCalls;
        foundCount = count;
        foundList = list;
        foundAt = now();
        if (onPrinterFound)
            onPrinterFound();
    }
    void Progress(int32_t percent) override {
        progress.push_back(percent);
        if (onProgress)
            onProgress();
    }
    void RevTelnetOptChanged(const std::string& address, int32_t mode, bool error) override {
        revTelnet.push_back(address + " " + std::to_string(mode) + (error ? " error" : ""));
    }
    void SNMPTrap(const std::string& community, const std::string& enterprise, const std::string& agent,
                  int16_t generic, int32_t specific, int64_t, const std::string&, int32_t) override {
        traps.push_back(community + " " + enterprise + " " + agent + " " + std::to_string(generic) + " " +
                        std::to_string(specific));
    }

    std::vector<Found> found;
    std::vector<int32_t> progress;
    std::vector<std::string> revTelnet;
    std::vector<std::string> traps;
    int foundCalls = 0;
    int32_t foundCount = -1;
    int64_t foundAt = -1;
    Automation::Ref<HBPrinters> foundList;
    std::function<void()> onNewPrinter, onPrinterFound, onProgress;

private:
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

class FinderTest : public testing::Test {
protected:
    // Starts the simulated servers and points the SNMP port and the broadcast at them.
    void startSim(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", "0"});
        sim = std::make_unique<HubletSim::HubletSimProcess>(HUBLET_SIM_PROGRAM, arguments);
        setenv("KESTRUP_SNMP_PORT", std::to_string(sim->port()).c_str(), 1);
        setenv("KESTRUP_BROADCAST", "127.255.255.255", 1);
    }
    void SetUp() override {
        previousHook = Platform::setModalBoxHook([this](const Platform::ModalBoxRequest& box) {
            boxes.push_back(box.title + "|" + box.text);
            return Platform::MsgBoxResult::OK;
        });
        finder->setCommunity("public");
    }
    void TearDown() override { Platform::setModalBoxHook(previousHook); }

    // Sweeps and waits for the end of the sweep (or limitMs).
    void sweep(int32_t timeOut, int32_t limitMs = 8000) {
        client->start();
        finder->GetPrinters(timeOut, client);
        Platform::WaitUntil([&] { return client->foundCalls > 0; }, limitMs);
    }

    // The sweep's pacing, as a loaded machine leaves it: ticks come late,
    // never early. So there are no more progress reports than a quiet
    // machine gives (`quietProgress`), at least one if it gives any, each
    // higher than the last and below 100, and the end comes no sooner than
    // on a quiet machine (`quietEndMs`, from the start of the sweep).
    void expectPacing(const std::vector<int32_t>& quietProgress, int64_t quietEndMs) {
        EXPECT_LE(client->progress.size(), quietProgress.size());
        EXPECT_EQ(client->progress.empty(), quietProgress.empty());
        for (size_t i = 0; i < client->progress.size(); ++i) {
            EXPECT_GT(client->progress[i], i == 0 ? 0 : client->progress[i - 1]);
            EXPECT_LT(client->progress[i], 100);
        }
        EXPECT_GE(client->foundAt, quietEndMs - 250);
        EXPECT_LT(client->foundAt, quietEndMs + 20000);
    }

    // The five single values, as both kinds of server in these tests hold them.
    void expectValues(const std::string& address, const std::string& status) {
        const std::pair<int32_t, std::string> values[] = {{OI_bcpRubCommStdIn, "TCP"},
                                                          {OI_bcpInterPVersion, "Rubric 10.2.1"},
                                                          {OI_bcpRubModes, "Immediate"},
                                                          {OI_bcpRubCommStdIOSetting, "9600,N,8,1"},
                                                          {OI_bcpSysStatus, status}};
        for (const auto& [id, value] : values)
            EXPECT_EQ(finder->GetValue(address, id, 2000), Automation::Variant(value)) << id;
    }
    // A new finder's GetValue of an address that does not answer.
    void expectSilence(const std::string& address) {
        auto fresh = Automation::New<HBFind>();
        fresh->setCommunity("public");
        auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(fresh->GetValue(address, OI_bcpSysStatus, 300).isEmpty());
        // The wait counts whole milliseconds of its own clock.
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(299));
        EXPECT_EQ(fresh->GetValue(address, OI_bcpSysStatus, 100), Automation::Variant(""));
    }

    std::unique_ptr<HubletSim::HubletSimProcess> sim;
    Automation::Ref<HBFind> finder = Automation::New<HBFind>();
    Automation::Ref<Recorder> client = Automation::New<Recorder>();
    std::vector<std::string> boxes;
    Platform::ModalBoxHook previousHook;
};

} // namespace Beaconet
