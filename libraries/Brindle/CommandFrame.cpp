#include "Brindle/CommandFrame.h"

#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Brindle {

std::string CommandFrame::Build(std::string& command, int32_t msgId) {
    if (command.empty() || (command.back() != '\r' && command.back() != '\n'))
        command += '\r';
    std::string id = Automation::format(msgId, "00");
    std::string frame = "\r";
    frame += "QQISV18%=SYSVAR(18):SYSVAR(18)=8\r";
    frame += "PRINT CHR$(1)+\"CMD" + id + "\"+CHR$(2);\r";
    frame += "QQISV19%=SYSVAR(19):SYSVAR(19)=2:QQISV15%=SYSVAR(15)\r";
    frame += command;
    frame += "QQISV15%=SYSVAR(15):SYSVAR(19)=0\r";
    frame += "QQISV24%=SYSVAR(24)\r";
    frame += "QQISV43%=SYSVAR(43)\r";
    frame += "MAP1,0,49:MAP2,0,50:MAP3,0,51:MAP4,0,52\r";
    frame += "MAP5,0,53\r";
    frame += std::string("QQISTDIO$=\"\0\":", 14) + "MAP1,0,0:MAP2,0,0:MAP3,0,0:MAP4,0,0\r";
    frame += "MAP5,0,0\r";
    frame += "PRINT CHR$(3)+\"CMD" + id +
             "\"+CHR$(QQISV18%+65)+STR$(QQISV19%)+STR$(QQISV43%)+QQISTDIO$+STR$(QQISV24%)+CHR$(30);:PRINT:"
             "PRINT CHR$(30)+VERSION$(0)+CHR$(30)+STR$(QQISV15%)+CHR$(30);:RUN\"whoami\"\r";
    frame += "SYSVAR(19)=QQISV19%:SYSVAR(18)=QQISV18%:PRINTCHR$(4);\r";
    return frame;
}

int32_t CommandFrame::SplitPos(const std::string& frame, const std::string& command) {
    return Automation::inStr(frame, Automation::left(command, 20));
}

} // namespace Brindle
