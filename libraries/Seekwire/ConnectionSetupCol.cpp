#include "Seekwire/ConnectionSetupCol.h"

#include <string>

namespace Seekwire {

using Automation::Ref;

Ref<IConnectionSetup> ConnectionSetupCol::AddObject(const Ref<IConnectionSetup>& ConnectionSetupObj) {
    try {
        ConnectionSetupObj->setKey("Obj" + std::to_string(ConnectionSetupObj.identity()));
    } catch (const Automation::Error&) {
    }
    try {
        setups_.Add(ConnectionSetupObj, ConnectionSetupObj->Key());
    } catch (const Automation::Error&) {
    }
    return ConnectionSetupObj;
}

Ref<IConnectionSetup> ConnectionSetupCol::Remove(const Automation::Variant& vntIndexKey) {
    try {
        Ref<IConnectionSetup> setup = Item(vntIndexKey);
        if (vntIndexKey.isString())
            setups_.Remove(vntIndexKey.toString());
        else
            setups_.Remove(vntIndexKey.toLong());
        return setup;
    } catch (const Automation::Error&) {
        return nullptr;
    }
}

Ref<IConnectionSetup> ConnectionSetupCol::Item(const Automation::Variant& vntIndexKey) const {
    if (vntIndexKey.isString())
        return setups_.Item(vntIndexKey.toString());
    return setups_.Item(vntIndexKey.toLong());
}

} // namespace Seekwire
