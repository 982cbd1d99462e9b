#pragma once
// Test helpers for the control: COM1 pointed at a pseudo-terminal, the event
// loop pumped until something happens, and the transfer events recorded.
#include <functional>
#include <string>
#include <vector>

#include "PtyPeer.h"
#include "automation/Event.h"
#include "automation/Ref.h"
#include "serial/SaxComm8.h"

namespace Platform::Serial::Testing {

// Points COM1 at a device (through KESTRUP_COM_DIR) while it lives.
class ComDir {
public:
    explicit ComDir(const std::string& device);
    ~ComDir();
    ComDir(const ComDir&) = delete;
    ComDir& operator=(const ComDir&) = delete;

private:
    TempFolder folder_;
};

// Pumps the thread's event loop until done() holds or timeoutMs passed.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

// A control set up the way its wrapper sets it up, on COM1, closed.
Automation::Ref<SaxComm8> makeControl();

// Records the control's transfer events by name, in the order raised.
class TransferWatch {
public:
    explicit TransferWatch(SaxComm8& control);
    bool ended() const { return ends_ > 0; }
    int ends() const { return ends_; }
    bool saw(const std::string& name) const;

    std::vector<std::string> events;
    int32_t statusAtEnd = -99;
    // Called after each event is recorded.
    std::function<void(const std::string&)> onEvent;

private:
    std::vector<Automation::EventConnection> connections_;
    int ends_ = 0;
};

} // namespace Platform::Serial::Testing
