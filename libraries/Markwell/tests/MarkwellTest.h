#pragma once
// What the document tests compare: the tree as text, and the library's errors.
#include <string>
#include <string_view>

#include "ErrorNumber.h"
#include "Markwell/Doc.h"
#include "errors/ErrorTextProvider.h"

namespace MarkwellTest {

inline std::string typed(const Automation::Variant& value) {
    std::string text = value.typeName();
    if (!value.isMissing() && !value.isNull() && !value.isObject())
        text += ":" + value.toString();
    return text;
}

// A line per node in store order, naming everything a reader must restore:
// key, name, parent, value with its subtype, attributes with theirs.
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

// Whether an error is the library error number from source, with the library's text for it.
inline testing::AssertionResult isLibraryError(const Automation::Error& error, int32_t number,
                                               std::string_view source) {
    return isError(error, number, source, Platform::ErrorTextProvider::GetErrorText(number));
}

} // namespace MarkwellTest
