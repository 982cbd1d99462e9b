#pragma once
// The one interface through which a Connection drives its port, whatever the
// medium.
#include <string>

#include "Gaugely/Progress.h"
#include "Proptree/Properties.h"
#include "automation/Object.h"
#include "automation/Ref.h"
#include "automation/Variant.h"

namespace Tethra {

class Connection;

class IPort {
public:
    static constexpr Automation::ClassInfo classInfo{"{3A0F6B52-8E21-4C4D-9B1E-6F0D2C7A5E41}", "Tethra.IPort",
                                                     "{3A0F6B52-8E21-4C4D-9B1E-6F0D2C7A5E41}"};

    virtual ~IPort() = default;

    virtual std::string ConnectString() = 0;
    // Opening an open port or closing a closed one changes nothing.
    virtual bool PortOpen() = 0;
    virtual void setPortOpen(bool value) = 0;
    // Hands over what was received and empties the port's input.
    virtual Automation::ByteArray Received() = 0;
    virtual bool Abort() = 0;
    virtual void setAbort(bool value) = 0;
    virtual std::string ObjectData() = 0;
    virtual void setObjectData(const std::string& value) = 0;
    virtual Automation::Ref<Proptree::Properties> Properties() = 0;
    // The owning Connection, held without keeping it alive.
    virtual Automation::Ref<Connection> Parent() = 0;
    virtual void setParent(const Automation::Ref<Connection>& value) = 0;
    // Takes the port off its wrapper (closing the link first where needed).
    virtual void Destroy() = 0;
    virtual void Send(const std::string& Expression,
                      const Automation::Ref<Gaugely::Progress>& Progress = nullptr) = 0;
    virtual void ProcessEvents() = 0;
};

} // namespace Tethra
