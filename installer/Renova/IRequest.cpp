#include "Renova/IRequest.h"

namespace Renova {

void IRequest::RequestForBreakString(const std::string&, std::string&, bool&) {}
void IRequest::RequestForSerialBreakString(const std::string&, int32_t&, int16_t&, int16_t&, int16_t&,
                                           std::string&, bool&) {}
void IRequest::RequestLogin(const std::string&, std::string&, std::string&, bool&, bool&) {}
void IRequest::ReqNotMatch(const std::string&, bool&) {}

} // namespace Renova
