#pragma once
// The port of port type 2: a TCP link to a remote host and port, opened and
// closed with time-outs, sent to in slices with progress and cancel.
#include <cstdint>
#include <string>

#include "Tethra/INetCommClient.h"
#include "Tethra/NetCommWrapper.h"
#include "Tethra/PortBase.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Tethra {

class NetPort : public PortBase, public INetCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{6E0A2C85-4F71-4B93-A256-1D8F0B4E2C69}", "Tethra.NetPort", "{8F2C4EA7-6193-4DB5-C478-3FA12D6E4B81}"};

    // A new port on its own wrapper, the first client of its stack.
    static Automation::Ref<NetPort> create();
    NetPort();

    std::string RemoteHost() { return wrapper()->RemoteHost(); }
    void setRemoteHost(const std::string& NewValue);
    // The port number as decimal text, 1 to 65535.
    std::string RemotePort();
    void setRemotePort(const std::string& NewValue);
    bool Busy() { return wrapper()->Busy(); }

    // IPort
    std::string ConnectString() override;
    bool PortOpen() override { return wrapper()->Connected(); }
    void setPortOpen(bool value) override;
    Automation::ByteArray Received() override;
    void Destroy() override;
    void Send(const std::string& Expression,
              const Automation::Ref<Gaugely::Progress>& Progress = nullptr) override;
    void ProcessEvents() override;

    // INetCommClient
    Automation::Ref<NetCommWrapper> NetComm() override { return wrapper_; }
    void setNetComm(const Automation::Ref<NetCommWrapper>& value) override { wrapper_ = value; }
    void Connected(int16_t&, std::string&) override {}
    void Receive() override;
    void DataIn(std::string&, bool&) override {}
    void Disconnected(int16_t&, std::string&) override {}
    void Error(int16_t&, std::string&) override {}
    void ReadyToSend() override { readyToSend_ = true; }

    const Automation::InterfaceTable* interfaceTable(std::string_view interfaceName) const override;

    // Text goes to the control in slices of at most this many characters.
    static constexpr int32_t SliceSize = 10240;

private:
    NetCommWrapper* wrapper() const { return wrapper_.operator->(); }
    void openLink();
    void closeLink();
    void sendLoop(const std::string& text, const Automation::Ref<Gaugely::Progress>& progress);
    void waitForRoom(size_t position, const Automation::Ref<Gaugely::Progress>& progress);
    void waitParent(int32_t ms);

    Automation::Ref<NetCommWrapper> wrapper_;
    Automation::Ref<NetCommWrapper> own_;
    bool readyToSend_ = false;
};

} // namespace Tethra
