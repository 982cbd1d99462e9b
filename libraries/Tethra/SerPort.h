#pragma once
// The port of port type 1: a COM port with its line settings, opened, closed
// after the output has drained, and sent to in chunks that fit the output
// buffer, with progress and cancel.
#include <cstdint>
#include <string>

#include "Tethra/ISerCommClient.h"
#include "Tethra/PortBase.h"
#include "Tethra/SerCommWrapper.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Tethra {

class SerPort : public PortBase, public ISerCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{B24F6C96-9A37-4D8B-A05D-7B9E3F4C6DA8}", "Tethra.SerPort", "{C3507DB8-AB48-4E9C-B16E-8CAF405D7EB9}"};

    // A new port on its own wrapper, the first client of its stack.
    static Automation::Ref<SerPort> create();
    SerPort();

    // Read back from the control; each let refuses with 112 while open.
    int32_t CommPort();
    void setCommPort(int32_t value);
    int32_t Baudrate();
    void setBaudrate(int32_t value);
    int32_t Parity();
    void setParity(int32_t value);
    int32_t Databits();
    void setDatabits(int32_t value);
    int32_t Stopbits();
    void setStopbits(int32_t value);
    int32_t Handshake();
    void setHandshake(int32_t value);
    bool Busy() { return wrapper()->Busy(); }

    // IPort
    std::string ConnectString() override;
    bool PortOpen() override { return wrapper()->PortOpen(); }
    void setPortOpen(bool value) override;
    Automation::ByteArray Received() override;
    void Destroy() override;
    void Send(const std::string& Expression,
              const Automation::Ref<Gaugely::Progress>& Progress = nullptr) override;
    void ProcessEvents() override;

    // ISerCommClient
    Automation::Ref<SerCommWrapper> SerComm() override { return wrapper_; }
    void setSerComm(const Automation::Ref<SerCommWrapper>& value) override { wrapper_ = value; }
    void PrepareFile() override {}
    void StartFile() override {}
    void WaitForFile() override {}
    void TransferBlock() override {}
    void FinishFile() override {}
    void AbortFile() override {}
    void AbortFileTransfer() override {}
    void FinishFileTransfer() override {}
    void Receive() override;
    void CTSChanged() override {}
    void DSRChanged() override {}

    const Automation::InterfaceTable* interfaceTable(std::string_view interfaceName) const override;

    // The settings text of the line: "115200,N,8,1".
    std::string SettingsText();

    // How long the output may stay too full to take a chunk (a line held by
    // handshake) before the send ends with 120, and how long a close waits
    // for the output to drain.
    static constexpr int32_t StallLimitMs = 30000;
    static constexpr int32_t DrainLimitMs = 3000;

private:
    SerCommWrapper* wrapper() const { return wrapper_.operator->(); }
    // Stores one line value if the control takes the settings text made with it.
    void setLineValue(int32_t& field, int32_t value, const char* source);
    void refuseWhileOpen(const char* source);
    void sendLoop(const std::string& text, const Automation::Ref<Gaugely::Progress>& progress);

    Automation::Ref<SerCommWrapper> wrapper_;
    Automation::Ref<SerCommWrapper> own_;
    int32_t commPort_ = 1;
    int32_t baudrate_ = 115200;
    int32_t parity_ = 1;
    int32_t databits_ = 8;
    int32_t stopbits_ = 1;
};

} // namespace Tethra
