#include "Tethra/SerCommWrapper.h"

#include <utility>

#include "automation/Runtime.h"
#include "messages/MessagePump.h"
#include "serial/SerialEnums.h"

namespace Tethra {

using Automation::Ref;
using Platform::Serial::SaxComm8;

namespace {

constexpr int32_t PumpMs = 10;

// Configuration steps whose failure is ignored: the next one runs.
template <class Step> void tryStep(Step step) {
    try {
        step();
    } catch (const Automation::Error&) {
    }
}

} // namespace

SerCommWrapper::SerCommWrapper() {
    createComm();
}

void SerCommWrapper::createComm() {
    control_ = Automation::New<SaxComm8>();
    SaxComm8& c = *control_;
    tryStep([&] { c.setRThreshold(1); });
    tryStep([&] { c.setOutBufferSize(16384); });
    tryStep([&] { c.setInBufferSize(16384); });
    tryStep([&] { c.setDTREnable(true); });
    tryStep([&] { c.setRTSEnable(true); });
    tryStep([&] { c.setInputLen(0); });
    tryStep([&] { c.setNullDiscard(false); });
    tryStep([&] { c.setXferEscapeControl(false); });
    tryStep([&] { c.setXferTimeout(0); });
    tryStep([&] { c.setXferCRC32(true); });
    tryStep([&] { c.setXferKeepPartial(false); });
    tryStep([&] { c.setXferBlockSize(0); });
    tryStep([&] { c.setXferWindow(0); });
    tryStep([&] { c.setInputMode(1); });
    tryStep([&] { c.setCommPort("Com1"); });
    tryStep([&] { c.setSettings("115200,n,8,1"); });
    tryStep([&] { c.setHandshaking(Platform::Serial::HandShake_Hardware); });

    const std::pair<Automation::Event<>*, void (ISerCommClient::*)()> routes[] = {
        {&c.Receive, &ISerCommClient::Receive},
        {&c.CTSChanged, &ISerCommClient::CTSChanged},
        {&c.DSRChanged, &ISerCommClient::DSRChanged},
        {&c.PrepareFile, &ISerCommClient::PrepareFile},
        {&c.StartFile, &ISerCommClient::StartFile},
        {&c.WaitForFile, &ISerCommClient::WaitForFile},
        {&c.TransferBlock, &ISerCommClient::TransferBlock},
        {&c.FinishFile, &ISerCommClient::FinishFile},
        {&c.AbortFile, &ISerCommClient::AbortFile},
        {&c.FinishFileTransfer, &ISerCommClient::FinishFileTransfer},
        {&c.AbortFileTransfer, &ISerCommClient::AbortFileTransfer},
    };
    for (const auto& [event, callback] : routes)
        events_.push_back(event->connect([this, callback = callback] { forward(callback); }));
}

SerCommWrapper::~SerCommWrapper() {
    clients_.clear();
    events_.clear();
    // Closing and Shutdown end a running transfer at once, so nothing is left to wait for.
    tryStep([&] {
        if (control_->PortOpen())
            control_->setPortOpen(false);
    });
    tryStep([&] { control_->setShutdown(true); });
}

void SerCommWrapper::forward(void (ISerCommClient::*callback)()) {
    auto keep = self<SerCommWrapper>();
    if (auto top = clients_.top())
        ((*top).*callback)();
}

Ref<ISerCommClient> SerCommWrapper::ClientAdd(const Ref<ISerCommClient>& SerCommClient) {
    clients_.push(SerCommClient, [](const Ref<ISerCommClient>& below) { below->setSerComm(nullptr); });
    return SerCommClient;
}

Ref<ISerCommClient> SerCommWrapper::ClientRemove(const Ref<ISerCommClient>& SerCommClient) {
    auto wrapper = self<SerCommWrapper>();
    return clients_.pop(SerCommClient, [&](const Ref<ISerCommClient>& top) { top->setSerComm(wrapper); });
}

int32_t SerCommWrapper::CommPort() const {
    std::string port = control()->CommPort();
    if (auto number = Automation::parseNumber(port))
        return Automation::toLong(*number);
    size_t digit = port.find_first_of("0123456789");
    if (digit == std::string::npos)
        return 0;
    return Automation::toLong(Automation::val(std::string_view(port).substr(digit)));
}

std::string SerCommWrapper::InputStr() {
    control()->setInputMode(0);
    return control()->Input().toString();
}

Automation::ByteArray SerCommWrapper::InputByte() {
    control()->setInputMode(1);
    return control()->Input().toByteArray();
}

void SerCommWrapper::ProcessEvents() {
    Platform::WaitForEvents(PumpMs);
}

} // namespace Tethra
