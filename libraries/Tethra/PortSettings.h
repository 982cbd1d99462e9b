#pragma once
// A port's settings as its "Port" document (a connection setup's as its
// "Connection" document): the class name under "Type" and, under "Settings",
// one element per browsable entry of its property list, each applied again
// through the object's own property lets.
#include <string>
#include <string_view>

#include "Proptree/Properties.h"

namespace Tethra {

class PortSettings {
public:
    static std::string write(std::string_view className, const Proptree::Properties& list,
                             std::string_view rootName = "Port");

    // What a "Settings" child that names no property of the port does; with
    // SkipFailures a value that its property refuses is passed over too.
    enum class UnknownSetting { Stop, Skip, SkipFailures };
    // Applies a document whose "Type" is className; another type, or a
    // document without rootName, applies nothing.
    static void apply(std::string_view text, std::string_view className, const Proptree::Properties& list,
                      UnknownSetting unknown, std::string_view rootName = "Port");
};

} // namespace Tethra
