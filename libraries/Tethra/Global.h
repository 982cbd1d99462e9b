#pragma once
// The library's factory: connections already wired to a serial or a network
// port, and their tear-down.
#include <cstdint>
#include <string>

#include "Tethra/Connection.h"
#include "automation/Ref.h"

namespace Tethra::Global {

Automation::Ref<Connection> CreateSerialConnectionObj(const int32_t& Port, const int32_t& Baudrate,
                                                      const int32_t& Parity, const int32_t& Databits,
                                                      const int32_t& Stopbits, const int32_t& Handshake);
Automation::Ref<Connection> CreateNetConnectionObj(const std::string& IPAddress, const int32_t& PortNumber);
// Stores the port's settings in the connection and destroys the port.
void TeardownConnectionObj(const Automation::Ref<Connection>& AnyConnection);

} // namespace Tethra::Global
