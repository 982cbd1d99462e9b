#include "Tickard/modTimerEvent.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Tickard/TimerEvent.h"
#include "automation/Collection.h"
#include "messages/ThreadTimer.h"

namespace Tickard {

namespace {

using Registry = Automation::Collection<TimerEvent*>;

// One registry per thread and per rule.
std::unique_ptr<Registry>& registry(OrphanTicks rule) {
    thread_local std::unique_ptr<Registry> registries[2];
    return registries[rule == OrphanTicks::Kill ? 0 : 1];
}

std::string keyOf(int32_t id) {
    return std::to_string(id) + "T";
}

} // namespace

bool modTimerEvent::Exists(OrphanTicks rule) {
    return registry(rule) != nullptr;
}

int32_t modTimerEvent::StartTimer(OrphanTicks rule, TimerEvent* object, int32_t periodMs, int32_t id) {
    try {
        auto& entries = registry(rule);
        if (!entries)
            entries = std::make_unique<Registry>();
        if (id != 0 || periodMs <= 0)
            return id;
        int32_t newId = Platform::SetThreadTimer(
            periodMs, [rule](uint32_t message, int32_t tickId) { TimerProc(rule, message, tickId); });
        if (newId != 0)
            entries->Add(object, keyOf(newId));
        return newId;
    } catch (...) {
        return 0;
    }
}

void modTimerEvent::StopTimer(OrphanTicks rule, int32_t& id) {
    try {
        auto& entries = registry(rule);
        if (!entries || !TimerRunning(id))
            return;
        if (!Platform::KillThreadTimer(id))
            return;
        entries->Remove(keyOf(id));
        id = 0;
        if (entries->Count() == 0)
            entries.reset();
    } catch (...) {
    }
}

void modTimerEvent::TimerProc(OrphanTicks rule, uint32_t message, int32_t tickId) {
    if (message != Platform::WM_TIMER)
        return;
    auto& entries = registry(rule);
    if (!entries) {
        if (rule == OrphanTicks::Kill && tickId != 0)
            Platform::KillThreadTimer(tickId);
        return;
    }
    // Handlers may start, stop or destroy timers while we walk: walk a copy
    // and call only the entries that are still registered.
    std::vector<std::pair<std::string, TimerEvent*>> walk;
    walk.reserve(entries->Count());
    for (int32_t i = 1; i <= entries->Count(); ++i)
        walk.emplace_back(entries->KeyAt(i), entries->Item(i));
    for (auto& [key, object] : walk) {
        auto& current = registry(rule);
        if (!current || !current->Exists(key) || current->Item(key) != object)
            continue;
        object->TimerCallBack(tickId);
    }
}

} // namespace Tickard
