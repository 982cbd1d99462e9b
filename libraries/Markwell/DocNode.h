#pragma once
// One element of a Doc: a name, one value, attributes, and links into the
// document's tree. No link keeps the node it names alive; a link whose node
// is gone reads Nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "Markwell/Attributes.h"
#include "automation/Object.h"
#include "automation/Ref.h"
#include "automation/Variant.h"

namespace Markwell {

class DocNode : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{68012BBC-C111-41FE-9962-62E68B8AC163}",
                                                     "Markwell.DocNode",
                                                     "{B3F83418-4141-4A5C-86BA-FD2AFBCC247D}"};

    DocNode() = default;
    DocNode(const DocNode&) = delete;
    DocNode& operator=(const DocNode&) = delete;
    // Repairs the tree around the node, so that no link names it afterwards.
    ~DocNode() override;

    Automation::Ref<DocNode> Root() const { return root_.get(); }
    Automation::Ref<DocNode> Parent() const { return parent_.get(); }
    Automation::Ref<DocNode> Child() const { return child_.get(); }
    Automation::Ref<DocNode> PreviousSibling() const { return previous_.get(); }
    Automation::Ref<DocNode> NextSibling() const { return next_.get(); }
    // The last node along the next-sibling links, this node when it has none.
    Automation::Ref<DocNode> LastSibling();
    // The parent's first child; error 91 for a node without parent.
    Automation::Ref<DocNode> FirstSibling() const { return Parent()->Child(); }
    int32_t Children() const;

    const std::string& Key() const { return key_; }
    const std::string& Name() const { return name_; }
    // A name with a blank raises 101 and leaves the name as it was.
    void setName(std::string_view name);
    const Automation::Variant& Value() const { return value_; }
    void setValue(const Automation::Variant& value) { value_ = value; }
    Automation::Ref<Markwell::Attributes> Attributes();

    // The names from the top of the tree down to this node, joined by the
    // thread's path separator.
    std::string Path() const;
    // The number of ancestors; 0 for the root.
    int32_t Level() const;

    // Replaces XMLText with the text of this node's subtree.
    void WriteXMLNode(std::string& XMLText, bool indent = false);

    // This node or the first node below it (depth first, or direct children
    // only) whose name equals Name without regard to case; Nothing otherwise.
    Automation::Ref<DocNode> SelectSingleNode(std::string_view Name, bool InclSubNodes = false);

private:
    friend class Doc;
    friend class XmlText;

    // A non-owning link. The address is kept only to tell which node a link
    // names while that node is being destroyed; it is never dereferenced.
    class Link {
    public:
        Automation::Ref<DocNode> get() const { return ref_.lock(); }
        void set(const Automation::Ref<DocNode>& node) {
            ref_ = node;
            target_ = node.get();
        }
        void clear() { set(nullptr); }
        bool names(const DocNode* node) const { return target_ != nullptr && target_ == node; }

    private:
        Automation::WeakRef<DocNode> ref_;
        const DocNode* target_ = nullptr;
    };

    // The key is set once, when the node is added to its first Doc.
    void setKey(std::string_view key) {
        if (key_.empty())
            key_ = key;
    }
    // Makes child the last child of this node.
    void appendChild(const Automation::Ref<DocNode>& child);
    // Whether the node has attributes to write, without creating them.
    const Automation::Ref<Markwell::Attributes>& attributesIfAny() const { return attributes_; }
    // Clears and drops the attributes (a caller still holding them sees them empty).
    void releaseAttributes();

    std::string key_;
    std::string name_;
    Automation::Variant value_;
    Automation::Ref<Markwell::Attributes> attributes_;
    Link root_;
    Link parent_;
    Link child_;
    // Kept beside the first child so that appending a child needs no walk.
    Link lastChild_;
    Link previous_;
    Link next_;
};

} // namespace Markwell
