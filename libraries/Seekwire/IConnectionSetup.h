#pragma once
// One saved way of reaching a printer, as the facade and the installation
// engine handle it: a COM port with its line settings, or a print server.
#include <string>

#include "Proptree/Properties.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Seekwire {

class IConnectionSetup {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F40}",
                                                     "Seekwire.IConnectionSetup",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F40}"};

    virtual ~IConnectionSetup() = default;

    virtual std::string Name() = 0;
    virtual void setName(const std::string& value) = 0;
    virtual std::string ObjectData() = 0;
    virtual void setObjectData(const std::string& value) = 0;
    virtual std::string Key() = 0;
    // A key is written once; a later write is ignored.
    virtual void setKey(const std::string& value) = 0;
    // The class name: "SerialConnectionSetup" or "NetConnectionSetup".
    virtual std::string ConnectionType() = 0;
    virtual Automation::Ref<Proptree::Properties> Properties() = 0;
};

} // namespace Seekwire
