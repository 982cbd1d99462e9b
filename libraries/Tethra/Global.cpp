#include "Tethra/Global.h"

#include "Tethra/Enums.h"
#include "Tethra/NetPort.h"
#include "Tethra/SerPort.h"

namespace Tethra::Global {

using Automation::Ref;

Ref<Connection> CreateSerialConnectionObj(const int32_t& Port, const int32_t& Baudrate, const int32_t& Parity,
                                          const int32_t& Databits, const int32_t& Stopbits,
                                          const int32_t& Handshake) {
    auto connection = Automation::New<Connection>();
    connection->setPortType(static_cast<int32_t>(enumPortTypes::SerialPort));
    Ref<SerPort> port = connection->PortObject().as<SerPort>();
    port->setCommPort(Port);
    port->setBaudrate(Baudrate);
    port->setParity(Parity);
    port->setDatabits(Databits);
    port->setStopbits(Stopbits);
    port->setHandshake(Handshake);
    return connection;
}

Ref<Connection> CreateNetConnectionObj(const std::string& IPAddress, const int32_t& PortNumber) {
    auto connection = Automation::New<Connection>();
    connection->setPortType(static_cast<int32_t>(enumPortTypes::NetWorkPort));
    Ref<NetPort> port = connection->PortObject().as<NetPort>();
    port->setRemoteHost(IPAddress);
    port->setRemotePort(std::to_string(PortNumber));
    return connection;
}

void TeardownConnectionObj(const Ref<Connection>& AnyConnection) {
    AnyConnection->setPortType(static_cast<int32_t>(enumPortTypes::NoPort));
}

} // namespace Tethra::Global
