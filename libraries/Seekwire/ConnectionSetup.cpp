#include "Seekwire/ConnectionSetup.h"

#include "Tethra/PortSettings.h"
#include "errors/ErrorTextProvider.h"

namespace Seekwire {

using Platform::ErrorTextProvider;
using Tethra::PortSettings;

namespace {

constexpr std::string_view RootName = "Connection";

} // namespace

Automation::Ref<Proptree::Properties> ConnectionSetup::Properties() {
    auto list = Automation::New<Proptree::Properties>();
    if (list->Count() == 0)
        list->Refresh(self<Automation::Object>(), {});
    return list;
}

std::string ConnectionSetup::ObjectData() {
    try {
        return PortSettings::write(className_, *Properties(), RootName);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, sourcePrefix_ + ":ObjectData Property Get");
    }
}

void ConnectionSetup::setObjectData(const std::string& value) {
    try {
        PortSettings::apply(value, className_, *Properties(), PortSettings::UnknownSetting::SkipFailures,
                            RootName);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, sourcePrefix_ + ":ObjectData Property Let");
    }
}

} // namespace Seekwire
