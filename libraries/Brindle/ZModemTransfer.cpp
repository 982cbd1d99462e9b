#include "Brindle/ZModemTransfer.h"

#include "Tethra/modClassIDGenerator.h"

namespace Brindle {

namespace {
constexpr SerialTransfer::Profile ZModem{"ZModemTransfer",
                                         Tethra::FileTransferProtocol_ZModem,
                                         true,
                                         "\x18\x18\x18\x18\x18\x18\x18\x18\x18\x18\b\b\b\b\b\b\b\b\b\b",
                                         200,
                                         false};
} // namespace

ZModemTransfer::ZModemTransfer()
    : SerialTransfer(ZModem), instanceId_(Tethra::modClassIDGenerator::NextInstanceID("ZModemTransfer")) {}

} // namespace Brindle
