#pragma once
// The network engine: hands a community and network addresses to the
// print-server finder and turns every print server it reports into a
// NetConnectionSetup, passed on with NewPrinter.
#include <string>

#include "Beaconet/HBFind.h"
#include "Beaconet/INotify.h"
#include "Seekwire/IConnectionSetup.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Seekwire {

class NetAutoConnect : public Automation::Object, public Beaconet::INotify {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F49}",
                                                     "Seekwire.NetAutoConnect",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F4A}"};

    // How long the finder sweeps.
    static constexpr int32_t SweepTimeoutMs = 2000;
    static constexpr const char* DefaultCommunity = "caddis";
    static constexpr const char* LocalBroadcast = "255.255.255.255";

    // Released, the finder ends its sweep; it may be released from inside
    // NewPrinter, which the finder keeps itself alive for.
    NetAutoConnect() = default;
    NetAutoConnect(const NetAutoConnect&) = delete;
    NetAutoConnect& operator=(const NetAutoConnect&) = delete;

    void Abort() {}
    void setCommunity(const std::string& value);
    void AddSubnet(const std::string& Subnet);
    void ClearSubnets();
    // Starts the finder's sweep (of the local broadcast when no subnet is
    // given); setups arrive through NewPrinter while the caller pumps.
    void ScanNetPorts();

    // INotify
    void NewPrinter(const Automation::Ref<Beaconet::HBPrinter>& oPrinter) override;

    Automation::Event<Automation::Ref<IConnectionSetup>&> NewPrinterEvent;

private:
    Automation::Ref<Beaconet::HBFind> GetFinder();

    Automation::Ref<Beaconet::HBFind> finder_;
};

} // namespace Seekwire
