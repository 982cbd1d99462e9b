#include "errors/ErrorTextProvider.h"

namespace Platform {

namespace {

const char* libraryText(int32_t number) {
    switch (number) {
    case 101:
        return "The operation failed because of invalid data.";
    case 102:
        return "The port is not open.";
    case 103:
        return "The port is already open.";
    case 104:
        return "The port is not available.";
    case 105:
        return "The port settings are not valid.";
    case 106:
        return "The port type is not supported.";
    case 107:
        return "The port could not be opened or the connection could not be made.";
    case 108:
        return "The port was closed unexpectedly.";
    case 109:
        return "Sending on the port failed.";
    case 110:
        return "Receiving on the port failed.";
    case 111:
        return "The port is in use by another program.";
    case 112:
        return "A port setting cannot be changed while the port is open.";
    case 113:
        return "The operation was cancelled.";
    case 114:
        return "The file could not be found.";
    case 115:
        return "The file could not be read or written.";
    case 116:
        return "No connection is set.";
    case 117:
        return "The connection is not a serial connection.";
    case 118:
        return "The connection is not a network connection.";
    case 119:
        return "The printer does not respond.";
    case 120:
        return "The operation timed out.";
    case 121:
        return "The connection is busy.";
    case 122:
        return "The file was not found on the printer.";
    case 123:
        return "A command is already running.";
    case 124:
        return "There is not enough free space on the printer for the file.";
    case 125:
        return "The serial line must be set to 8 data bits for this transfer.";
    case 126:
        return "The firmware file is not valid for this printer.";
    case 127:
        return "The user logged in at the printer may not update its firmware; log in as a user who may.";
    case 128:
        return "The printer reported an error in the file name.";
    case 129:
        return "The operation is not supported on the network connection.";
    case 200:
        return "The operation is not supported by this printer's version.";
    case 201:
        return "The network file transfer is not supported by this printer's version.";
    case 202:
        return "The image buffer is not available on this printer's version.";
    case 203:
        return "The firmware is for a newer printer-language version than the printer's; choose a firmware "
               "that fits the printer.";
    default:
        return nullptr;
    }
}

} // namespace

std::string ErrorTextProvider::GetErrorText(int32_t number) {
    if (const char* text = libraryText(number))
        return text;
    return "Unknown library error " + std::to_string(number) + ".";
}

bool ErrorTextProvider::HasErrorText(int32_t number) {
    return libraryText(number) != nullptr;
}

void ErrorTextProvider::RaiseLibraryError(int32_t number, std::string source) {
    Automation::raise(number, std::move(source), GetErrorText(number));
}

void ErrorTextProvider::RaiseLibraryError(int32_t number, std::string source, const std::string& detail) {
    Automation::raise(number, std::move(source), GetErrorText(number) + " " + detail);
}

void ErrorTextProvider::RaiseAgain(const Automation::Error& error, std::string source) {
    std::string description =
        HasErrorText(error.Number()) ? GetErrorText(error.Number()) : error.Description();
    Automation::raise(error.Number(), std::move(source), std::move(description));
}

} // namespace Platform
