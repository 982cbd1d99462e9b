#pragma once
// HBFind finds Hublet print servers: a periodic timer sends SNMP get requests
// to each network of the list in turn, recognises print servers by the
// interface description they answer with, and reports each one to the
// client at once and the whole list when the time-out has passed. Beside the
// sweep it reads single values of a server, switches a server's reverse
// telnet and forwards received traps.
#include <cstdint>
#include <string>

#include "Beaconet/BeaconetEnums.h"
#include "Beaconet/HBPrinters.h"
#include "Beaconet/INotify.h"
#include "Beaconet/Networks.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"
#include "Trapline/SNMP.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Beaconet {

class HBFind : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E09}",
                                                     "Beaconet.HBFind",
                                                     "{9F1C2A41-6B2E-4C1D-8E57-3A0B5D7C1E0A}"};
    // The request-id of a GetValue request.
    static constexpr int32_t ValueRequestId = 9898;
    // The request-id of a reverse-telnet change: never a network's request
    // index (those are positive) nor the GetValue id.
    static constexpr int32_t ReverseTelnetRequestId = -1;

    HBFind();
    ~HBFind() override;
    HBFind(const HBFind&) = delete;
    HBFind& operator=(const HBFind&) = delete;

    // Made on first read.
    Automation::Ref<Beaconet::Networks> Networks();
    const std::string& Community() const { return community_; }
    void setCommunity(const std::string& value) { community_ = value; }
    const std::string& WriteCommunity() const { return writeCommunity_; }
    void setWriteCommunity(const std::string& value) { writeCommunity_ = value; }
    bool RaiseTrapEvent() const { return raiseTrapEvent_; }
    void setRaiseTrapEvent(bool value) { raiseTrapEvent_ = value; }

    // Starts a sweep of every network; the time-out counts from the last
    // request. Raises 9999 when there is no network, after stopping a sweep
    // that runs. The client is held weakly: it must outlive the sweep.
    void GetPrinters(int32_t lTimeOut, const Automation::Ref<INotify>& oNotify);
    // Reads one value (enumObjID) of the server at sIPAddress, waiting up to
    // Timeout ms while the thread pumps. Without an answer: Empty on the
    // first call of a finder, "" later.
    Automation::Variant GetValue(const std::string& sIPAddress, int32_t ObjID, int32_t Timeout);
    // Asks the server to switch reverse telnet to Mode (enumRevTelnet); the
    // answer arrives as INotify.RevTelnetOptChanged.
    void ChangeReverseTelnet(const std::string& IPAddress, int32_t Mode, const std::string& sWriteCommunity);

    // The SNMP control's local port; set while active, it rebinds.
    int32_t LocalPort() const;
    void setLocalPort(int32_t value);
    bool Active() const;
    void setActive(bool value);

    int32_t ConvertIPToLong(const std::string& sIPAddress) const;
    std::string ConvertLongToIP(int32_t lngIP) const;

    // Stops everything and releases the controls, the found list and the client.
    void TearDown();

private:
    void onTick();
    void requestBatch();
    void waitForTimeOut();
    void onGetResponse(int32_t requestId, const std::string& community, int16_t errorStatus,
                       const std::string& sourceAddress);
    void takeServer(int32_t requestId, const std::string& sourceAddress);
    void showError(const Automation::Error& error);
    Automation::Ref<HBPrinters> foundList();

    Automation::Ref<Trapline::SNMP> snmp_;
    Automation::Ref<Tickard::TimerEvent> timer_;
    Automation::EventConnection responseConnection_;
    Automation::EventConnection trapConnection_;
    Automation::EventConnection tickConnection_;
    Automation::Ref<Tickard::Timer> stopwatch_;
    Automation::Ref<Beaconet::Networks> networks_;
    Automation::Ref<HBPrinters> found_;
    Automation::WeakRef<INotify> client_;

    std::string community_;
    std::string writeCommunity_;
    bool raiseTrapEvent_ = false;
    int32_t timeOut_ = 0;
    int32_t phase_ = 0;
    int32_t step_ = 0;
    int32_t networkIndex_ = 0;

    // The reverse-telnet change that waits for its answer.
    bool reverseTelnetPending_ = false;
    std::string reverseTelnetAddress_;

    // The GetValue call that waits for its answer.
    std::string valueAddress_;
    std::string valueObjectId_;
    Automation::Variant valueAnswer_;
    bool valueArrived_ = false;
};

} // namespace Beaconet
