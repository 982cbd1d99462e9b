#include "Beaconet/Network.h"

#include "Beaconet/modIPAddress.h"

namespace Beaconet {

int32_t Network::GetIPAsLong() const {
    return ConvertIPToLong(ipAddress_);
}

} // namespace Beaconet
