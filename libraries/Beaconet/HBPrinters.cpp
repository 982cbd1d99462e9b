#include "Beaconet/HBPrinters.h"

namespace Beaconet {

HBPrinters::HBPrinters() {
    entries_.setErrorSource("Beaconet");
}

Automation::Ref<HBPrinter> HBPrinters::AddPrinterObject(const Automation::Ref<HBPrinter>& objPrinter) {
    const std::string key = objPrinter->IPAddress();
    if (entries_.Exists(key))
        entries_.Remove(key);
    entries_.Add(objPrinter, key);
    return objPrinter;
}

Automation::Ref<HBPrinter> HBPrinters::Add(const std::string& Key, const std::string& IPAddress) {
    Automation::Ref<HBPrinter> entry;
    if (entries_.Exists(Key)) {
        entry = entries_.Item(Key);
    } else {
        entry = Automation::New<HBPrinter>();
        entries_.Add(entry, Key);
    }
    entry->setKey(Key);
    entry->setIPAddress(IPAddress);
    return entry;
}

Automation::Ref<HBPrinter> HBPrinters::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return entries_.Item(vntIndexKey.toString());
    return entries_.Item(vntIndexKey.toLong());
}

void HBPrinters::Remove(const Automation::Variant& vntIndexKey) {
    if (vntIndexKey.isString())
        entries_.Remove(vntIndexKey.toString());
    else
        entries_.Remove(vntIndexKey.toLong());
}

} // namespace Beaconet
