#include "Brindle/Global.h"

#include "Tethra/Global.h"

namespace Brindle::Global {

Automation::Ref<Printer> CreatePrinterObj(const Automation::Ref<Tethra::Connection>& ConnectionToUse) {
    auto printer = Automation::New<Printer>();
    printer->setConnection(ConnectionToUse);
    return printer;
}

void TeardownPrinterObj(const Automation::Ref<Printer>& AnyPrinter) {
    if (!AnyPrinter->Connection())
        return;
    Tethra::Global::TeardownConnectionObj(AnyPrinter->Connection());
    AnyPrinter->setConnection(nullptr);
}

} // namespace Brindle::Global
