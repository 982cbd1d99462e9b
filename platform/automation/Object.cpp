#include "automation/Object.h"

namespace Platform::Automation {

const InterfaceTable* Object::interfaceTable(std::string_view) const {
    return nullptr;
}

void raiseObjectNotSet() {
    raise(RuntimeError::ObjectNotSet, {});
}

} // namespace Platform::Automation
