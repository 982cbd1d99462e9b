#pragma once
// One print server found by a sweep: the values of its answer, read and
// written freely by the finder and its clients.
#include <cstdint>
#include <string>

#include "automation/Object.h"

namespace Beaconet {

class HBPrinter : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E01}",
                                                     "Beaconet.HBPrinter",
                                                     "{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E02}"};

    const std::string& Key() const { return key_; }
    void setKey(const std::string& value) { key_ = value; }
    int32_t SysStatus() const { return sysStatus_; }
    void setSysStatus(int32_t value) { sysStatus_ = value; }
    const std::string& Model() const { return model_; }
    void setModel(const std::string& value) { model_ = value; }
    const std::string& IPAddress() const { return ipAddress_; }
    void setIPAddress(const std::string& value) { ipAddress_ = value; }
    const std::string& IPPort() const { return ipPort_; }
    void setIPPort(const std::string& value) { ipPort_ = value; }
    const std::string& MCSVersion() const { return mcsVersion_; }
    void setMCSVersion(const std::string& value) { mcsVersion_ = value; }
    const std::string& PrinterName() const { return printerName_; }
    void setPrinterName(const std::string& value) { printerName_ = value; }
    const std::string& BelongToSubnet() const { return belongToSubnet_; }
    void setBelongToSubnet(const std::string& value) { belongToSubnet_ = value; }
    bool RevTelnetOptionEnabled() const { return revTelnetOptionEnabled_; }
    void setRevTelnetOptionEnabled(bool value) { revTelnetOptionEnabled_ = value; }

private:
    std::string key_;
    int32_t sysStatus_ = 0;
    std::string model_;
    std::string ipAddress_;
    std::string ipPort_;
    std::string mcsVersion_;
    std::string printerName_;
    std::string belongToSubnet_;
    bool revTelnetOptionEnabled_ = false;
};

} // namespace Beaconet
