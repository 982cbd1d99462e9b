#pragma once
// The link to one printer: it owns one port at a time, chosen by PortType,
// and adds an open count, a busy guard, sending with progress, reading of
// received data, a wait that pumps, and the saved settings of every port
// type it has used (ObjectData).
#include <cstdint>
#include <string>

#include "Gaugely/Progress.h"
#include "Proptree/Properties.h"
#include "Tethra/ConnectionSettings.h"
#include "Tethra/IPort.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Tethra {

class Connection : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{B7E3D2A1-4C58-4F69-9A0B-1D2E3F405162}",
                                                     "Tethra.Connection",
                                                     "{C8F4E3B2-5D69-4A7A-8B1C-2E3F40516273}"};

    Connection();
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The port object (SerPort, NetPort), or Nothing.
    Automation::Ref<Automation::Object> PortObject() const { return port_; }
    Automation::Ref<Proptree::Properties> Properties();
    Automation::ByteArray ReceiveB();
    // The received bytes as text; the empty text on any failure.
    std::string Receive();
    // Pumps the port's events; Busy is True meanwhile.
    void ProcessEvents();
    // Lasts until more than lWaitForMilliSecs have passed, at least one pass;
    // with AllowEvents the port's events are pumped meanwhile.
    void Wait(const int32_t& lWaitForMilliSecs, bool AllowEvents = false);

    std::string ObjectData();
    void setObjectData(const std::string& value);

    // 0 none, 1 serial, 2 network (enumPortTypes).
    int32_t PortType() const;
    void setPortType(const int32_t& NewValue);

    Automation::Variant Tag() const { return tag_; }
    void setTag(const Automation::Variant& value) { tag_ = value; }

    std::string ConnectString();
    bool PortOpen();
    // Counted: the first opener opens the port, the last closer closes it.
    void setPortOpen(bool value);
    bool Busy() const { return busy_; }
    void Send(const std::string& Expression, const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    Automation::Variant ClassDebugID() const { return Automation::Variant(instanceId_); }

    Automation::Event<bool&> OnPortOpenChanged;
    Automation::Event<Automation::Ref<Connection>, bool&> BeforeConnectionDestroy;
    Automation::Event<Automation::Ref<Connection>> AfterConnectionChanged;
    Automation::Event<Automation::Ref<Connection>> OnFirstTimeOpen;
    Automation::Event<> OnReceive;

    // For the ports of this library, through their Parent.
    // Not raised while the connection switches ports.
    void RaiseAfterConnectionChanged();
    // Raised with the port's PortOpen at this moment.
    void RaiseOnPortOpenChanged();
    void RaiseOnReceive();

    // The class name that ObjectData uses for a port object ("Nothing" without one).
    static std::string portClassName(const Automation::Ref<Automation::Object>& port);

private:
    void switchPort(int32_t type);

    int32_t instanceId_;
    Automation::Variant tag_;
    int32_t openCount_ = 0;
    bool firstOpen_ = false;
    bool busy_ = false;
    bool switching_ = false;
    Automation::Ref<Automation::Object> port_;
    Automation::Ref<IPort> iport_;
    ConnectionSettings settings_;
};

} // namespace Tethra
