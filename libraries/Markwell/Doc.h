#pragma once
// The system's XML document: a flat store of element nodes under unique text
// keys (compared without regard to case), linked into a tree.
#include <cstdint>
#include <string>
#include <string_view>

#include "Markwell/DocNode.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Markwell {

enum enumRelationship : int32_t { iagChild = 4 };

class Doc : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{6489D558-BF35-4C7A-9E05-D3901E167A6B}", "Markwell.Doc",
                                                     "{F60F423C-FB26-475D-B2D5-FE7E4813DF2D}"};

    // Sets the thread's path separator back to "//".
    Doc();

    // Adds a node. An empty Key is replaced by a generated one, which the
    // caller's variable then holds. With Relationship iagChild the node becomes
    // the last child of the node keyed Relative; otherwise it has no links.
    // The first node of a Doc is its root whatever Relative and Relationship say.
    Automation::Ref<DocNode> Add(std::string_view Relative, int32_t Relationship, std::string& Key,
                                 std::string_view Name = {},
                                 const Automation::Variant& Value = Automation::Variant::missing());
    Automation::Ref<DocNode> Add(std::string_view Relative = {}, int32_t Relationship = 2,
                                 std::string_view Key = {}, std::string_view Name = {},
                                 const Automation::Variant& Value = Automation::Variant::missing());

    Automation::Ref<DocNode> Item(int32_t index) const { return store_.Item(index); }
    Automation::Ref<DocNode> Item(std::string_view key) const { return store_.Item(key); }
    Automation::Ref<DocNode> Item(const char* key) const { return store_.Item(std::string_view(key)); }
    int32_t Count() const { return store_.Count(); }
    // Removes the node with its whole subtree.
    void Remove(int32_t index);
    void Remove(std::string_view key);
    void Remove(const char* key) { Remove(std::string_view(key)); }
    // Removes the subtree of the first node; nodes outside it stay.
    void Clear();

    auto begin() const { return store_.begin(); }
    auto end() const { return store_.end(); }

    // The text of the subtree of the node keyed StartNodeKey, or of the first
    // node; empty for an empty Doc.
    std::string WriteXML(bool indent = false, std::string_view StartNodeKey = {});
    // Adds the elements of XMLText, under the node keyed ParentKey when given.
    // False when the text was cut short (see XmlText::read); what it held up
    // to there is added all the same.
    bool ReadXML(std::string_view XMLText, std::string_view ParentKey = {});

    // Shared by every Doc of the thread.
    const std::string& PathSeparator() const;
    void setPathSeparator(std::string_view separator);

    // A new Doc sharing the nodes whose Path contains Expression.
    Automation::Ref<Doc> SelectNodes(std::string_view Expression) const;
    // "N" and the next count; keys already in use are passed over.
    std::string CreateKey();

private:
    friend class DocNode;
    static std::string& threadPathSeparator();

    void removeSubtree(const Automation::Ref<DocNode>& top);

    Automation::Collection<Automation::Ref<DocNode>> store_;
    int32_t keyCounter_ = 0;
};

} // namespace Markwell
