#include "Renova/IRequest.h"

namespace Renova {

void IRequest::RequestForBreakString(const std::string&, std::string&, bool& Cancel) {
    Cancel = true;
}

void IRequest::RequestForSerialBreakString(const std::string&, int32_t&, int16_t&, int16_t&, int16_t&,
                                           std::string&, bool& Cancel) {
    Cancel = true;
}

void IRequest::RequestLogin(const std::string&, std::string&, std::string&, bool&, bool& Cancel) {
    Cancel = true;
}

void IRequest::ReqNotMatch(const std::string&, bool& Cancel) {
    Cancel = true;
}

} // namespace Renova
