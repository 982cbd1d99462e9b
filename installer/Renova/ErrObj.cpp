#include "Renova/ErrObj.h"

namespace Renova {

void ErrObj::LoadErrObj(const Automation::Error& ErrorObj, const std::string& sSource) {
    number_ = ErrorObj.Number();
    description_ = ErrorObj.Description();
    source_ = sSource + ":" + ErrorObj.Source();
    // Our errors carry no help topic.
    helpContext_ = 0;
    helpFile_.clear();
}

void ErrObj::Raise() const {
    throw Automation::Error(number_, source_, description_);
}

} // namespace Renova
