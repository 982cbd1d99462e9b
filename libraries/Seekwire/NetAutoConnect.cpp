#include "Seekwire/NetAutoConnect.h"

#include "Seekwire/NetConnectionSetup.h"
#include "messages/ModalBox.h"

namespace Seekwire {

using Automation::Ref;

Ref<Beaconet::HBFind> NetAutoConnect::GetFinder() {
    if (!finder_)
        finder_ = Automation::New<Beaconet::HBFind>();
    return finder_;
}

void NetAutoConnect::setCommunity(const std::string& value) {
    GetFinder()->setCommunity(value);
}

void NetAutoConnect::AddSubnet(const std::string& Subnet) {
    GetFinder()->Networks()->Add(Subnet);
}

void NetAutoConnect::ClearSubnets() {
    Ref<Beaconet::Networks> networks = GetFinder()->Networks();
    for (int32_t i = networks->Count(); i >= 1; --i)
        networks->Remove(Automation::Variant(networks->Item(Automation::Variant(i))->IPAddress()));
}

void NetAutoConnect::ScanNetPorts() {
    Ref<Beaconet::HBFind> finder = GetFinder();
    if (finder->Networks()->Count() == 0)
        finder->Networks()->Add(LocalBroadcast);
    if (finder->Community().empty())
        finder->setCommunity(DefaultCommunity);
    finder->GetPrinters(SweepTimeoutMs, self<Beaconet::INotify>());
}

void NetAutoConnect::NewPrinter(const Ref<Beaconet::HBPrinter>& oPrinter) {
    auto keep = self<NetAutoConnect>();
    try {
        auto setup = Automation::New<NetConnectionSetup>();
        setup->setIPAddress(oPrinter->IPAddress());
        setup->setIPPort(oPrinter->IPPort());
        setup->SetKey("IP:" + oPrinter->Key());
        setup->setPrinterName(oPrinter->PrinterName());
        setup->setRevTelnetOptionEnabled(oPrinter->RevTelnetOptionEnabled());
        setup->setSysStatus(std::to_string(oPrinter->SysStatus()));
        Ref<IConnectionSetup> passed = setup;
        NewPrinterEvent.raise(passed);
    } catch (const Automation::Error& error) {
        // Without a printer the address cannot be read, and that error goes back to the finder.
        Platform::ShowModalBox("Error " + std::to_string(error.Number()) + "\r\n" + oPrinter->IPAddress(),
                               "Error", Platform::MsgBoxStyle::OKOnly);
    }
}

} // namespace Seekwire
