#pragma once
// The system's own XML dialect: one element per tag line, one value line per
// leaf, values typed by their written form, line feeds only, tabs by level.
#include <string>
#include <string_view>

#include "automation/Ref.h"

namespace Markwell {

class Doc;
class DocNode;

class XmlText {
public:
    // The text of the subtree of start; with indent, each line is indented by
    // as many tabs as its element has ancestors in the whole tree.
    static std::string write(const Automation::Ref<DocNode>& start, bool indent);

    // Adds the elements of text to doc, under the node keyed parentKey when it
    // is not empty. Nodes added before an error stay. False when the text
    // ends before it is whole: inside a tag or a quoted value, or with an
    // element still open.
    static bool read(Doc& doc, std::string_view text, std::string_view parentKey);

    // A text value as the document writes it: in double quotes, with inner
    // quotes (and braces that would start an escape) escaped.
    static std::string quoted(std::string_view text);

private:
    class Writer;
};

} // namespace Markwell
