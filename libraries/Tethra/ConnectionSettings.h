#pragma once
// The settings document of a Connection: its port type and the stored "Port"
// document of every port class it has used, at most one per class.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Markwell/Doc.h"
#include "automation/Ref.h"

namespace Tethra {

class ConnectionSettings {
public:
    // The document is created on first use with the port type and class of that moment.
    void ensure(int32_t portType, std::string_view className);

    // The "PortType" child takes the port type, its attribute "No<type>" the class name.
    void describePort(int32_t portType, std::string_view className);
    // Replaces the stored entry of the port's class with its current document.
    void store(std::string_view className, const std::string& portDocument);
    // The stored entry of a class as indented text, if there is one.
    std::optional<std::string> entryFor(std::string_view className);
    std::string text();

    // Reads a text whose "Connection" element (nested or not) becomes the
    // document; a text without one raises 101 and changes nothing.
    void load(std::string_view text);
    // The value of the first "PortType" node, if any.
    std::optional<int32_t> storedPortType();

    void clear();

private:
    void removeEntries(std::string_view className);
    Automation::Ref<Markwell::DocNode> root() const { return doc_->Item(1); }

    Automation::Ref<Markwell::Doc> doc_;
};

} // namespace Tethra
