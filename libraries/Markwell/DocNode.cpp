#include "Markwell/DocNode.h"

#include <vector>

#include "Markwell/Doc.h"
#include "Markwell/XmlText.h"
#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Markwell {

DocNode::~DocNode() {
    // The links of the neighbours are mended first, so that whatever the
    // release of the attributes destroys in turn finds a consistent tree.
    auto previous = previous_.get();
    auto next = next_.get();
    if (previous)
        previous->next_.set(next);
    if (next)
        next->previous_.set(previous);
    if (auto parent = parent_.get()) {
        if (parent->child_.names(this))
            parent->child_.set(next);
        if (parent->lastChild_.names(this))
            parent->lastChild_.set(previous);
    }
    for (auto child = child_.get(); child; child = child->next_.get())
        child->parent_.clear();
    releaseAttributes();
}

Automation::Ref<DocNode> DocNode::LastSibling() {
    auto node = self<DocNode>();
    while (auto next = node->next_.get())
        node = next;
    return node;
}

int32_t DocNode::Children() const {
    int32_t count = 0;
    for (auto child = child_.get(); child; child = child->next_.get())
        ++count;
    return count;
}

void DocNode::setName(std::string_view name) {
    if (name.find(' ') != std::string_view::npos)
        Automation::raise(101, "Markwell:DocNode:Name Property Let");
    name_ = name;
}

Automation::Ref<Markwell::Attributes> DocNode::Attributes() {
    if (!attributes_)
        attributes_ = Automation::New<Markwell::Attributes>();
    return attributes_;
}

void DocNode::releaseAttributes() {
    if (attributes_) {
        attributes_->Clear();
        attributes_.reset();
    }
}

void DocNode::appendChild(const Automation::Ref<DocNode>& child) {
    child->parent_.set(self<DocNode>());
    if (auto last = lastChild_.get()) {
        child->previous_.set(last);
        last->next_.set(child);
    } else {
        child_.set(child);
    }
    lastChild_.set(child);
}

std::string DocNode::Path() const {
    std::vector<const DocNode*> chain{this};
    // The Refs keep the ancestors alive while their names are read.
    std::vector<Automation::Ref<DocNode>> ancestors;
    for (auto parent = parent_.get(); parent; parent = parent->parent_.get()) {
        ancestors.push_back(parent);
        chain.push_back(parent.get());
    }
    const std::string& separator = Doc::threadPathSeparator();
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path += separator;
        path += (*it)->name_;
    }
    return path;
}

int32_t DocNode::Level() const {
    int32_t level = 0;
    for (auto parent = parent_.get(); parent; parent = parent->parent_.get())
        ++level;
    return level;
}

void DocNode::WriteXMLNode(std::string& XMLText, bool indent) {
    XMLText = XmlText::write(self<DocNode>(), indent);
}

Automation::Ref<DocNode> DocNode::SelectSingleNode(std::string_view Name, bool InclSubNodes) {
    if (Automation::equalsText(name_, Name))
        return self<DocNode>();
    // Depth first through the links, without recursion, so that a deep
    // document cannot exhaust the stack.
    auto node = child_.get();
    while (node) {
        if (Automation::equalsText(node->name_, Name))
            return node;
        if (auto child = InclSubNodes ? node->child_.get() : nullptr) {
            node = child;
            continue;
        }
        while (node && node.get() != this && !node->next_.get())
            node = node->parent_.get();
        node = node && node.get() != this ? node->next_.get() : nullptr;
    }
    return {};
}

} // namespace Markwell
