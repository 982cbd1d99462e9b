#pragma once
// What both kinds of setup share: the name, the key written once, the
// property list of the own interface and the "Connection" document made from
// it (ObjectData).
#include <cstdint>
#include <string>

#include "Seekwire/IConnectionSetup.h"
#include "automation/Object.h"

namespace Seekwire {

class ConnectionSetup : public Automation::Object, public IConnectionSetup {
public:
    std::string Name() override { return name_; }
    void setName(const std::string& value) override { name_ = value; }
    std::string ObjectData() override;
    // A text of another setup class, or without a "Connection", changes
    // nothing; settings the setup does not know or refuses are passed over.
    void setObjectData(const std::string& value) override;
    std::string Key() override { return key_; }
    void setKey(const std::string& value) override {
        if (key_.empty())
            key_ = value;
    }
    std::string ConnectionType() override { return className_; }
    // A new list each time, filled from the setup's own interface.
    Automation::Ref<Proptree::Properties> Properties() override;

    // Overwrites the key, for the engines of this library.
    void SetKey(const std::string& value) { key_ = value; }

    // Properties both kinds have: the printer's standard channel, the line
    // break kind and a timing (both only stored), and whether the printer
    // answered in immediate mode.
    int32_t StdIO() const { return stdio_; }
    void setStdIO(int32_t value) { stdio_ = value; }
    int32_t LinebreakType() const { return linebreakType_; }
    void setLinebreakType(int32_t value) { linebreakType_ = value; }
    int32_t Timing() const { return timing_; }
    void setTiming(int32_t value) { timing_ = value; }
    bool ImmediateMode() const { return immediateMode_; }
    void setImmediateMode(bool value) { immediateMode_ = value; }

protected:
    // sourcePrefix names the class in error sources ("SerConnection").
    ConnectionSetup(std::string className, std::string sourcePrefix)
        : className_(std::move(className)), sourcePrefix_(std::move(sourcePrefix)) {}

private:
    std::string className_;
    std::string sourcePrefix_;
    std::string name_;
    std::string key_;

protected:
    int32_t stdio_ = 0;
    int32_t linebreakType_ = 0;
    int32_t timing_ = 0;
    bool immediateMode_ = false;
};

} // namespace Seekwire
