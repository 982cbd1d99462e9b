#include "Tethra/PortSettings.h"

#include "Markwell/Doc.h"
#include "automation/Error.h"

namespace Tethra {

using Automation::Ref;
using Markwell::Doc;
using Markwell::DocNode;

std::string PortSettings::write(std::string_view className, const Proptree::Properties& list,
                                std::string_view rootName) {
    auto doc = Automation::New<Doc>();
    doc->Add({}, Markwell::iagChild, "Root", rootName);
    doc->Add("Root", Markwell::iagChild, std::string_view{}, "Type", Automation::Variant(className));
    doc->Add("Root", Markwell::iagChild, "Settings", "Settings");
    for (const Ref<Proptree::Property>& property : list)
        if (!property->NonBrowsable())
            doc->Add("Settings", Markwell::iagChild, property->Name(), property->Name(), property->Value());
    std::string text = doc->WriteXML(true, {});
    doc->Clear();
    return text;
}

void PortSettings::apply(std::string_view text, std::string_view className, const Proptree::Properties& list,
                         UnknownSetting unknown, std::string_view rootName) {
    auto doc = Automation::New<Doc>();
    doc->ReadXML(text);
    if (doc->SelectNodes(rootName)->Count() == 0)
        return;
    Ref<DocNode> type = doc->SelectNodes("Type")->Item(1)->FirstSibling();
    if (type->Value().toString() != className)
        return;
    Ref<DocNode> child = doc->SelectNodes("Settings")->Item(1)->Child();
    if (child.isNothing() && unknown == UnknownSetting::Stop)
        Automation::raiseObjectNotSet(); // nothing to start from
    for (; child; child = child->NextSibling()) {
        Ref<Proptree::Property> property;
        try {
            property = list.Item(child->Name());
        } catch (const Automation::Error&) {
            if (unknown == UnknownSetting::Stop)
                throw;
            continue;
        }
        if (unknown != UnknownSetting::SkipFailures) {
            property->setValue(child->Value());
            continue;
        }
        try {
            property->setValue(child->Value());
        } catch (const Automation::Error&) {
        }
    }
    doc->Clear();
}

} // namespace Tethra
