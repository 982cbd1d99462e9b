#pragma once
// A COM port with the line settings at which a printer answered there.
#include <cstdint>
#include <string_view>

#include "Seekwire/ConnectionSetup.h"

namespace Seekwire {

class SerialConnectionSetup : public ConnectionSetup {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F41}",
                                                     "Seekwire.SerialConnectionSetup",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F42}"};

    SerialConnectionSetup() : ConnectionSetup("SerialConnectionSetup", "SerConnection") {}

    int32_t CommPort() const { return commPort_; }
    void setCommPort(int32_t value) { commPort_ = value; }
    int32_t Baudrate() const { return baudrate_; }
    void setBaudrate(int32_t value) { baudrate_ = value; }
    int32_t Parity() const { return parity_; }
    void setParity(int32_t value) { parity_ = value; }
    int32_t Databits() const { return databits_; }
    void setDatabits(int32_t value) { databits_ = value; }
    int32_t Stopbits() const { return stopbits_; }
    void setStopbits(int32_t value) { stopbits_ = value; }
    int32_t Handshake() const { return handshake_; }
    void setHandshake(int32_t value) { handshake_ = value; }

    const Automation::InterfaceTable* interfaceTable(std::string_view interfaceName) const override;

private:
    int32_t commPort_ = 0;
    int32_t baudrate_ = 0;
    int32_t parity_ = 0;
    int32_t databits_ = 0;
    int32_t stopbits_ = 0;
    int32_t handshake_ = 0;
};

} // namespace Seekwire
