#pragma once
// The automatic connection as the rest of the system uses it: scans a COM
// port, every COM port or the network for printers, keeps the setups found
// and a history of the setups applied, applies a setup to the caller's
// Connection, and saves and restores its history, subnets and community as
// one text (ObjectData).
#include <cstdint>
#include <string>

#include "Gaugely/IProgressCallBack.h"
#include "Seekwire/ConnectionSetupCol.h"
#include "Seekwire/IConnectionSetup.h"
#include "Seekwire/NetAutoConnect.h"
#include "Seekwire/SerialAutoConnect.h"
#include "Tethra/Connection.h"
#include "automation/Collection.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Seekwire {

class AutoConnect : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F4B}",
                                                     "Seekwire.AutoConnect",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F4C}"};

    AutoConnect();
    ~AutoConnect() override;
    AutoConnect(const AutoConnect&) = delete;
    AutoConnect& operator=(const AutoConnect&) = delete;

    Automation::Collection<std::string>& Subnets() { return subnets_; }
    std::string ObjectData();
    // A text that cannot be read ends the reading where it failed, silently.
    void setObjectData(const std::string& value);
    Automation::Ref<Seekwire::ConnectionSetupCol> History() const { return history_; }
    // Writes the setup into the caller's Connection (left closed) and adds
    // it to the history unless an equal setup is there; a busy connection is
    // left alone.
    void MakeConnection(const Automation::Ref<IConnectionSetup>& Connectionsetup);
    bool IsRunning() const { return serial_ ? serial_->IsRunning() : false; }
    void Abort();
    Automation::Ref<Tethra::Connection> Connection() const { return connection_; }
    void setConnection(const Automation::Ref<Tethra::Connection>& value) { connection_ = value; }
    const std::string& Community() const { return community_; }
    void setCommunity(const std::string& value) { community_ = value; }
    void AddSubnet(const std::string& NewValue) { subnets_.Add(NewValue); }
    void ClearSubnets();
    void ScanAllConnection(const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    void ScanNetConnection(const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    // Scans every COM port that opens; AddNewPort for each.
    void ScanSerialConnections(const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    // The installation engine's entry: with empty Settings the whole sweep
    // on CommPort, else only that setting; the caller's connection is closed
    // meanwhile and opened again as it was. Nothing is kept or announced.
    Automation::Ref<IConnectionSetup>
    ScanSerialConnection(int32_t CommPort, const std::string& Settings,
                         const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    Automation::Ref<Seekwire::ConnectionSetupCol> ConnectionSetupCol() const { return found_; }

    Automation::Event<Automation::Ref<IConnectionSetup>&> AddNewPort;

private:
    Automation::Ref<SerialAutoConnect> GetSerialEngine();
    Automation::Ref<NetAutoConnect> GetNetEngine();
    // The serial engine, with the caller's connection closed (its open state
    // kept in savedOpen); 91 without a connection, 117 (source) when the
    // engine has none.
    Automation::Ref<SerialAutoConnect> startSerialScan(const char* source, bool& savedOpen);
    // Opens the caller's connection again as it was, when it has a port.
    void endSerialScan(bool savedOpen);
    void AddToHistory(const Automation::Ref<IConnectionSetup>& setup);
    void AddSetupPerPort();
    void ClearFound() { found_->Clear(); }
    void onNewPrinter(Automation::Ref<IConnectionSetup>& setup);

    Automation::Ref<Seekwire::ConnectionSetupCol> found_;
    Automation::Ref<Seekwire::ConnectionSetupCol> history_;
    Automation::Collection<std::string> subnets_;
    std::string community_ = NetAutoConnect::DefaultCommunity;
    Automation::Ref<Tethra::Connection> connection_;
    Automation::Ref<SerialAutoConnect> serial_;
    Automation::Ref<NetAutoConnect> moNetAutoConnect;
    Automation::EventConnection netEvents_;
    bool abort_ = false;
};

} // namespace Seekwire
