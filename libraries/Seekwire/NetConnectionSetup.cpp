#include "Seekwire/NetConnectionSetup.h"

#include "Beaconet/BeaconetEnums.h"
#include "Beaconet/HBFind.h"
#include "Seekwire/Probes.h"
#include "Tethra/Connection.h"
#include "Tethra/Enums.h"
#include "Tethra/Global.h"
#include "Tickard/Timer.h"
#include "automation/InterfaceTable.h"
#include "automation/Runtime.h"

namespace Seekwire {

using Automation::Ref;
using Automation::Variant;

namespace {

// Steps that go on after a failure of the one before.
template <class Step> void tryStep(Step step) {
    try {
        step();
    } catch (const Automation::Error&) {
    }
}

} // namespace

const Automation::InterfaceTable* NetConnectionSetup::interfaceTable(std::string_view interfaceName) const {
    using N = NetConnectionSetup;
    static const Automation::InterfaceTable table =
        Automation::InterfaceBuilder<N>("_NetConnectionSetup")
            .method("CheckImmediadtemode")
            .property("SysStatus", &N::SysStatus, &N::setSysStatus)
            .property("PrinterName", &N::PrinterName, &N::setPrinterName)
            .property("IPAddress", &N::IPAddress, &N::setIPAddress)
            .property("IPPort", &N::IPPort, &N::setIPPort)
            .property("RevTelnetOptionEnabled", &N::RevTelnetOptionEnabled, &N::setRevTelnetOptionEnabled)
            .property("StdIO", &N::StdIO, &N::setStdIO)
            .property("LinebreakType", &N::LinebreakType, &N::setLinebreakType)
            .property("Timing", &N::Timing, &N::setTiming)
            .property("ImmediateMode", &N::ImmediateMode, &N::setImmediateMode)
            // The key names the setup in its collection, not a setting to save.
            .property("Key", [](N& setup) { return setup.Key(); }, {.nonBrowsable = true})
            .build();
    return Automation::selectInterface(interfaceName, &table);
}

void NetConnectionSetup::setSysStatus(const std::string& value) {
    if (!Automation::isNumeric(value)) {
        sysStatus_ = value;
        return;
    }
    static const char* const Names[] = {"Unknown", "Other",   "Running", "Idle",
                                        "Warning", "Testing", "Down",    "Setup"};
    const int32_t number = Variant(value).toLong();
    sysStatus_ =
        number >= Beaconet::SS_Unknown && number <= Beaconet::SS_Setup ? Names[number - 1] : "Unknown";
    immediateMode_ = number == Beaconet::SS_Idle;
}

void NetConnectionSetup::CheckImmediadtemode(const std::string& Community) {
    Ref<Beaconet::HBFind> finder;
    Variant value;
    tryStep([&] {
        finder = Automation::New<Beaconet::HBFind>();
        finder->setCommunity(Community);
    });
    tryStep(
        [&] { value = finder->GetValue(ipAddress_, Beaconet::OI_bcpRubCommStdIOSetting, ValueTimeoutMs); });
    tryStep([&] { stdio_ = value.toLong(); });
    tryStep([&] { value = finder->GetValue(ipAddress_, Beaconet::OI_bcpSysStatus, ValueTimeoutMs); });
    tryStep([&] { setSysStatus(value.toString()); });
    finder.reset();
    // The printer's standard channel must be the network one (net1: is 5;
    // 0 and 100 are reported too) for it to hear a hello over TCP.
    if (immediateMode_ && stdio_ % Tethra::Stdio_NET1 == 0) {
        immediateMode_ = false;
        immediateMode_ = tcpHello();
    } else {
        immediateMode_ = false;
    }
}

bool NetConnectionSetup::tcpHello() {
    // The answer itself, SOH "Hello" STX: an echo of the probe holds "Hello" too.
    Ref<Brindle::FifoBuf> answer = tcpCommand(Probes::hello(true), {});
    return answer && answer->FindStr(1, Probes::HelloAnswer) > 0;
}

Ref<Brindle::FifoBuf> NetConnectionSetup::tcpCommand(const std::string& commandText,
                                                     std::string_view endMarker) {
    auto keep = self<NetConnectionSetup>();
    Ref<Tethra::Connection> connection;
    Ref<Tethra::NetCommWrapper> wrapper;
    Ref<Brindle::FifoBuf> result;
    try {
        connection = Automation::New<Tethra::Connection>();
        connection->setPortType(static_cast<int32_t>(Tethra::enumPortTypes::NetWorkPort));
        wrapper = connection->PortObject().as<Tethra::INetCommClient>()->NetComm();
        wrapper->ClientAdd(keep.as<Tethra::INetCommClient>());
        netComm_ = wrapper;
        wrapper->setRemoteHost(ipAddress_);
        wrapper->setRemotePort(Variant(ipPort_).toLong());
        wrapper->setConnected(true);
        received_ = Automation::New<Brindle::FifoBuf>();
        wrapper->setDataToSend(Variant(commandText));
        auto timer = Automation::New<Tickard::Timer>();
        do {
            wrapper->ProcessEvents();
            if (!endMarker.empty() && received_->FindStr(1, endMarker) > 0)
                break;
        } while (timer->Elapsed() <= ProbeTimeoutMs);
        result = received_;
    } catch (const Automation::Error&) {
    }
    if (wrapper) {
        tryStep([&] { wrapper->setConnected(false); });
        tryStep([&] { wrapper->ClientRemove(keep.as<Tethra::INetCommClient>()); });
    }
    netComm_.reset();
    received_.reset();
    wrapper.reset();
    if (connection)
        tryStep([&] { Tethra::Global::TeardownConnectionObj(connection); });
    return result;
}

void NetConnectionSetup::Receive() {
    if (netComm_ && received_) {
        Automation::ByteArray bytes = netComm_->InputByte();
        received_->Add(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
}

} // namespace Seekwire
