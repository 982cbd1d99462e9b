#pragma once
// The answer for a printer on a serial port: the line settings to try and
// the break string, its control-character tokens expanded as on the network.
#include <cstdint>
#include <string>
#include <string_view>

#include "KestrupExe/IBreakString.h"

namespace Kestrup {

class SerialBreakString : public IBreakString {
public:
    int32_t BreakStringType() const override { return BST_Serial; }

    int32_t Baudrate() const { return baudrate_; }
    void setBaudrate(int32_t value) { baudrate_ = value; }
    // 1 None, 2 Even, 3 Odd, 4 Mark, 5 Space.
    int32_t Parity() const { return parity_; }
    void setParity(int32_t value) { parity_ = value; }
    int32_t Databits() const { return databits_; }
    void setDatabits(int32_t value) { databits_ = value; }
    int32_t Stopbits() const { return stopbits_; }
    void setStopbits(int32_t value) { stopbits_ = value; }
    bool HardwareHandshake() const { return hardwareHandshake_; }
    void setHardwareHandshake(bool value) { hardwareHandshake_ = value; }
    bool SoftwareHandshake() const { return softwareHandshake_; }
    void setSoftwareHandshake(bool value) { softwareHandshake_ = value; }
    const std::string& getBreakString() const { return breakString_; }
    void setBreakString(std::string value) { breakString_ = std::move(value); }

    // "Baudrate,Parity,Databits,Stopbits" in decimal.
    std::string Connectstring() const;
    // Raises 9999 "ConnectString not valid" for fewer than four parts and the
    // conversion's error for a part that is no number; either changes nothing.
    void setConnectstring(std::string_view value);

private:
    int32_t baudrate_ = 0;
    int32_t parity_ = 0;
    int32_t databits_ = 0;
    int32_t stopbits_ = 0;
    bool hardwareHandshake_ = false;
    bool softwareHandshake_ = false;
    std::string breakString_;
};

} // namespace Kestrup
