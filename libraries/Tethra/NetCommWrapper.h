#pragma once
// Wraps the TCP socket control for the network port: blocking connect and
// disconnect with time-outs, a receive buffer of its own, and the control's
// events forwarded to the top client of a stack of INetCommClient objects.
#include <cstdint>
#include <string>

#include "Tethra/ClientStack.h"
#include "Tethra/INetCommClient.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"
#include "tcp/TcpControl.h"

namespace Tethra {

class NetCommWrapper : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{2F6A8C41-0B3D-4E57-9F12-7A4C6E8D0B93}",
                                                     "Tethra.NetCommWrapper",
                                                     "{4A8C0E63-2D5F-4079-B134-9C6E80F2D1B5}"};

    // The address the control starts with; every caller sets its own.
    static constexpr const char* DefaultRemoteHost = "192.168.100.100";
    static constexpr int32_t DefaultRemotePort = 9090;

    NetCommWrapper();
    ~NetCommWrapper() override;
    NetCommWrapper(const NetCommWrapper&) = delete;
    NetCommWrapper& operator=(const NetCommWrapper&) = delete;

    // Detaches every client on the stack, then puts this one on top.
    Automation::Ref<INetCommClient> ClientAdd(const Automation::Ref<INetCommClient>& NetCommClient);
    // The client below becomes the top again and gets this wrapper back.
    Automation::Ref<INetCommClient> ClientRemove(const Automation::Ref<INetCommClient>& NetCommClient);
    int32_t ClientCount() const { return clients_.count(); }

    bool Connected() const { return control()->Connected(); }
    // True connects and waits up to 3000 ms for Connected and ReadyToSend
    // (107 otherwise); False disconnects and waits up to 10000 ms, then
    // forces the link down.
    void setConnected(bool NewValue);
    void ProcessEvents() { control()->ProcessEvents(); }
    int16_t BytesSent() const;
    // Bytes for a byte array, text otherwise.
    void setDataToSend(const Automation::Variant& value);
    int32_t InBufferSize() const { return control()->InBufferSize(); }
    void setInBufferSize(int32_t value) { control()->setInBufferSize(value); }
    int32_t OutBufferSize() const { return control()->OutBufferSize(); }
    void setOutBufferSize(int32_t value) { control()->setOutBufferSize(value); }
    bool Linger() const { return control()->Linger(); }
    void setLinger(bool value) { control()->setLinger(value); }
    std::string LocalHost() const { return control()->LocalHost(); }
    void setLocalHost(const std::string& value) { control()->setLocalHost(value); }
    // Port numbers are carried whole (1 to 65535), not as 16-bit signed values.
    int32_t LocalPort() const { return control()->LocalPort(); }
    void setLocalPort(int32_t value) { control()->setLocalPort(value); }
    std::string RemoteHost() const { return control()->RemoteHost(); }
    void setRemoteHost(const std::string& value) { control()->setRemoteHost(value); }
    int32_t RemotePort() const { return control()->RemotePort(); }
    void setRemotePort(int32_t value) { control()->setRemotePort(value); }
    // The receive buffer, handed over and emptied.
    std::string InputStr();
    Automation::ByteArray InputByte();
    int32_t InBufferCount() const { return static_cast<int32_t>(received_.size()); }
    bool FireDataInEvents() const { return fireDataInEvents_; }
    void setFireDataInEvents(bool value) { fireDataInEvents_ = value; }
    bool Busy() const { return false; }

private:
    Platform::Tcp::TcpControl* control() const { return control_.operator->(); }
    void onConnected(int16_t code, std::string description);
    void onDataIn(std::string text, bool eol);
    void onDisconnected(int16_t code, std::string description);
    void onError(int16_t code, std::string description);
    void onReadyToSend();
    void connect();
    void disconnect();
    // Ends the link without delivering what is queued.
    void forceDown();

    ClientStack<INetCommClient> clients_;
    Automation::Ref<Platform::Tcp::TcpControl> control_;
    std::string received_;
    bool connected_ = false;
    bool ready_ = false;
    bool fireDataInEvents_ = false;
    Automation::EventConnection connectedEvent_;
    Automation::EventConnection dataInEvent_;
    Automation::EventConnection disconnectedEvent_;
    Automation::EventConnection errorEvent_;
    Automation::EventConnection readyEvent_;
};

} // namespace Tethra
