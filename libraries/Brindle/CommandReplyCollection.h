#pragma once
// The replies still known to the protocol handler, keyed "ID" and the message
// id; only the newest MaxIndex are kept, so a late reply to a recent id is
// still matched.
#include <cstdint>
#include <string>

#include "Brindle/CommandReply.h"
#include "automation/Collection.h"
#include "automation/Object.h"

namespace Brindle {

class CommandReplyCollection : public Automation::Object {
public:
    CommandReplyCollection() { items_.setErrorSource("CommandReplyCollection"); }

    int32_t NoReplyCount() const;
    int32_t MaxIndex() const { return maxIndex_; }
    void setMaxIndex(int32_t value) { maxIndex_ = value; }

    // A missing id raises the collection's error 5.
    const Automation::Ref<CommandReply>& Item(int32_t MsgID) const { return items_.Item(keyOf(MsgID)); }
    // The entry with that id, or Nothing.
    Automation::Ref<CommandReply> Find(int32_t MsgID) const;
    const Automation::Ref<CommandReply>& ItemByIndex(int32_t Index) const { return items_.Item(Index); }
    int32_t Count() const { return items_.Count(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Drops the oldest entries beyond MaxIndex; an id still present raises 457.
    Automation::Ref<CommandReply> Add(const Automation::Ref<CommandReply>& Reply);
    // Nothing when absent.
    Automation::Ref<CommandReply> Remove(int32_t MsgID);
    void RemoveAll() { items_.Clear(); }

private:
    static std::string keyOf(int32_t id) { return "ID" + std::to_string(id); }

    Automation::Collection<Automation::Ref<CommandReply>> items_;
    int32_t maxIndex_ = 10;
};

} // namespace Brindle
