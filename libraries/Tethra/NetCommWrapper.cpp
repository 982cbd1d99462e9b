#include "Tethra/NetCommWrapper.h"

#include "Tickard/Timer.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Tethra {

using Automation::Ref;
using Platform::ErrorTextProvider;

namespace {

constexpr int32_t ConnectLimitMs = 3000;
constexpr int32_t DisconnectLimitMs = 10000;

} // namespace

NetCommWrapper::NetCommWrapper() : control_(Automation::New<Platform::Tcp::TcpControl>()) {
    control_->setRemoteHost(DefaultRemoteHost);
    control_->setRemotePort(DefaultRemotePort);
    control_->setLinger(true);
    control_->setInBufferSize(16384);
    control_->setOutBufferSize(16384);
    // The handlers hold the wrapper while they run: a client may release it.
    connectedEvent_ = control_->ConnectedEvent.connect([this](int16_t code, std::string description) {
        auto keep = self<NetCommWrapper>();
        onConnected(code, std::move(description));
    });
    dataInEvent_ = control_->DataIn.connect([this](std::string text, bool eol) {
        auto keep = self<NetCommWrapper>();
        onDataIn(std::move(text), eol);
    });
    disconnectedEvent_ = control_->Disconnected.connect([this](int16_t code, std::string description) {
        auto keep = self<NetCommWrapper>();
        onDisconnected(code, std::move(description));
    });
    errorEvent_ = control_->Error.connect([this](int16_t code, std::string description) {
        auto keep = self<NetCommWrapper>();
        onError(code, std::move(description));
    });
    readyEvent_ = control_->ReadyToSend.connect([this] {
        auto keep = self<NetCommWrapper>();
        onReadyToSend();
    });
}

NetCommWrapper::~NetCommWrapper() {
    // No waiting here: the control's own release closes the link with FIN.
    clients_.clear();
}

Ref<INetCommClient> NetCommWrapper::ClientAdd(const Ref<INetCommClient>& NetCommClient) {
    clients_.push(NetCommClient, [](const Ref<INetCommClient>& below) { below->setNetComm(nullptr); });
    return NetCommClient;
}

Ref<INetCommClient> NetCommWrapper::ClientRemove(const Ref<INetCommClient>& NetCommClient) {
    auto wrapper = self<NetCommWrapper>();
    return clients_.pop(NetCommClient, [&](const Ref<INetCommClient>& top) { top->setNetComm(wrapper); });
}

void NetCommWrapper::setConnected(bool NewValue) {
    if (NewValue == control()->Connected())
        return;
    if (NewValue)
        connect();
    else
        disconnect();
}

void NetCommWrapper::connect() {
    try {
        ready_ = false;
        connected_ = false;
        control()->setConnected(true);
        auto timer = Automation::New<Tickard::Timer>();
        timer->Reset();
        for (;;) {
            ProcessEvents();
            if (connected_ && ready_)
                return;
            if (timer->Elapsed() > ConnectLimitMs) {
                forceDown();
                ErrorTextProvider::RaiseLibraryError(107, {});
            }
        }
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetCommWrapper:Connected Property Let");
    }
}

void NetCommWrapper::disconnect() {
    try {
        connected_ = true;
        control()->setConnected(false);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, "NetCommWrapper:Connected Property Let");
    }
    auto timer = Automation::New<Tickard::Timer>();
    timer->Reset();
    // A control that closed at once is not pumped for.
    while (control()->Connected() && connected_) {
        ProcessEvents();
        if (timer->Elapsed() > DisconnectLimitMs) {
            try {
                forceDown();
            } catch (const Automation::Error&) {
                // Down is down.
            }
            break;
        }
    }
    try {
        control()->setLinger(true);
    } catch (const Automation::Error&) {
    }
}

void NetCommWrapper::forceDown() {
    control()->setLinger(false);
    control()->setConnected(false);
    control()->setLinger(true);
}

int16_t NetCommWrapper::BytesSent() const {
    return Automation::toInteger(control()->BytesSent());
}

void NetCommWrapper::setDataToSend(const Automation::Variant& value) {
    if (const auto* bytes = value.get<Automation::ByteArray>())
        control()->setBytesToSend(*bytes);
    else if (const auto* text = value.get<std::string>())
        control()->setDataToSend(*text);
    else
        control()->setDataToSend(value.toString());
}

std::string NetCommWrapper::InputStr() {
    std::string text;
    text.swap(received_);
    return text;
}

Automation::ByteArray NetCommWrapper::InputByte() {
    std::string text = InputStr();
    return Automation::ByteArray(text.begin(), text.end());
}

void NetCommWrapper::onConnected(int16_t code, std::string description) {
    if (auto top = clients_.top())
        top->Connected(code, description);
    connected_ = true;
}

void NetCommWrapper::onDataIn(std::string text, bool eol) {
    if (received_.empty())
        received_ = std::move(text);
    else
        received_.append(text);
    auto top = clients_.top();
    if (!top)
        return;
    if (fireDataInEvents_) {
        std::string all = InputStr();
        top->DataIn(all, eol);
    } else {
        top->Receive();
    }
}

void NetCommWrapper::onDisconnected(int16_t code, std::string description) {
    if (auto top = clients_.top())
        top->Disconnected(code, description);
    connected_ = false;
}

void NetCommWrapper::onError(int16_t code, std::string description) {
    if (auto top = clients_.top())
        top->Error(code, description);
}

void NetCommWrapper::onReadyToSend() {
    if (auto top = clients_.top())
        top->ReadyToSend();
    ready_ = true;
}

} // namespace Tethra
