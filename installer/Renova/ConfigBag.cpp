#include "Renova/ConfigBag.h"

namespace Renova {

Automation::Ref<NetworkPrinter> ConfigBag::CreateNetworkPrinter(const std::string& IPAddress,
                                                                int32_t Port) const {
    auto printer = Automation::New<NetworkPrinter>();
    printer->setIPAddress(IPAddress);
    printer->setIPPort(Port);
    return printer;
}

Automation::Ref<SerialPrinter> ConfigBag::CreateSerialPrinter(int16_t CommPort) const {
    auto printer = Automation::New<SerialPrinter>();
    printer->setPort(CommPort);
    return printer;
}

} // namespace Renova
