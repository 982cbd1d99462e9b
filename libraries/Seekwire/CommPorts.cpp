#include "Seekwire/CommPorts.h"

#include <optional>

#include "errors/ErrorTextProvider.h"
#include "serial/ComPorts.h"

namespace Seekwire {

using Automation::Ref;

void CommPorts::Enumerate(int32_t FirstPort, int32_t LastPort,
                          const Ref<Tethra::SerCommWrapper>& CommPortUsedByMe) {
    std::optional<int32_t> used;
    if (CommPortUsedByMe)
        used = CommPortUsedByMe->CommPort();
    Clear();
    for (int32_t number = FirstPort; number <= LastPort; ++number) {
        if (used == number)
            add(number, true);
        else if (Platform::Serial::comPortAvailable(number))
            add(number, false);
    }
}

void CommPorts::add(int32_t number, bool usedByMe) {
    try {
        auto port = Automation::New<CommPort>();
        port->SetNumber(number);
        port->SetUsedByMe(usedByMe);
        if (number > 0)
            ports_.Add(port, port->Name());
    } catch (const Automation::Error&) {
        Platform::ErrorTextProvider::RaiseLibraryError(101, "CommPorts:Add Method");
    }
}

void CommPorts::Clear() {
    ports_.Clear();
}

Ref<CommPort> CommPorts::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return ports_.Item(vntIndexKey.toString());
    return ports_.Item(vntIndexKey.toLong());
}

} // namespace Seekwire
