#pragma once
// Owns the serial communications control, forwards its properties, and
// passes each of its events to the top client of a stack of ISerCommClient
// objects.
#include <cstdint>
#include <string>
#include <vector>

#include "Tethra/ClientStack.h"
#include "Tethra/ISerCommClient.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"
#include "serial/SaxComm8.h"

namespace Tethra {

class SerCommWrapper : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9C1E3A52-7F04-4B68-8D2A-4E6B0C1F3A75}",
                                                     "Tethra.SerCommWrapper",
                                                     "{A13F5B74-8E26-4C8A-9F4C-6A8D2E3B5C97}"};

    SerCommWrapper();
    ~SerCommWrapper() override;
    SerCommWrapper(const SerCommWrapper&) = delete;
    SerCommWrapper& operator=(const SerCommWrapper&) = delete;

    // Detaches every client on the stack, then puts this one on top.
    Automation::Ref<ISerCommClient> ClientAdd(const Automation::Ref<ISerCommClient>& SerCommClient);
    // The client below becomes the top again and gets this wrapper back.
    Automation::Ref<ISerCommClient> ClientRemove(const Automation::Ref<ISerCommClient>& SerCommClient);
    int32_t ClientCount() const { return clients_.count(); }

    bool CDHolding() const { return control()->CDHolding(); }
    int32_t CDTimeOut() const { return control()->CDTimeOut(); }
    void setCDTimeOut(int32_t value) { control()->setCDTimeOut(value); }
    // The number in the control's port name (COM12 gives 12), 0 without a digit.
    int32_t CommPort() const;
    void setCommPort(int32_t value) { control()->setCommPort("COM" + std::to_string(value)); }
    int32_t Handshaking() const { return control()->Handshaking(); }
    void setHandshaking(int32_t value) { control()->setHandshaking(value); }
    int32_t InBufferCount() const { return control()->InBufferCount(); }
    void setInBufferCount(int32_t value) { control()->setInBufferCount(value); }
    int32_t OutBufferCount() const { return control()->OutBufferCount(); }
    void setOutBufferCount(int32_t value) { control()->setOutBufferCount(value); }
    int32_t InBufferSize() const { return control()->InBufferSize(); }
    void setInBufferSize(int32_t value) { control()->setInBufferSize(value); }
    int32_t OutBufferSize() const { return control()->OutBufferSize(); }
    void setOutBufferSize(int32_t value) { control()->setOutBufferSize(value); }
    void setOutput(const Automation::Variant& value) { control()->setOutput(value); }
    std::string InputStr();
    Automation::ByteArray InputByte();
    std::string Settings() const { return control()->Settings(); }
    void setSettings(const std::string& value) { control()->setSettings(value); }
    bool PortOpen() const { return control()->PortOpen(); }
    void setPortOpen(bool value) { control()->setPortOpen(value); }
    bool Shutdown() const { return control()->Shutdown(); }
    void setShutdown(bool value) { control()->setShutdown(value); }
    // Blocks for a moment in the event loop, so that callers' loops never spin.
    void ProcessEvents();
    bool Busy() const { return control()->Busy(); }
    int32_t RThreshold() const { return control()->RThreshold(); }
    void setRThreshold(int32_t value) { control()->setRThreshold(value); }
    bool AbortTransfer() const { return control()->AbortTransfer(); }
    void setAbortTransfer(bool value) { control()->setAbortTransfer(value); }
    void setDownload(const std::string& value) { control()->setDownload(value); }
    void setUpload(const std::string& value) { control()->setUpload(value); }
    std::string XferDestFilename() const { return control()->XferDestFilename(); }
    void setXferDestFilename(const std::string& value) { control()->setXferDestFilename(value); }
    std::string XferSourceFilename() const { return control()->XferSourceFilename(); }
    int32_t XferFileSize() const { return control()->XferFileSize(); }
    int32_t XferTransferred() const { return control()->XferTransferred(); }
    int32_t XferStatus() const { return control()->XferStatus(); }
    int32_t XferProtocol() const { return control()->XferProtocol(); }
    void setXferProtocol(int32_t value) { control()->setXferProtocol(value); }
    bool AutoZModem() const { return control()->AutoZModem(); }
    void setAutoZModem(bool value) { control()->setAutoZModem(value); }

private:
    Platform::Serial::SaxComm8* control() const { return control_.operator->(); }
    void createComm();
    void forward(void (ISerCommClient::*callback)());

    ClientStack<ISerCommClient> clients_;
    Automation::Ref<Platform::Serial::SaxComm8> control_;
    std::vector<Automation::EventConnection> events_;
};

} // namespace Tethra
