#include "Gaugely/IProgressCallBack.h"

namespace Gaugely {

void IProgressCallBack::Feedback(const Automation::Ref<Progress>&, bool&) {}

} // namespace Gaugely
