#include "Tethra/ConnectionSettings.h"

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Tethra {

using Automation::Ref;
using Markwell::Doc;
using Markwell::DocNode;

namespace {

// A "Port" child whose first child is a "Type" naming the class.
bool isEntryOf(const Ref<DocNode>& node, std::string_view className) {
    if (!Automation::equalsText(node->Name(), "Port"))
        return false;
    Ref<DocNode> type = node->Child();
    return type && Automation::equalsText(type->Name(), "Type") &&
           Automation::equalsText(type->Value().toString(), className);
}

} // namespace

void ConnectionSettings::ensure(int32_t portType, std::string_view className) {
    if (doc_)
        return;
    doc_ = Automation::New<Doc>();
    doc_->Add({}, Markwell::iagChild, "Root", "Connection");
    root()->Attributes()->Add("Visible", Automation::Variant("False"));
    Ref<DocNode> type =
        doc_->Add("Root", Markwell::iagChild, std::string_view{}, "PortType", Automation::Variant(portType));
    type->Attributes()->Add("No" + std::to_string(portType), Automation::Variant(className));
}

void ConnectionSettings::describePort(int32_t portType, std::string_view className) {
    Ref<DocNode> type = root()->SelectSingleNode("PortType", false);
    if (!type)
        return;
    type->setValue(Automation::Variant(portType));
    auto attributes = type->Attributes();
    if (attributes->Count() == 0)
        attributes->Add();
    attributes->Item(1)->setName("No" + std::to_string(portType));
    attributes->Item(1)->setValue(Automation::Variant(className));
}

void ConnectionSettings::removeEntries(std::string_view className) {
    for (Ref<DocNode> node = root()->Child(); node;) {
        Ref<DocNode> next = node->NextSibling();
        if (isEntryOf(node, className))
            doc_->Remove(node->Key());
        node = next;
    }
}

void ConnectionSettings::store(std::string_view className, const std::string& portDocument) {
    removeEntries(className);
    doc_->ReadXML(portDocument, root()->Key());
}

std::optional<std::string> ConnectionSettings::entryFor(std::string_view className) {
    for (Ref<DocNode> node = root()->Child(); node; node = node->NextSibling())
        if (isEntryOf(node, className))
            return doc_->WriteXML(true, node->Key());
    return std::nullopt;
}

std::string ConnectionSettings::text() {
    return doc_->WriteXML(true, {});
}

void ConnectionSettings::load(std::string_view text) {
    auto scratch = Automation::New<Doc>();
    scratch->ReadXML(text);
    Ref<Doc> selection = scratch->SelectNodes("Connection");
    if (selection->Count() == 0)
        Automation::raise(101, {}, "The text holds no Connection element; the settings stay as they were.");
    std::string connection = selection->WriteXML(false, {});
    auto loaded = Automation::New<Doc>();
    loaded->ReadXML(connection);
    scratch->Clear();
    clear();
    doc_ = loaded;
}

std::optional<int32_t> ConnectionSettings::storedPortType() {
    Ref<Doc> selection = doc_->SelectNodes("PortType");
    if (selection->Count() == 0)
        return std::nullopt;
    return selection->Item(1)->Value().toLong();
}

void ConnectionSettings::clear() {
    if (doc_)
        doc_->Clear();
    doc_.reset();
}

} // namespace Tethra
