#include "Seekwire/Probes.h"

namespace Seekwire::Probes {

std::string hello(bool withInputOff) {
    std::string text = "\x11\r";
    if (withInputOff)
        text += "INPUT OFF\r";
    text += "IMMEDIATE ON\r";
    text += "PRINT CHR$(1)+\"Hello\x02\"\r";
    return text;
}

std::string stdio() {
    std::string text = "MAP1,0,49:MAP2,0,50:MAP3,0,51\r";
    text += "PRINT CHR$(1)+\"STDIO:";
    text += '\0';
    text += "\"+CHR$(3)+\"END\"+CHR$(4)\r";
    text += "MAP1,0,0:MAP2,0,0:MAP3,0,0\r";
    return text;
}

std::string readBack(std::string_view uart, std::string_view channelDigit) {
    std::string text = "SETUP WRITE \"";
    text += uart;
    text += channelDigit;
    text += ":\"\r";
    text += "PRINT CHR$(3)+\"END\"+CHR$(4)\r";
    return text;
}

} // namespace Seekwire::Probes
