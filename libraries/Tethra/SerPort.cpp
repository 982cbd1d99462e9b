#include "Tethra/SerPort.h"

#include <algorithm>
#include <vector>

#include "Tethra/Connection.h"
#include "Tethra/Enums.h"
#include "Tethra/modGlobal.h"
#include "Tickard/Timer.h"
#include "automation/InterfaceTable.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"
#include "messages/MessagePump.h"

namespace Tethra {

using Automation::Ref;
using Automation::TypeInfo;
using Platform::ErrorTextProvider;

namespace {

constexpr int32_t IdlePumpMs = 10;

TypeInfo enumeration(std::string name, std::initializer_list<std::pair<const char*, int32_t>> constants) {
    std::vector<Automation::EnumConstant> list;
    for (const auto& [constant, value] : constants)
        list.push_back({constant, Automation::Variant(value)});
    return TypeInfo::enumeration(std::move(name), std::move(list));
}

TypeInfo commPorts() {
    std::vector<Automation::EnumConstant> list;
    for (int32_t n = com1; n <= com16; ++n)
        list.push_back({"com" + std::to_string(n), Automation::Variant(n)});
    return TypeInfo::enumeration("enumCommPorts", std::move(list));
}

// The four fields of the control's settings text.
std::vector<std::string> settingsFields(const std::string& settings) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = settings.find(',', start);
        fields.push_back(settings.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() < 4)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {});
    return fields;
}

} // namespace

SerPort::SerPort() : PortBase("SerPort", PortSettings::UnknownSetting::Skip) {}

Ref<SerPort> SerPort::create() {
    auto port = Automation::New<SerPort>();
    port->own_ = Automation::New<SerCommWrapper>();
    port->wrapper_ = port->own_;
    port->own_->ClientAdd(port);
    return port;
}

const Automation::InterfaceTable* SerPort::interfaceTable(std::string_view interfaceName) const {
    static const Automation::InterfaceTable table =
        Automation::InterfaceBuilder<SerPort>("_SerPort")
            .property("CommPort", &SerPort::CommPort, &SerPort::setCommPort, {.type = commPorts()})
            .property("Baudrate", &SerPort::Baudrate, &SerPort::setBaudrate,
                      {.type = enumeration("enumBaudRates", {{"Baud_2400", Baud_2400},
                                                             {"Baud_4800", Baud_4800},
                                                             {"Baud_9600", Baud_9600},
                                                             {"Baud_19200", Baud_19200},
                                                             {"Baud_38400", Baud_38400},
                                                             {"Baud_57600", Baud_57600},
                                                             {"Baud_115200", Baud_115200}})})
            .property("Parity", &SerPort::Parity, &SerPort::setParity,
                      {.type = enumeration("enumParities", {{"Parity_None", Parity_None},
                                                            {"Parity_Even", Parity_Even},
                                                            {"Parity_Odd", Parity_Odd},
                                                            {"Parity_Mark", Parity_Mark},
                                                            {"Parity_Space", Parity_Space}})})
            .property("Databits", &SerPort::Databits, &SerPort::setDatabits,
                      {.type = enumeration("enumDataBits", {{"Data_7", Data_7}, {"Data_8", Data_8}})})
            .property("Stopbits", &SerPort::Stopbits, &SerPort::setStopbits,
                      {.type = enumeration("enumStopBits", {{"Stop_1", Stop_1}, {"Stop_2", Stop_2}})})
            .property(
                "Handshake", &SerPort::Handshake, &SerPort::setHandshake,
                {.type = enumeration("enumHandshakeOptions", {{"HandShake_None", HandShake_None},
                                                              {"HandShake_Software", HandShake_Software},
                                                              {"HandShake_Hardware", HandShake_Hardware},
                                                              {"HandShake_Both", HandShake_Both}})})
            .method("Busy")
            .build();
    return Automation::selectInterface(interfaceName, &table);
}

// --- settings --------------------------------------------------------------

int32_t SerPort::CommPort() {
    try {
        return wrapper()->CommPort();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:CommPort Property Get");
    }
}

int32_t SerPort::Baudrate() {
    try {
        return Automation::toLong(Automation::val(settingsFields(wrapper()->Settings())[0]));
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Baudrate Property Get");
    }
}

int32_t SerPort::Parity() {
    try {
        return modGlobal::ParityFromLetter(settingsFields(wrapper()->Settings())[1]);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Parity Property Get");
    }
}

int32_t SerPort::Databits() {
    try {
        return Automation::Variant(settingsFields(wrapper()->Settings())[2]).toLong();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Databits Property Get");
    }
}

int32_t SerPort::Stopbits() {
    try {
        return Automation::Variant(settingsFields(wrapper()->Settings())[3]).toLong();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Stopbits Property Get");
    }
}

int32_t SerPort::Handshake() {
    try {
        return wrapper()->Handshaking();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Handshake Property Get");
    }
}

void SerPort::refuseWhileOpen(const char* source) {
    if (PortOpen())
        ErrorTextProvider::RaiseLibraryError(112, source);
}

