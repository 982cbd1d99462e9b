#include "Tethra/NetPort.h"

#include "Tethra/Connection.h"
#include "Tickard/Timer.h"
#include "automation/InterfaceTable.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"
#include "messages/MessagePump.h"
#include "tcp/TcpControl.h"

namespace Tethra {

using Automation::Ref;
using Platform::ErrorTextProvider;
namespace TcpControlError = Platform::Tcp::TcpControlError;

namespace {

constexpr int32_t ReadyLimitMs = 2000;
constexpr int32_t CloseLimitMs = 2000;
constexpr int32_t RetryWaitMs = 500;
constexpr int32_t IdlePumpMs = 10;

} // namespace

NetPort::NetPort() : PortBase("NetPort", PortSettings::UnknownSetting::Stop) {}

Ref<NetPort> NetPort::create() {
    auto port = Automation::New<NetPort>();
    port->own_ = Automation::New<NetCommWrapper>();
    port->wrapper_ = port->own_;
    port->own_->ClientAdd(port);
    port->own_->setRemoteHost(NetCommWrapper::DefaultRemoteHost);
    port->own_->setRemotePort(NetCommWrapper::DefaultRemotePort);
    port->own_->setLinger(false);
    port->own_->setInBufferSize(16384);
    port->own_->setOutBufferSize(16384);
    return port;
}

const Automation::InterfaceTable* NetPort::interfaceTable(std::string_view interfaceName) const {
    static const Automation::InterfaceTable table =
        Automation::InterfaceBuilder<NetPort>("_NetPort")
            .property("RemoteHost", &NetPort::RemoteHost, &NetPort::setRemoteHost)
            .property("RemotePort", &NetPort::RemotePort, &NetPort::setRemotePort)
            .method("Busy")
            .build();
    return Automation::selectInterface(interfaceName, &table);
}

void NetPort::waitParent(int32_t ms) {
    if (auto parent = Parent())
        parent->Wait(ms, true);
    else
        Platform::WaitUntil([] { return false; }, ms);
}

void NetPort::setRemoteHost(const std::string& NewValue) {
    if (PortOpen())
        ErrorTextProvider::RaiseLibraryError(112, "NetPort:RemoteHost Property Let");
    try {
        bool changed = NewValue != wrapper()->RemoteHost();
        wrapper()->setRemoteHost(NewValue);
        if (changed)
            raiseAfterConnectionChanged();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:RemoteHost Property Let");
    }
}

std::string NetPort::RemotePort() {
    try {
        return std::to_string(wrapper()->RemotePort());
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:RemotePort Property Get");
    }
}

void NetPort::setRemotePort(const std::string& NewValue) {
    if (PortOpen())
        ErrorTextProvider::RaiseLibraryError(112, "NetPort:RemotePort Property Let");
    try {
        bool changed = NewValue != std::to_string(wrapper()->RemotePort());
        // Every TCP port is a valid value, 32768 to 65535 included.
        int32_t number = Automation::toLong(Automation::textToDouble(NewValue));
        if (number < 1 || number > 65535)
            Automation::raise(Automation::RuntimeError::Overflow, {},
                              "Overflow: " + NewValue + " is no port number (1 to 65535)");
        wrapper()->setRemotePort(number);
        if (changed)
            raiseAfterConnectionChanged();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:RemotePort Property Let");
    }
}

std::string NetPort::ConnectString() {
    return "LAN:" + RemoteHost() + ":" + RemotePort();
}

void NetPort::setPortOpen(bool value) {
    if (Busy())
        ErrorTextProvider::RaiseLibraryError(121, "NetPort:PortOpen property Let");
    try {
        bool old = wrapper()->Connected();
        if (value == old)
            return;
        if (value)
            openLink();
        else
            closeLink();
        if (wrapper()->Connected() != old)
            raiseOnPortOpenChanged();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:PortOpen property Let");
    }
}

void NetPort::openLink() {
    readyToSend_ = false;
    wrapper()->setConnected(true);
    auto timer = Automation::New<Tickard::Timer>();
    timer->Reset();
    do {
        pumpParent();
        if (timer->Elapsed() > ReadyLimitMs) {
            wrapper()->setLinger(false);
            wrapper()->setConnected(false);
            wrapper()->setLinger(true);
            ErrorTextProvider::RaiseLibraryError(120, {});
        }
    } while (!readyToSend_);
}

void NetPort::closeLink() {
    // With Linger on, what is queued still goes out before the FIN.
    wrapper()->setLinger(true);
    wrapper()->setConnected(false);
    auto timer = Automation::New<Tickard::Timer>();
    timer->Reset();
    do {
        pumpParent();
        if (timer->Elapsed() > CloseLimitMs) {
            wrapper()->setLinger(false);
            wrapper()->setConnected(false);
            wrapper()->setLinger(true);
        }
    } while (wrapper()->Connected());
}

Automation::ByteArray NetPort::Received() {
    try {
        return wrapper()->InputByte();
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:Received Property Get");
    }
}

void NetPort::Destroy() {
    if (!wrapper_)
        return;
    wrapper_->setLinger(false);
    if (wrapper_->Connected())
        wrapper_->setConnected(false);
    wrapper_->ClientRemove(self<NetPort>());
}

void NetPort::ProcessEvents() {
    if (wrapper_)
        wrapper_->ProcessEvents();
    else
        Platform::WaitForEvents(IdlePumpMs);
}

void NetPort::Receive() {
    if (wrapper()->InBufferCount() != 0)
        raiseOnReceive();
}

void NetPort::Send(const std::string& Expression, const Ref<Gaugely::Progress>& Progress) {
    if (!PortOpen())
        ErrorTextProvider::RaiseLibraryError(102, "NetPort:Send method");
    if (Busy())
        ErrorTextProvider::RaiseLibraryError(121, "NetPort:Send method");
    // An abort left from before this send does not cut it short.
    abort_ = false;
    try {
        sendLoop(Expression, Progress);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetPort:Send Method");
    }
    if (abort_) {
        abort_ = false;
        ErrorTextProvider::RaiseLibraryError(113, "NetPort:Send Method");
    }
}

void NetPort::sendLoop(const std::string& text, const Ref<Gaugely::Progress>& progress) {
    const size_t total = text.size();
    if (progress) {
        progress->setSubTopValue(static_cast<int32_t>(total));
        progress->setSubValue(0);
    }
    size_t position = 0;
    for (;;) {
        if (abort_)
            return;
        try {
            wrapper()->setDataToSend(Automation::Variant(std::string_view(text).substr(position, SliceSize)));
            position += static_cast<size_t>(wrapper()->BytesSent());
        } catch (const Automation::Error& error) {
            if (error.Number() == TcpControlError::WouldBlock) {
                readyToSend_ = false;
                if (wrapper()->BytesSent() == 0)
                    waitForRoom(position, progress);
            } else if (error.Number() == TcpControlError::NotConnected && wrapper()->Connected()) {
                waitParent(RetryWaitMs);
                continue;
            } else {
                throw; // the link is gone, or another failure
            }
        }
        if (progress) {
            progress->setSubValue(static_cast<int32_t>(position));
            if (progress->Cancel())
                abort_ = true;
        }
        if (abort_ || position >= total)
            return;
        pumpParent();
    }
}

// Until the control has room again, the send is cancelled, or the link is gone.
void NetPort::waitForRoom(size_t position, const Ref<Gaugely::Progress>& progress) {
    do {
        pumpParent();
        if (progress) {
            progress->setSubValue(static_cast<int32_t>(position));
            if (progress->Cancel())
                abort_ = true;
        }
    } while (!abort_ && !readyToSend_ && wrapper()->Connected());
}

} // namespace Tethra
