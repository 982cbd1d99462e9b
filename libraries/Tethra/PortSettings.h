#pragma once
// A port's settings as its "Port" document: the port's class name under
// "Type" and, under "Settings", one element per browsable entry of its
// property list, each applied again through the port's own property lets.
#include <string>
#include <string_view>

#include "Proptree/Properties.h"

namespace Tethra {

class PortSettings {
public:
    static std::string write(std::string_view className, const Proptree::Properties& list);

    // What a "Settings" child that names no property of the port does.
    enum class UnknownSetting { Stop, Skip };
    // Applies a document whose "Type" is className; another type applies nothing.
    static void apply(std::string_view text, std::string_view className, const Proptree::Properties& list,
                      UnknownSetting unknown);
};

} // namespace Tethra
