#pragma once
// The base of every automation object: objects live behind Ref and can take a
// counted reference to themselves while they dispatch events.
#include <memory>
#include <string_view>

#include "automation/Ref.h"

namespace Platform::Automation {

// Class identifier, programmatic name and default interface identifier.
struct ClassInfo {
    std::string_view classId;
    std::string_view progId;
    std::string_view interfaceId;
};

struct InterfaceTable;

class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // The member table of the named interface; an empty name asks for the
    // default interface. Nothing for an object that describes none.
    virtual const InterfaceTable* interfaceTable(std::string_view interfaceName) const;

protected:
    // A counted reference to this object, to keep it alive across a dispatch
    // whose handlers may release it.
    template <class T> Ref<T> self() { return Ref<T>(std::dynamic_pointer_cast<T>(shared_from_this())); }
};

} // namespace Platform::Automation
