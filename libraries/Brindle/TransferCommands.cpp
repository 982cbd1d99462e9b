#include "Brindle/TransferCommands.h"

#include "Brindle/Globals.h"
#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Brindle {

namespace {

std::string checked(std::string_view name, const std::string& errorSource) {
    Globals::CheckRubricValue(name, errorSource);
    return std::string(name);
}

const RubricVersionNumber V614(614);
const RubricVersionNumber V700(700);
const RubricVersionNumber V732(732);
const RubricVersionNumber V800(800);

} // namespace

std::string TransferCommands::SerialDownload(bool zmodem, std::string_view source,
                                             const std::string& errorSource) {
    std::string name = checked(source, errorSource);
    if (zmodem)
        return "\rRUN\"sz " + Globals::EscapeBlanks(name) + "\r";
    return "\rTRANSFER K \"S\",\"" + name + "\r";
}

std::string TransferCommands::SerialUpload(bool zmodem, std::string_view destination,
                                           const std::string& errorSource) {
    std::string name = checked(destination, errorSource);
    return std::string(zmodem ? "\rBREAK 1 OFF:TRANSFER Z \"R\",\"" : "\rBREAK 1 OFF:TRANSFER K \"R\",\"") +
           name + "\r";
}

std::string TransferCommands::NetDownload(std::string_view source, const std::string& errorSource) {
    return "\rPRINTCHR$(1)+CHR$(2)+\"<@BEGIN>\"+CHR$(3)+CHR$(4);:RUN\"cat -B " +
           checked(source, errorSource) + "\":PRINT CHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4);\r";
}

std::string TransferCommands::NetUpload(int32_t cancelCatTimeoutMs, int64_t length,
                                        std::string_view destination, const std::string& errorSource) {
    int32_t seconds = Automation::toLong(cancelCatTimeoutMs / 1000.0);
    return "\rRUN\"cat -S" + std::to_string(seconds) + " -" + std::to_string(length) + " >" +
           Globals::EscapeBlanks(checked(destination, errorSource)) + "\r";
}

bool TransferCommands::NetworkTransferRefused(RubricVersionNumber version) {
    return version >= V614 && version < V732;
}

bool TransferCommands::UsesZModem(RubricVersionNumber version, int32_t dataBits) {
    return version >= V700 && dataBits == 8;
}

bool TransferCommands::NeedsHelloAfterSerialUpload(RubricVersionNumber version) {
    return version >= V614 && version < V800;
}

} // namespace Brindle
