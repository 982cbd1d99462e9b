#pragma once
// What the serial and the network port share: the abort flag, the property
// list and the "Port" document made from it, the non-owning parent, and the
// ways a port reaches its Connection.
#include <string>

#include "Tethra/IPort.h"
#include "Tethra/PortSettings.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Tethra {

class PortBase : public Automation::Object, public IPort {
public:
    ~PortBase() override;

    bool Abort() override { return abort_; }
    void setAbort(bool value) override { abort_ = value; }
    std::string ObjectData() override;
    void setObjectData(const std::string& value) override;
    Automation::Ref<Proptree::Properties> Properties() override;
    Automation::Ref<Connection> Parent() override { return parent_.lock(); }
    void setParent(const Automation::Ref<Connection>& value) override { parent_ = value; }

protected:
    PortBase(std::string className, PortSettings::UnknownSetting unknownSetting)
        : className_(std::move(className)), unknownSetting_(unknownSetting) {}

    // Through the parent Connection, so that it reads Busy meanwhile; the
    // port's own pump when it has none.
    void pumpParent();
    void raiseAfterConnectionChanged();
    void raiseOnPortOpenChanged();
    void raiseOnReceive();
    // The member's source text: the class name, a colon and the member.
    std::string source(const char* member) const { return className_ + ":" + member; }

    bool abort_ = false;

private:
    std::string className_;
    PortSettings::UnknownSetting unknownSetting_;
    Automation::Ref<Proptree::Properties> properties_;
    Automation::WeakRef<Connection> parent_;
};

} // namespace Tethra
