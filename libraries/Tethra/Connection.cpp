#include "Tethra/Connection.h"

#include <algorithm>

#include "Tethra/Enums.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"
#include "Tethra/modClassIDGenerator.h"
#include "Tickard/Timer.h"
#include "errors/ErrorTextProvider.h"
#include "messages/MessagePump.h"

namespace Tethra {

using Automation::Ref;
using Platform::ErrorTextProvider;

Connection::Connection() : instanceId_(modClassIDGenerator::NextInstanceID("Connection")) {}

Connection::~Connection() {
    // The port's Destroy does not pump here: the link is down or goes down at once.
    if (iport_) {
        try {
            iport_->Destroy();
        } catch (const Automation::Error&) {
            // The port goes anyway.
        }
    }
    iport_.reset();
    port_.reset();
    settings_.clear();
}

std::string Connection::portClassName(const Ref<Automation::Object>& port) {
    if (port.as<SerPort>())
        return "SerPort";
    if (port.as<NetPort>())
        return "NetPort";
    return "Nothing";
}

int32_t Connection::PortType() const {
    if (port_.as<SerPort>())
        return static_cast<int32_t>(enumPortTypes::SerialPort);
    if (port_.as<NetPort>())
        return static_cast<int32_t>(enumPortTypes::NetWorkPort);
    return static_cast<int32_t>(enumPortTypes::NoPort);
}

Ref<Proptree::Properties> Connection::Properties() {
    return iport_->Properties();
}

Automation::ByteArray Connection::ReceiveB() {
    return iport_->Received();
}

std::string Connection::Receive() {
    try {
        Automation::ByteArray bytes = ReceiveB();
        return std::string(bytes.begin(), bytes.end());
    } catch (const Automation::Error&) {
        return {};
    }
}

void Connection::ProcessEvents() {
    IPort& port = *iport_;
    bool noted = busy_;
    busy_ = true;
    try {
        port.ProcessEvents();
    } catch (...) {
        busy_ = noted;
        throw;
    }
    busy_ = noted;
}

void Connection::Wait(const int32_t& lWaitForMilliSecs, bool AllowEvents) {
    auto timer = Automation::New<Tickard::Timer>();
    timer->Reset();
    do {
        // Each pass blocks for a moment instead of spinning: the port's pump
        // waits for an event, a wait without events sleeps.
        if (AllowEvents)
            ProcessEvents();
        else
            Platform::SleepWithoutEvents(std::clamp(lWaitForMilliSecs - timer->Elapsed() + 1, 1, 10));
    } while (timer->Elapsed() <= lWaitForMilliSecs);
}

std::string Connection::ObjectData() {
    try {
        std::string className = portClassName(port_);
        settings_.ensure(PortType(), iport_ ? className : "NoPort");
        settings_.describePort(PortType(), className);
        if (iport_)
            settings_.store(className, iport_->ObjectData());
        return settings_.text();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:ObjectData Property Get");
    }
}

void Connection::setObjectData(const std::string& value) {
    try {
        settings_.load(value);
        if (auto type = settings_.storedPortType())
            setPortType(*type);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:ObjectData Property Let");
    }
}

void Connection::setPortType(const int32_t& NewValue) {
    if (busy_)
        ErrorTextProvider::RaiseLibraryError(121, "Connection:PortType property Let");
    if (NewValue == PortType())
        return;
    try {
        // A DummyPort offers no port interface: refused before the current port is touched.
        if (NewValue == static_cast<int32_t>(enumPortTypes::DummyPort))
            Automation::raise(Automation::RuntimeError::TypeMismatch, {},
                              "Type mismatch: port type 9 has no usable port");
        auto self = this->self<Connection>();
        if (port_) {
            bool cancel = false;
            BeforeConnectionDestroy.raise(self, cancel);
            if (cancel)
                return;
        }
        if (NewValue == static_cast<int32_t>(enumPortTypes::NoPort) ||
            NewValue == static_cast<int32_t>(enumPortTypes::SerialPort) ||
            NewValue == static_cast<int32_t>(enumPortTypes::NetWorkPort))
            switchPort(NewValue);
        AfterConnectionChanged.raise(self);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:PortType Property Let");
    }
}

void Connection::switchPort(int32_t type) {
    struct Switching {
        bool& flag;
        explicit Switching(bool& f) : flag(f) { flag = true; }
        ~Switching() { flag = false; }
    } switching(switching_);

    if (iport_) {
        std::string className = portClassName(port_);
        settings_.ensure(PortType(), className);
        settings_.store(className, iport_->ObjectData());
        iport_->Destroy();
        iport_.reset();
        port_.reset();
    }
    Ref<IPort> port;
    if (type == static_cast<int32_t>(enumPortTypes::SerialPort))
        port = SerPort::create();
    else if (type == static_cast<int32_t>(enumPortTypes::NetWorkPort))
        port = NetPort::create();
    if (!port)
        return;
    port_ = port.as<Automation::Object>();
    iport_ = port;
    port->setParent(self<Connection>());
    settings_.ensure(PortType(), portClassName(port_));
    if (auto entry = settings_.entryFor(portClassName(port_)))
        port->setObjectData(*entry);
}

std::string Connection::ConnectString() {
    try {
        return iport_->ConnectString();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:ConnectString Property Get");
    }
}

bool Connection::PortOpen() {
    if (!iport_)
        return false;
    try {
        return iport_->PortOpen();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:PortOpen Property Get");
    }
}

void Connection::setPortOpen(bool value) {
    IPort& port = *iport_;
    if (openCount_ >= 1 && !port.PortOpen())
        openCount_ = 0; // the link was closed behind the count's back
    try {
        if (value && !port.PortOpen() && !firstOpen_) {
            firstOpen_ = true;
            OnFirstTimeOpen.raise(self<Connection>());
        }
    } catch (const Automation::Error&) {
        // A handler's failure does not stop the open.
    }
    int32_t noted = openCount_;
    openCount_ = value ? noted + 1 : std::max(0, noted - 1);
    try {
        bool wanted = openCount_ != 0;
        if (port.PortOpen() != wanted)
            port.setPortOpen(wanted);
    } catch (const Automation::Error& error) {
        openCount_ = noted;
        ErrorTextProvider::RaiseAgain(error, "Connection:PortOpen Property Let");
    }
}

void Connection::Send(const std::string& Expression, const Ref<Gaugely::Progress>& Progress) {
    if (busy_)
        ErrorTextProvider::RaiseLibraryError(121, "Connection:Send method");
    try {
        iport_->Send(Expression, Progress);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "Connection:Send Method");
    }
}

void Connection::RaiseAfterConnectionChanged() {
    if (!switching_)
        AfterConnectionChanged.raise(self<Connection>());
}

void Connection::RaiseOnPortOpenChanged() {
    bool open = iport_->PortOpen();
    auto keep = self<Connection>();
    OnPortOpenChanged.raise(open);
}

void Connection::RaiseOnReceive() {
    auto keep = self<Connection>();
    OnReceive.raise();
}

} // namespace Tethra
