#include "Renova/ActionList.h"

namespace Renova {

Automation::Ref<ActionListItem> ActionList::Add(int32_t ID) {
    auto item = Automation::New<ActionListItem>();
    item->setID(ID);
    item->setKey(KeyOf(ID));
    items_.Add(item, item->Key());
    return item;
}

} // namespace Renova
