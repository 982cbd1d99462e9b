#pragma once
// The library's factory: a Printer bound to a connection, and its orderly end.
#include "Brindle/Printer.h"
#include "Tethra/Connection.h"
#include "automation/Ref.h"

namespace Brindle::Global {

Automation::Ref<Printer> CreatePrinterObj(const Automation::Ref<Tethra::Connection>& ConnectionToUse);
// Drops the connection's port and unbinds it before the last reference goes.
void TeardownPrinterObj(const Automation::Ref<Printer>& AnyPrinter);

} // namespace Brindle::Global
