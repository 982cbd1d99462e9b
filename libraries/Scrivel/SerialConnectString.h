#pragma once
// Serial port settings to try on a printer: baud rate, parity code, data
// bits and stop bits, also as one text "9600,1,8,1".
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/Object.h"

namespace Scrivel {

class SerialConnectString : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{5D8B2F04-9A61-4C37-8E15-B0F7C3A6D289}",
                                                     "Scrivel.SerialConnectString",
                                                     "{A0C63E95-1F48-4B72-9D06-E57B2C8F4A13}"};

    const std::string& Key() const { return key_; }
    void setKey(std::string value) { key_ = std::move(value); }
    int32_t BaudRate() const { return baudRate_; }
    void setBaudRate(int32_t value) { baudRate_ = value; }
    int32_t Parity() const { return parity_; }
    void setParity(int32_t value) { parity_ = value; }
    int32_t DataBits() const { return dataBits_; }
    void setDataBits(int32_t value) { dataBits_ = value; }
    int32_t StopBits() const { return stopBits_; }
    void setStopBits(int32_t value) { stopBits_ = value; }
    bool HardwareHandshake() const { return hardwareHandshake_; }
    void setHardwareHandshake(bool value) { hardwareHandshake_ = value; }
    bool SoftwareHandshake() const { return softwareHandshake_; }
    void setSoftwareHandshake(bool value) { softwareHandshake_ = value; }

    std::string Connectstring() const;
    // Fewer than four fields raise 9999 and change nothing; a field that is
    // no number raises 13, the fields before it keeping their new values.
    void setConnectstring(std::string_view value);

private:
    std::string key_;
    int32_t baudRate_ = 0;
    int32_t parity_ = 0;
    int32_t dataBits_ = 0;
    int32_t stopBits_ = 0;
    bool hardwareHandshake_ = false;
    bool softwareHandshake_ = false;
};

} // namespace Scrivel
