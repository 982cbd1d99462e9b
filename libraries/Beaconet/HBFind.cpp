#include "Beaconet/HBFind.h"

#include <array>
#include <string_view>

#include "Beaconet/modIPAddress.h"
#include "automation/Runtime.h"
#include "messages/ModalBox.h"

namespace Beaconet {

namespace {

using Automation::Ref;
using Automation::Variant;

constexpr int32_t PhaseIdle = 0;
constexpr int32_t PhaseDescription = 1;
constexpr int32_t PhaseFull = 2;
constexpr int32_t PhaseTimeOut = 10;

// Payload room for the answers of 200 print servers that arrive while a
// batch waits without pumping.
constexpr int32_t ReceiveBufferSize = 65536;

constexpr const char* InterfaceDescriptionId = "1.3.6.1.2.1.2.2.1.2.1";
constexpr const char* ReverseTelnetId = "1.3.6.1.4.1.1963.20.5.2.3.2.18.0";

// Bindings 2 onward of the two request layouts.
constexpr std::array<const char*, 6> LayoutAIds{"1.3.6.1.4.1.1963.20.5.2.3.2.601.0",
                                                "1.3.6.1.4.1.1963.20.10.5.3.0",
                                                "1.3.6.1.4.1.1963.20.10.5.4.0",
                                                "1.3.6.1.4.1.1963.20.5.2.3.10.901.0",
                                                ReverseTelnetId,
                                                "1.3.6.1.4.1.1963.20.10.5.6.0"};
constexpr std::array<const char*, 5> LayoutBIds{
    "1.3.6.1.4.1.1963.20.10.30.10.5.1.3.0", "1.3.6.1.4.1.1963.20.10.5.3.0", "1.3.6.1.4.1.1963.20.10.5.4.0",
    "1.3.6.1.4.1.1963.20.10.5.10.0", "1.3.6.1.4.1.1963.20.10.5.6.0"};
constexpr int16_t LayoutABindings = 7;
constexpr int16_t LayoutBBindings = 6;

// The models in the order they are tried; the first whose text the
// description holds decides.
struct Model {
    std::string_view text;
    int16_t bindings;
};
constexpr std::array<Model, 4> Models{{{"hublet k1 ethernet", LayoutABindings},
                                       {"hublet k1x ethernet", LayoutBBindings},
                                       {"hublet n3 ethernet", LayoutBBindings},
                                       {"hublet airlink2", LayoutBBindings}}};

// GetValue's identifiers by enumObjID.
constexpr std::array<const char*, 5> ValueIds{
    "1.3.6.1.4.1.1963.20.15.15.11.1.0", "1.3.6.1.4.1.1963.20.15.10.1.2.0", "1.3.6.1.4.1.1963.20.15.15.1.0",
    "1.3.6.1.4.1.1963.20.15.15.11.3.0", "1.3.6.1.4.1.1963.20.10.5.6.0"};

} // namespace

HBFind::HBFind()
    : snmp_(Automation::New<Trapline::SNMP>()),
      timer_(Automation::New<Tickard::TimerEvent>(Tickard::OrphanTicks::Ignore)) {
    responseConnection_ = snmp_->GetResponse.connect(
        [this](int32_t requestId, std::string community, int16_t errorStatus, int16_t, std::string source,
               int32_t) { onGetResponse(requestId, community, errorStatus, source); });
    trapConnection_ = snmp_->Trap.connect([this](std::string community, std::string enterprise,
                                                 std::string agent, int16_t generic, int32_t specific,
                                                 int64_t timeStamp, std::string source, int32_t sourcePort) {
        auto client = client_.lock();
        if (raiseTrapEvent_ && client)
            client->SNMPTrap(community, enterprise, agent, generic, specific, timeStamp, source, sourcePort);
    });
    tickConnection_ = timer_->Timer.connect([this] { onTick(); });
}

HBFind::~HBFind() = default;

Ref<Beaconet::Networks> HBFind::Networks() {
    if (!networks_)
        networks_ = Automation::New<Beaconet::Networks>();
    return networks_;
}

Ref<HBPrinters> HBFind::foundList() {
    if (!found_)
        found_ = Automation::New<HBPrinters>();
    return found_;
}

// --- the sweep ---------------------------------------------------------------

void HBFind::GetPrinters(int32_t lTimeOut, const Ref<INotify>& oNotify) {
    if (phase_ > PhaseIdle) {
        timer_->setEnabled(false);
        phase_ = PhaseIdle;
    }
    networkIndex_ = 1;
    if (Networks()->Count() == 0)
        Automation::raise(9999, "kvrHBFind:GetPrinters", "No networks defined");
    timeOut_ = lTimeOut;
    client_ = oNotify;
    found_.reset();
    phase_ = PhaseDescription;
    timer_->setInterval(500);
    timer_->setEnabled(true);
    try {
        snmp_->setInBufferSize(ReceiveBufferSize);
    } catch (const Automation::Error& error) {
        showError(error);
    }
}

void HBFind::onTick() {
    // The client may release the finder from inside a report.
    auto keep = weak_from_this().lock();
    if (phase_ == PhaseDescription || phase_ == PhaseFull)
        requestBatch();
    else if (phase_ == PhaseTimeOut)
        waitForTimeOut();
}

void HBFind::requestBatch() {
    try {
        const int16_t bindings =
            phase_ == PhaseDescription ? int16_t(1) : (step_ == 1 ? LayoutABindings : LayoutBBindings);
        if (networkIndex_ > Networks()->Count()) {
            phase_ = PhaseTimeOut;
            return;
        }
        stopwatch_ = Automation::New<Tickard::Timer>();
        if (!snmp_->Active())
            snmp_->setActive(true);
        stopwatch_->Wait(100, false);
        snmp_->setObjCount(bindings);
        snmp_->setObjId(1, InterfaceDescriptionId);
        if (phase_ == PhaseFull)
            for (int16_t i = 2; i <= bindings; ++i)
                snmp_->setObjId(i, bindings == LayoutABindings ? LayoutAIds[i - 2] : LayoutBIds[i - 2]);
        snmp_->setCommunity(community_);
        const auto network = networks_->Item(Variant(networkIndex_));
        snmp_->setRemoteHost(network->IPAddress());
        snmp_->setRequestId(network->RequestIndex());
        snmp_->setAction(Trapline::a_SendGetRequest);
        // Restarts the stopwatch too: the time-out counts from the last request.
        stopwatch_->Wait(100, false);
        timer_->setEnabled(false);
        timer_->setInterval(300);
        timer_->setEnabled(true);
    } catch (const Automation::Error& error) {
        // Stop first: a box that pumps would otherwise see the next tick open another.
        if (timer_)
            timer_->setEnabled(false);
        stopwatch_.reset();
        phase_ = PhaseIdle;
        showError(error);
        return;
    }
    if (step_ == 1) {
        step_ = 2;
    } else {
        step_ = 1;
        if (phase_ == PhaseDescription) {
            phase_ = PhaseFull;
        } else {
            phase_ = PhaseDescription;
            ++networkIndex_;
        }
    }
}

void HBFind::waitForTimeOut() {
    // Without a batch of this sweep there is nothing to wait for.
    const int64_t elapsed = stopwatch_ ? stopwatch_->Elapsed() : timeOut_;
    if (timeOut_ - elapsed < 1) {
        // The sweep ends before the client hears of it, so that neither a
        // client's error nor a new sweep started from the report is undone.
        timer_->setEnabled(false);
        phase_ = PhaseIdle;
        auto list = foundList();
        if (auto client = client_.lock()) {
            try {
                client->PrinterFound(list->Count(), list);
            } catch (const Automation::Error&) {
            }
        }
        return;
    }
    if (auto client = client_.lock()) {
        try {
            client->Progress(Automation::toLong(static_cast<double>(elapsed) / timeOut_ * 100));
        } catch (const Automation::Error&) {
        }
    }
}

void HBFind::showError(const Automation::Error& error) {
    Platform::ShowModalBox("Error " + std::to_string(error.Number()) + " " + error.Description(),
                           "Error in  Beaconet");
}

// --- answers -------------------------------------------------------------------

void HBFind::onGetResponse(int32_t requestId, const std::string& community, int16_t errorStatus,
                           const std::string& sourceAddress) {
    auto keep = weak_from_this().lock();
    // A response that cannot be read ends here; the control is not told.
    try {
        if (requestId == 0)
            return;
        if (reverseTelnetPending_ && requestId == ReverseTelnetRequestId &&
            sourceAddress == reverseTelnetAddress_) {
            reverseTelnetPending_ = false;
            const int32_t mode = Variant(snmp_->ObjValue(1)).toLong();
            if (auto client = client_.lock())
                client->RevTelnetOptChanged(sourceAddress, mode, errorStatus > 0);
            return;
        }
        const int16_t count = snmp_->ObjCount();
        if (!(count == LayoutABindings || count == LayoutBBindings || requestId == ValueRequestId))
            return;
        if (community != community_)
            return;
        if (requestId == ValueRequestId && count == 1 && !valueAddress_.empty() &&
            sourceAddress == valueAddress_ && snmp_->ObjId(1) == valueObjectId_) {
            valueAnswer_ = snmp_->ObjValue(1);
            valueArrived_ = true;
        }
        takeServer(requestId, sourceAddress);
    } catch (const Automation::Error&) {
    }
}

void HBFind::takeServer(int32_t requestId, const std::string& sourceAddress) {
    const int16_t count = snmp_->ObjCount();
    const std::string description = Automation::lowerCase(snmp_->ObjValue(1));
    int16_t layout = 0;
    for (const Model& model : Models)
        if (description.find(model.text) != std::string::npos) {
            layout = model.bindings;
            break;
        }
    if (layout == 0 || count != layout)
        return;

    // Every value is read before the entry is touched, so that an answer that
    // cannot be read leaves no entry the client never heard of.
    const std::string port = snmp_->ObjValue(2);
    const std::string version = snmp_->ObjValue(3);
    const std::string model = snmp_->ObjValue(4);
    const std::string name = snmp_->ObjValue(5);
    bool reverseTelnet = false;
    int32_t status = 0;
    if (layout == LayoutABindings) {
        reverseTelnet = Variant(snmp_->ObjValue(6)).toDouble() != 1;
        status = Variant(snmp_->ObjValue(7)).toLong();
    } else {
        status = Variant(snmp_->ObjValue(6)).toLong();
    }
    const auto network = Networks()->ByRequestIndex(requestId);
    const std::string subnet = network ? network->IPAddress() : std::string();

    auto entry = foundList()->Add(sourceAddress, sourceAddress);
    entry->setIPPort(port);
    entry->setMCSVersion(version);
    entry->setModel(model);
    entry->setPrinterName(name);
    entry->setBelongToSubnet(subnet);
    entry->setRevTelnetOptionEnabled(reverseTelnet);
    entry->setSysStatus(status);
    if (auto client = client_.lock())
        client->NewPrinter(entry);
}

// --- single values and reverse telnet ------------------------------------------

Variant HBFind::GetValue(const std::string& sIPAddress, int32_t ObjID, int32_t Timeout) {
    auto keep = weak_from_this().lock();
    auto snmp = snmp_;
    try {
        snmp->setAction(Trapline::a_Reset);
        auto stopwatch = Automation::New<Tickard::Timer>();
        snmp->setObjCount(1);
        if (ObjID >= 1 && ObjID <= static_cast<int32_t>(ValueIds.size()))
            snmp->setObjId(1, ValueIds[static_cast<size_t>(ObjID - 1)]);
        snmp->setRemoteHost(sIPAddress);
        snmp->setRequestId(ValueRequestId);
        // The answer is taken only with the finder's community, so the request carries it.
        snmp->setCommunity(community_);
        valueAddress_ = snmp->RemoteHost();
        valueObjectId_ = snmp->ObjId(1);
        snmp->setAction(Trapline::a_SendGetRequest);
        stopwatch->Reset();
        while (stopwatch->Elapsed() < Timeout && !valueArrived_)
            snmp->DoEvents();
    } catch (const Automation::Error&) {
        valueArrived_ = false;
        valueAnswer_ = std::string();
        valueAddress_.clear();
        throw;
    }
    valueArrived_ = false;
    valueAddress_.clear();
    return std::exchange(valueAnswer_, Variant(std::string()));
}

void HBFind::ChangeReverseTelnet(const std::string& IPAddress, int32_t Mode,
                                 const std::string& sWriteCommunity) {
    snmp_->setCommunity(sWriteCommunity);
    snmp_->setRemoteHost(IPAddress);
    snmp_->setObjCount(1);
    snmp_->setObjId(1, ReverseTelnetId);
    snmp_->setObjType(1, Trapline::ot_Integer);
    snmp_->setObjValue(1, std::to_string(Mode));
    // An id of its own, so that no sweep or value answer is taken for the change's.
    snmp_->setRequestId(ReverseTelnetRequestId);
    reverseTelnetAddress_ = snmp_->RemoteHost();
    reverseTelnetPending_ = true;
    try {
        snmp_->setAction(Trapline::a_SendSetRequest);
    } catch (const Automation::Error&) {
        reverseTelnetPending_ = false;
        throw;
    }
}

// --- the control -----------------------------------------------------------------

int32_t HBFind::LocalPort() const {
    return snmp_->LocalPort();
}

void HBFind::setLocalPort(int32_t value) {
    if (snmp_->Active()) {
        snmp_->setActive(false);
        snmp_->setLocalPort(value);
        snmp_->setActive(true);
    } else {
        snmp_->setLocalPort(value);
    }
}

bool HBFind::Active() const {
    return snmp_->Active();
}

void HBFind::setActive(bool value) {
    snmp_->setActive(value);
}

int32_t HBFind::ConvertIPToLong(const std::string& sIPAddress) const {
    return Beaconet::ConvertIPToLong(sIPAddress);
}

std::string HBFind::ConvertLongToIP(int32_t lngIP) const {
    return Beaconet::ConvertLongToIP(lngIP);
}

void HBFind::TearDown() {
    if (timer_)
        timer_->setEnabled(false);
    phase_ = PhaseIdle;
    tickConnection_.disconnect();
    responseConnection_.disconnect();
    trapConnection_.disconnect();
    timer_.reset();
    snmp_.reset();
    stopwatch_.reset();
    found_.reset();
    client_.reset();
}

} // namespace Beaconet
