#include "ControlHarness.h"

#include <cstdlib>
#include <filesystem>

#include "messages/MessagePump.h"

namespace Platform::Serial::Testing {

ComDir::ComDir(const std::string& device) {
    std::filesystem::create_symlink(device, folder_.file("COM1"));
    ::setenv("KESTRUP_COM_DIR", folder_.path().c_str(), 1);
}

ComDir::~ComDir() {
    ::unsetenv("KESTRUP_COM_DIR");
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const int64_t deadline = monotonicMs() + timeoutMs;
    while (!done()) {
        const int64_t left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        WaitForEvents(static_cast<int32_t>(std::min<int64_t>(left, 50)));
    }
    return true;
}

Automation::Ref<SaxComm8> makeControl() {
    auto control = Automation::New<SaxComm8>();
    control->setRThreshold(1);
    control->setOutBufferSize(16384);
    control->setInBufferSize(16384);
    control->setInputMode(1);
    control->setCommPort("Com1");
    control->setSettings("115200,n,8,1");
    control->setHandshaking(2);
    return control;
}

TransferWatch::TransferWatch(SaxComm8& control) {
    auto watch = [this, &control](Automation::Event<>& event, std::string name, bool end) {
        connections_.push_back(event.connect([this, &control, name, end] {
            events.push_back(name);
            if (end) {
                ++ends_;
                statusAtEnd = control.XferStatus();
            }
            if (onEvent)
                onEvent(name);
        }));
    };
    watch(control.WaitForFile, "WaitForFile", false);
    watch(control.PrepareFile, "PrepareFile", false);
    watch(control.StartFile, "StartFile", false);
    watch(control.TransferBlock, "TransferBlock", false);
    watch(control.FinishFile, "FinishFile", false);
    watch(control.FinishFileTransfer, "FinishFileTransfer", true);
    watch(control.AbortFile, "AbortFile", true);
    watch(control.AbortFileTransfer, "AbortFileTransfer", true);
}

bool TransferWatch::saw(const std::string& name) const {
    for (const auto& e : events)
        if (e == name)
            return true;
    return false;
}

} // namespace Platform::Serial::Testing
