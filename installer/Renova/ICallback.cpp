#include "Renova/ICallback.h"

namespace Renova {

void ICallback::Progress(const std::string&, int32_t, const std::string&, int32_t, bool&) {}
void ICallback::UpdateFinshed(const std::string&) {}
void ICallback::UpdateStart(const Automation::Ref<ActionList>&, const std::string&) {}
void ICallback::Error(const std::string&, int32_t, int32_t) {}

} // namespace Renova
