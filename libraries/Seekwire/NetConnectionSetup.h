#pragma once
// A print server found on the network: its address, the TCP port of its
// printer's command line, and whether that printer is idle and answers a
// Rubric hello (CheckImmediadtemode).
#include <cstdint>
#include <string>
#include <string_view>

#include "Brindle/FifoBuf.h"
#include "Seekwire/ConnectionSetup.h"
#include "Tethra/INetCommClient.h"
#include "Tethra/NetCommWrapper.h"

namespace Seekwire {

class NetConnectionSetup : public ConnectionSetup, public Tethra::INetCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F43}",
                                                     "Seekwire.NetConnectionSetup",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F44}"};

    // How long the TCP probe listens for the answer.
    static constexpr int32_t ProbeTimeoutMs = 5000;
    // How long each of the print server's values is waited for.
    static constexpr int32_t ValueTimeoutMs = 1500;

    NetConnectionSetup() : ConnectionSetup("NetConnectionSetup", "netConnection") {}

    // Reads the printer's standard channel and status from the print server
    // and, for an idle printer on a network channel, tries the hello over
    // TCP. Never raises: an unreachable server ends with ImmediateMode False.
    void CheckImmediadtemode(const std::string& Community);

    const std::string& SysStatus() const { return sysStatus_; }
    // A number stores its status name and sets ImmediateMode for Idle (4)
    // only; any other text is stored as it is.
    void setSysStatus(const std::string& value);
    const std::string& PrinterName() const { return printerName_; }
    void setPrinterName(const std::string& value) { printerName_ = value; }
    const std::string& IPAddress() const { return ipAddress_; }
    void setIPAddress(const std::string& value) { ipAddress_ = value; }
    const std::string& IPPort() const { return ipPort_; }
    void setIPPort(const std::string& value) { ipPort_ = value; }
    bool RevTelnetOptionEnabled() const { return revTelnetOptionEnabled_; }
    void setRevTelnetOptionEnabled(bool value) { revTelnetOptionEnabled_ = value; }

    const Automation::InterfaceTable* interfaceTable(std::string_view interfaceName) const override;

    // INetCommClient
    Automation::Ref<Tethra::NetCommWrapper> NetComm() override { return netComm_; }
    void setNetComm(const Automation::Ref<Tethra::NetCommWrapper>& value) override { netComm_ = value; }
    void Connected(int16_t&, std::string&) override {}
    void Receive() override;
    void DataIn(std::string&, bool&) override {}
    void Disconnected(int16_t&, std::string&) override {}
    void Error(int16_t&, std::string&) override {}
    void ReadyToSend() override {}

private:
    bool tcpHello();
    // Sends the text on a connection of its own and gathers the answer until
    // endMarker (never, when empty) or the probe's time-out; Nothing when the
    // printer cannot be reached.
    Automation::Ref<Brindle::FifoBuf> tcpCommand(const std::string& commandText, std::string_view endMarker);

    std::string sysStatus_;
    std::string printerName_;
    std::string ipAddress_;
    std::string ipPort_;
    bool revTelnetOptionEnabled_ = false;
    Automation::Ref<Tethra::NetCommWrapper> netComm_;
    Automation::Ref<Brindle::FifoBuf> received_;
};

} // namespace Seekwire
