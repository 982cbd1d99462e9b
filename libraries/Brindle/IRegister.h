#pragma once
// Registration of the clients of a Printer.
#include "Brindle/IPrinterClientObj.h"
#include "automation/Ref.h"

namespace Brindle {

class IRegister {
public:
    virtual ~IRegister() = default;

    virtual void AddClient(const Automation::Ref<IPrinterClientObj>& ClientObj) = 0;
    virtual void RemoveClient(const Automation::Ref<IPrinterClientObj>& ClientObj) = 0;
};

} // namespace Brindle
