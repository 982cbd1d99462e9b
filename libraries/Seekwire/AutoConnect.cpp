#include "Seekwire/AutoConnect.h"

#include "Markwell/Doc.h"
#include "Markwell/XmlText.h"
#include "Seekwire/NetConnectionSetup.h"
#include "Seekwire/SerialConnectionSetup.h"
#include "Tethra/Enums.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"
#include "errors/ErrorTextProvider.h"

namespace Seekwire {

using Automation::Ref;
using Automation::Variant;
using Platform::ErrorTextProvider;

namespace {

constexpr const char* SerialType = "SerialConnectionSetup";
constexpr const char* LineEnd = "\r\n";

} // namespace

AutoConnect::AutoConnect()
    : found_(Automation::New<Seekwire::ConnectionSetupCol>()),
      history_(Automation::New<Seekwire::ConnectionSetupCol>()) {}

AutoConnect::~AutoConnect() {
    netEvents_.disconnect();
}

Ref<SerialAutoConnect> AutoConnect::GetSerialEngine() {
    if (!serial_ && connection_) {
        auto engine = Automation::New<SerialAutoConnect>();
        auto own = Automation::New<Tethra::Connection>();
        own->setPortType(static_cast<int32_t>(Tethra::enumPortTypes::SerialPort));
        engine->setConnection(own);
        serial_ = engine;
    }
    return serial_;
}

Ref<NetAutoConnect> AutoConnect::GetNetEngine() {
    if (!moNetAutoConnect) {
        moNetAutoConnect = Automation::New<NetAutoConnect>();
        netEvents_ = moNetAutoConnect->NewPrinterEvent.connect(
            [this](Ref<IConnectionSetup>& setup) { onNewPrinter(setup); });
    }
    return moNetAutoConnect;
}

void AutoConnect::onNewPrinter(Ref<IConnectionSetup>& setup) {
    auto keep = self<AutoConnect>();
    found_->AddObject(setup);
    AddNewPort.raise(setup);
}

void AutoConnect::ClearSubnets() {
    subnets_.Clear();
    GetNetEngine()->ClearSubnets();
}

void AutoConnect::Abort() {
    abort_ = true;
    if (moNetAutoConnect) {
        moNetAutoConnect->Abort();
        // Printers the finder reports later no longer reach this object.
        netEvents_.disconnect();
        moNetAutoConnect.reset();
    }
    if (serial_)
        serial_->Abort();
}

// --- scans --------------------------------------------------------------------

Ref<SerialAutoConnect> AutoConnect::startSerialScan(const char* source, bool& savedOpen) {
    Ref<SerialAutoConnect> engine = GetSerialEngine();
    if (!engine->Connection())
        ErrorTextProvider::RaiseLibraryError(117, source);
    // The caller's connection lets go of the COM port for the engine's own.
    savedOpen = connection_->PortOpen();
    if (savedOpen)
        connection_->setPortOpen(false);
    return engine;
}

void AutoConnect::endSerialScan(bool savedOpen) {
    if (connection_->PortType() != static_cast<int32_t>(Tethra::enumPortTypes::NoPort))
        connection_->setPortOpen(savedOpen);
}

Ref<IConnectionSetup>
AutoConnect::ScanSerialConnection(int32_t CommPort, const std::string& Settings,
                                  const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    auto keep = self<AutoConnect>();
    auto setup = Automation::New<SerialConnectionSetup>();
    setup->setCommPort(CommPort);
    bool savedOpen = false;
    Ref<SerialAutoConnect> engine = startSerialScan("AutoConnect:ScanSerialConnection method", savedOpen);
    if (!Settings.empty())
        engine->VerifySettings(CommPort, Settings, setup, ProgressCallback);
    else
        engine->ScanCommPort(setup, ProgressCallback);
    endSerialScan(savedOpen);
    return setup;
}

void AutoConnect::ScanSerialConnections(const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    auto keep = self<AutoConnect>();
    bool savedOpen = false;
    Ref<SerialAutoConnect> engine = startSerialScan("AutoConnect:ScanSerialConnections method", savedOpen);
    // An Abort while no scan ran concerns no port of this one.
    abort_ = false;
    ClearFound();
    AddSetupPerPort();
    for (const Ref<IConnectionSetup>& setup : *found_) {
        auto serial = setup.as<SerialConnectionSetup>();
        if (!serial)
            continue;
        engine->ScanCommPort(serial, ProgressCallback);
        if (abort_)
            break;
        Ref<IConnectionSetup> announced = setup;
        AddNewPort.raise(announced);
    }
    abort_ = false;
    endSerialScan(savedOpen);
}

void AutoConnect::AddSetupPerPort() {
    Ref<CommPorts> ports = GetSerialEngine()->GetCommPorts();
    for (const Ref<CommPort>& port : *ports) {
        auto setup = Automation::New<SerialConnectionSetup>();
        setup->setCommPort(port->Number());
        found_->AddObject(setup);
    }
}

void AutoConnect::ScanNetConnection(const Ref<Gaugely::IProgressCallBack>&) {
    auto keep = self<AutoConnect>();
    Ref<NetAutoConnect> engine = GetNetEngine();
    engine->setCommunity(community_);
    engine->ClearSubnets();
    for (const std::string& subnet : subnets_)
        engine->AddSubnet(subnet);
    ClearFound();
    engine->ScanNetPorts();
}

void AutoConnect::ScanAllConnection(const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    ScanNetConnection(ProgressCallback);
    ScanSerialConnections(ProgressCallback);
}

// --- applying a setup ---------------------------------------------------------

void AutoConnect::MakeConnection(const Ref<IConnectionSetup>& Connectionsetup) {
    if (!Connectionsetup || connection_->Busy())
        return;
    AddToHistory(Connectionsetup);
    if (Connectionsetup->ConnectionType() != SerialType) {
        auto net = Connectionsetup.as<NetConnectionSetup>();
        connection_->setPortType(static_cast<int32_t>(Tethra::enumPortTypes::NetWorkPort));
        auto port = connection_->PortObject().as<Tethra::NetPort>();
        port->setRemoteHost(net->IPAddress());
        port->setRemotePort(net->IPPort());
        return;
    }
    auto serial = Connectionsetup.as<SerialConnectionSetup>();
    connection_->setPortType(static_cast<int32_t>(Tethra::enumPortTypes::SerialPort));
    if (connection_->PortOpen())
        connection_->setPortOpen(false);
    auto port = connection_->PortObject().as<Tethra::SerPort>();
    port->setBaudrate(serial->Baudrate());
    port->setDatabits(serial->Databits());
    port->setParity(serial->Parity());
    port->setHandshake(serial->Handshake());
    port->setStopbits(serial->Stopbits());
    // A detour, so that the port sees its number change every time.
    if (port->CommPort() == serial->CommPort())
        port->setCommPort(port->CommPort() == 1 ? 3 : 1);
    port->setCommPort(serial->CommPort());
}

void AutoConnect::AddToHistory(const Ref<IConnectionSetup>& setup) {
    const std::string type = setup->ConnectionType();
    for (const Ref<IConnectionSetup>& entry : *history_) {
        if (entry->ConnectionType() != type)
            continue;
        if (type == SerialType) {
            auto a = entry.as<SerialConnectionSetup>();
            auto b = setup.as<SerialConnectionSetup>();
            if (a->CommPort() == b->CommPort() && a->Baudrate() == b->Baudrate() &&
                a->Parity() == b->Parity() && a->Databits() == b->Databits() &&
                a->Stopbits() == b->Stopbits() && a->Handshake() == b->Handshake())
                return;
        } else {
            auto a = entry.as<NetConnectionSetup>();
            auto b = setup.as<NetConnectionSetup>();
            if (a->IPAddress() == b->IPAddress() && a->IPPort() == b->IPPort())
                return;
        }
    }
    history_->AddObject(setup);
}

// --- ObjectData -----------------------------------------------------------------

std::string AutoConnect::ObjectData() {
    std::string text = "<AutoConnect Visible=\"False\">";
    text += LineEnd;
    text += "<History>";
    text += LineEnd;
    for (const Ref<IConnectionSetup>& setup : *history_)
        text += setup->ObjectData();
    text += "</History>";
    text += LineEnd;
    text += "<SubNets>";
    text += LineEnd;
    text += "<Community>";
    text += LineEnd;
    // Quoted as the document reader expects, inner quotes escaped.
    text += Markwell::XmlText::quoted(community_);
    text += LineEnd;
    text += "</Community>";
    text += LineEnd;
    for (const std::string& subnet : subnets_) {
        text += "<SubNet>";
        text += LineEnd;
        text += Markwell::XmlText::quoted(subnet);
        text += LineEnd;
        text += "</SubNet>";
        text += LineEnd;
    }
    text += "</SubNets>";
    text += LineEnd;
    text += "</AutoConnect>";
    return text;
}

void AutoConnect::setObjectData(const std::string& value) {
    try {
        history_->Clear();
        ClearSubnets();
        auto doc = Automation::New<Markwell::Doc>();
        doc->ReadXML(value, {});
        if (doc->Count() == 0)
            return;
        for (Ref<Markwell::DocNode> part = doc->Item(1)->Child(); part; part = part->NextSibling()) {
            if (part->Name() == "History") {
                for (Ref<Markwell::DocNode> node = part->Child(); node; node = node->NextSibling()) {
                    if (node->Name() != "Connection")
                        continue;
                    Ref<IConnectionSetup> setup;
                    if (node->Child()->Value().toString() == SerialType)
                        setup = Automation::New<SerialConnectionSetup>();
                    else
                        setup = Automation::New<NetConnectionSetup>();
                    setup->setObjectData(doc->WriteXML(false, node->Key()));
                    history_->AddObject(setup);
                }
            } else if (part->Name() == "SubNets") {
                for (Ref<Markwell::DocNode> node = part->Child(); node; node = node->NextSibling()) {
                    if (node->Name() == "SubNet")
                        AddSubnet(node->Value().toString());
                    else if (node->Name() == "Community")
                        setCommunity(node->Value().toString());
                }
            }
        }
    } catch (const Automation::Error&) {
        // What was read before the error stays.
    }
}

} // namespace Seekwire
