#include "Beaconet/Networks.h"

#include "Beaconet/modIPAddress.h"

namespace Beaconet {

namespace {

std::string indexKey(int32_t requestIndex) {
    return "Index" + std::to_string(requestIndex);
}

} // namespace

Networks::Networks() {
    byAddress_.setErrorSource("Beaconet");
    byIndex_.setErrorSource("Beaconet");
}

Automation::Ref<Network> Networks::Add(const std::string& IPAddress) {
    auto network = Automation::New<Network>();
    network->ipAddress_ = NormaliseNetworkAddress(IPAddress);
    network->requestIndex_ = lastRequestIndex_ + 1;
    // The address key is the one that can be taken; once it is in, the
    // fresh index key cannot fail, so the network is in both or in neither.
    byAddress_.Add(network, "IP" + IPAddress);
    byIndex_.Add(network, indexKey(network->requestIndex_));
    lastRequestIndex_ = network->requestIndex_;
    return network;
}

Automation::Ref<Network> Networks::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return byAddress_.Item(vntIndexKey.toString());
    return byAddress_.Item(vntIndexKey.toLong());
}

Automation::Ref<Network> Networks::GetNetworkByLong(int32_t lIP) const {
    const std::string key = "IP" + ConvertLongToIP(lIP);
    return byAddress_.Exists(key) ? byAddress_.Item(key) : nullptr;
}

void Networks::Remove(const Automation::Variant& vntIndexKey) {
    const std::string text = vntIndexKey.toString();
    Automation::Ref<Network> network;
    if (byAddress_.Exists("IP" + text)) {
        network = byAddress_.Item("IP" + text);
    } else {
        for (const auto& held : byAddress_)
            if (held->IPAddress() == text) {
                network = held;
                break;
            }
    }
    if (!network)
        return;
    byIndex_.Remove(indexKey(network->RequestIndex()));
    for (int32_t i = 1; i <= byAddress_.Count(); ++i)
        if (byAddress_.Item(i) == network) {
            byAddress_.Remove(i);
            return;
        }
}

std::string Networks::ConvertLongToIP(int32_t lngIP) const {
    return Beaconet::ConvertLongToIP(lngIP);
}

Automation::Ref<Network> Networks::ByRequestIndex(int32_t requestIndex) const {
    const std::string key = indexKey(requestIndex);
    return byIndex_.Exists(key) ? byIndex_.Item(key) : nullptr;
}

} // namespace Beaconet
