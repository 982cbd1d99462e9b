// The Printer as a property list shows it.
#include "Brindle/Printer.h"
#include "automation/InterfaceTable.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

std::string softwareVersion(Printer& printer) {
    std::string text = printer.RubricVersionStr();
    for (size_t at; (at = text.find("  ")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

std::string hardwareVersion(Printer& printer) {
    if (!printer.Connection())
        Platform::ErrorTextProvider::RaiseLibraryError(116, "Printer:IPrinterProperties_HardwareVer Method");
    std::string text = printer.Command("PRINT VERSION$(2);\r");
    if (!text.empty())
        text = Automation::upperCase(text.substr(0, 1)) + text.substr(1);
    return text;
}

} // namespace

Automation::Ref<Proptree::Properties> Printer::Properties() {
    if (!properties_) {
        auto list = Automation::New<Proptree::Properties>();
        list->Refresh(self<Automation::Object>(), "IPrinterProperties");
        properties_ = list;
    }
    return properties_;
}

const Automation::InterfaceTable* Printer::interfaceTable(std::string_view interfaceName) const {
    static const Automation::InterfaceTable table =
        Automation::InterfaceBuilder<Printer>("_IPrinterProperties")
            .property("Name", [](Printer& p) { return p.GetModel(); })
            .property("SoftwareVer", [](Printer& p) { return softwareVersion(p); })
            .property("HardwareVer", [](Printer& p) { return hardwareVersion(p); })
            .property("McsID", [](Printer& p) { return p.GetMCSName(); })
            .build();
    return Automation::selectInterface(interfaceName, nullptr, {&table});
}

} // namespace Brindle
