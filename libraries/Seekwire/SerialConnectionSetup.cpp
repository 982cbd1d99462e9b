#include "Seekwire/SerialConnectionSetup.h"

#include "automation/InterfaceTable.h"

namespace Seekwire {

const Automation::InterfaceTable*
SerialConnectionSetup::interfaceTable(std::string_view interfaceName) const {
    using S = SerialConnectionSetup;
    static const Automation::InterfaceTable table =
        Automation::InterfaceBuilder<S>("_SerialConnectionSetup")
            .property("CommPort", &S::CommPort, &S::setCommPort)
            .property("Baudrate", &S::Baudrate, &S::setBaudrate)
            .property("Parity", &S::Parity, &S::setParity)
            .property("Databits", &S::Databits, &S::setDatabits)
            .property("Stopbits", &S::Stopbits, &S::setStopbits)
            .property("Handshake", &S::Handshake, &S::setHandshake)
            .property("StdIO", &S::StdIO, &S::setStdIO)
            .property("LinebreakType", &S::LinebreakType, &S::setLinebreakType)
            .property("Timing", &S::Timing, &S::setTiming)
            .property("ImmediateMode", &S::ImmediateMode, &S::setImmediateMode)
            // The key names the setup in its collection, not a setting to save.
            .property("Key", [](S& setup) { return setup.Key(); }, {.nonBrowsable = true})
            .build();
    return Automation::selectInterface(interfaceName, &table);
}

} // namespace Seekwire
