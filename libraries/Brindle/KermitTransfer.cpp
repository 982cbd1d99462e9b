#include "Brindle/KermitTransfer.h"

namespace Brindle {

namespace {
constexpr SerialTransfer::Profile Kermit{
    "KermitTransfer", Tethra::FileTransferProtocol_KERMIT, false, "\r\r\r\r\r\b\b\b\b\b", 100, true};
} // namespace

KermitTransfer::KermitTransfer() : SerialTransfer(Kermit) {}

} // namespace Brindle
