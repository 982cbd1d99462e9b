#include "Brindle/CommandReplyCollection.h"

namespace Brindle {

int32_t CommandReplyCollection::NoReplyCount() const {
    int32_t count = 0;
    for (const auto& reply : items_)
        count += reply->Replied() ? 0 : 1;
    return count;
}

Automation::Ref<CommandReply> CommandReplyCollection::Find(int32_t MsgID) const {
    std::string key = keyOf(MsgID);
    return items_.Exists(key) ? items_.Item(key) : Automation::Ref<CommandReply>();
}

Automation::Ref<CommandReply> CommandReplyCollection::Add(const Automation::Ref<CommandReply>& Reply) {
    items_.Add(Reply, keyOf(Reply->MsgID()));
    while (items_.Count() > maxIndex_)
        items_.Remove(1);
    return Reply;
}

Automation::Ref<CommandReply> CommandReplyCollection::Remove(int32_t MsgID) {
    Automation::Ref<CommandReply> reply = Find(MsgID);
    if (reply)
        items_.Remove(keyOf(MsgID));
    return reply;
}

} // namespace Brindle