void SerPort::setCommPort(int32_t value) {
    refuseWhileOpen("SerPort:CommPort Property Let");
    try {
        wrapper()->setCommPort(value);
        if (value != commPort_) {
            commPort_ = value;
            raiseAfterConnectionChanged();
        }
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:CommPort Property Let");
    }
}

std::string SerPort::SettingsText() {
    return std::to_string(baudrate_) + "," + modGlobal::ParityLetter(parity_) + "," +
           std::to_string(databits_) + "," + std::to_string(stopbits_);
}

// A value that the settings text or the control refuses is not kept, so that
// it cannot spoil the next let.
void SerPort::setLineValue(int32_t& field, int32_t value, const char* source) {
    refuseWhileOpen(source);
    try {
        int32_t kept = field;
        field = value;
        try {
            wrapper()->setSettings(SettingsText());
        } catch (...) {
            field = kept;
            throw;
        }
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, source);
    }
}

void SerPort::setBaudrate(int32_t value) {
    setLineValue(baudrate_, value, "SerPort:Baudrate Property Let");
}

void SerPort::setParity(int32_t value) {
    setLineValue(parity_, value, "SerPort:Parity Property Let");
}

void SerPort::setDatabits(int32_t value) {
    setLineValue(databits_, value, "SerPort:Databits Property Let");
}

void SerPort::setStopbits(int32_t value) {
    setLineValue(stopbits_, value, "SerPort:Stopbits Property Let");
}

void SerPort::setHandshake(int32_t value) {
    refuseWhileOpen("SerPort:Handshake Property Let");
    try {
        wrapper()->setHandshaking(value);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Handshake Property Let");
    }
}

// --- the port ----------------------------------------------------------------

std::string SerPort::ConnectString() {
    return "SER:COM" + std::to_string(CommPort()) + ":" + SettingsText() + "," + std::to_string(Handshake());
}

void SerPort::setPortOpen(bool value) {
    if (Busy())
        ErrorTextProvider::RaiseLibraryError(121, "SerPort:OpenPort Property");
    try {
        bool old = wrapper()->PortOpen();
        if (value && !old) {
            wrapper()->setPortOpen(true);
            if (!wrapper()->PortOpen())
                ErrorTextProvider::RaiseLibraryError(107, {});
        } else if (!value && old) {
            // What is still queued may drain for a while; the kernel's queue
            // announces no event, so it is looked at between short waits.
            Platform::WaitUntil([this] { return wrapper()->OutBufferCount() == 0; }, DrainLimitMs);
            wrapper()->setPortOpen(false);
        }
        if (wrapper()->PortOpen() != old)
            raiseOnPortOpenChanged();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:OpenPort Property");
    }
}

Automation::ByteArray SerPort::Received() {
    try {
        return wrapper()->InputByte();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Received Property Get");
    }
}

void SerPort::Destroy() {
    if (!wrapper_)
        return;
    wrapper_->setShutdown(true);
    if (wrapper_->PortOpen())
        wrapper_->setPortOpen(false);
    wrapper_->setShutdown(false);
    wrapper_->ClientRemove(self<SerPort>());
}

void SerPort::ProcessEvents() {
    if (wrapper_)
        wrapper_->ProcessEvents();
    else
        Platform::WaitForEvents(IdlePumpMs);
}

void SerPort::Receive() {
    if (wrapper()->InBufferCount() != 0)
        raiseOnReceive();
}

void SerPort::Send(const std::string& Expression, const Ref<Gaugely::Progress>& Progress) {
    if (!PortOpen())
        ErrorTextProvider::RaiseLibraryError(102, "SerPort:Send method");
    if (Busy())
        ErrorTextProvider::RaiseLibraryError(121, "SerPort:Send method");
    // An abort left from before this send does not cut it short.
    abort_ = false;
    try {
        sendLoop(Expression, Progress);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "SerPort:Send method");
    }
    if (abort_) {
        abort_ = false;
        ErrorTextProvider::RaiseLibraryError(113, "SerPort:Send Method");
    }
}

void SerPort::sendLoop(const std::string& text, const Ref<Gaugely::Progress>& progress) {
    const size_t total = text.size();
    if (progress) {
        progress->setSubTopValue(static_cast<int32_t>(total));
        progress->setSubValue(0);
    }
    size_t position = 0;
    auto stall = Automation::New<Tickard::Timer>();
    stall->Reset();
    for (;;) {
        if (abort_)
            return;
        int32_t size = wrapper()->OutBufferSize();
        int32_t free = size - wrapper()->OutBufferCount() - 10;
        if (free > size / 5.0) {
            size_t chunk = std::min(total - position, static_cast<size_t>(free));
            wrapper()->setOutput(Automation::Variant(std::string_view(text).substr(position, chunk)));
            position += chunk;
            stall->Reset();
            if (progress)
                progress->setSubValue(static_cast<int32_t>(position));
        } else if (stall->Elapsed() > StallLimitMs) {
            // The line has not moved for a long time (held by its handshake).
            ErrorTextProvider::RaiseLibraryError(120, {});
        }
        if (progress && progress->Cancel())
            abort_ = true;
        if (abort_ || position >= total)
            return;
        pumpParent();
    }
}

} // namespace Tethra
