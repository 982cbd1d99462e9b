#include "Markwell/Doc.h"

#include <limits>
#include <vector>

#include "Markwell/XmlText.h"
#include "automation/Error.h"
#include "errors/ErrorTextProvider.h"

namespace Markwell {

using Automation::Ref;
using Platform::ErrorTextProvider;

Doc::Doc() {
    store_.setErrorSource("Markwell");
    threadPathSeparator() = "//";
}

std::string& Doc::threadPathSeparator() {
    thread_local std::string separator = "//";
    return separator;
}

const std::string& Doc::PathSeparator() const {
    return threadPathSeparator();
}

void Doc::setPathSeparator(std::string_view separator) {
    threadPathSeparator() = separator;
}

std::string Doc::CreateKey() {
    std::string key;
    do {
        if (keyCounter_ == std::numeric_limits<int32_t>::max())
            Automation::raise(Automation::RuntimeError::Overflow, "Markwell");
        key = "N" + std::to_string(++keyCounter_);
    } while (store_.Exists(key));
    return key;
}

Ref<DocNode> Doc::Add(std::string_view Relative, int32_t Relationship, std::string& Key,
                      std::string_view Name, const Automation::Variant& Value) {
    try {
        if (Key.empty())
            Key = CreateKey();
        auto node = Automation::New<DocNode>();
        node->setKey(Key);
        node->setName(Name);
        node->setValue(Value);
        // The relative is looked up before the node is stored, so that a failed
        // Add leaves the Doc as it was.
        Ref<DocNode> relative;
        if (Count() > 0 && !Relative.empty())
            relative = store_.Item(Relative);
        store_.Add(node, Key);
        node->root_.set(store_.Item(1));
        if (relative && Relationship == iagChild)
            relative->appendChild(node);
        return node;
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseLibraryError(error.Number(), "Markwell:Doc:Add Method");
    }
}

Ref<DocNode> Doc::Add(std::string_view Relative, int32_t Relationship, std::string_view Key,
                      std::string_view Name, const Automation::Variant& Value) {
    std::string key(Key);
    return Add(Relative, Relationship, key, Name, Value);
}

void Doc::removeSubtree(const Ref<DocNode>& top) {
    // Children before their parent, siblings in chain order.
    auto deepestFirst = [](Ref<DocNode> node) {
        while (auto child = node->Child())
            node = child;
        return node;
    };
    std::vector<Ref<DocNode>> order;
    std::vector<std::string> keys;
    for (auto node = deepestFirst(top);;) {
        node->releaseAttributes();
        order.push_back(node);
        keys.push_back(node->Key());
        if (node == top)
            break;
        auto next = node->NextSibling();
        node = next ? deepestFirst(next) : node->Parent();
    }
    store_.RemoveKeys(keys);
    // Released in the same order, so that each node unlinks itself from a tree
    // whose remaining part is still whole.
    for (auto& node : order)
        node.reset();
}

void Doc::Remove(int32_t index) {
    try {
        removeSubtree(store_.Item(index));
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "Doc:Remove Method");
    }
}

void Doc::Remove(std::string_view key) {
    try {
        removeSubtree(store_.Item(key));
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "Doc:Remove Method");
    }
}

void Doc::Clear() {
    if (Count() > 0)
        Remove(1);
}

std::string Doc::WriteXML(bool indent, std::string_view StartNodeKey) {
    try {
        if (Count() == 0)
            return {};
        return XmlText::write(StartNodeKey.empty() ? store_.Item(1) : store_.Item(StartNodeKey), indent);
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "Doc:WriteXML Method");
    }
}

bool Doc::ReadXML(std::string_view XMLText, std::string_view ParentKey) {
    try {
        return XmlText::read(*this, XMLText, ParentKey);
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "Doc:ReadXML Method");
    }
}

Ref<Doc> Doc::SelectNodes(std::string_view Expression) const {
    auto selection = Automation::New<Doc>();
    for (const auto& node : store_)
        if (node->Path().find(Expression) != std::string::npos)
            selection->store_.Add(node, node->Key());
    return selection;
}

} // namespace Markwell
