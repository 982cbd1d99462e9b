#pragma once
// A line per node in store order, naming everything a reader must restore:
// key, name, parent, value with its subtype, attributes with theirs.
#include <string>

#include "Markwell/Doc.h"

namespace MarkwellTest {

inline std::string typed(const Automation::Variant& value) {
    std::string text = value.typeName();
    if (!value.isMissing() && !value.isNull() && !value.isObject())
        text += ":" + value.toString();
    return text;
}

inline std::string dump(const Markwell::Doc& doc) {
    std::string out;
    for (const auto& node : doc) {
        auto parent = node->Parent();
        out += node->Key() + " " + node->Name() + " in " + (parent ? parent->Key() : "-") + " = " +
               typed(node->Value());
        for (const auto& attribute : *node->Attributes())
            out += " [" + attribute->Name() + "=" + typed(attribute->Value()) + "]";
        out += "\n";
    }
    return out;
}

} // namespace MarkwellTest
