#pragma once
// One announced step of an installation job.
#include <cstdint>
#include <string>

#include "automation/Object.h"

namespace Renova {

class ActionListItem : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{8D4A2E61-C7B3-4F95-A018-6E3D9B5C2F47}",
                                                     "Renova.ActionListItem",
                                                     "{1F6C8B39-4A25-4E7D-9C62-B0E5A3D81F74}"};

    // The item's key in its list.
    const std::string& Key() const { return key_; }
    void setKey(std::string value) { key_ = std::move(value); }
    // An enumActionID value.
    int32_t ID() const { return id_; }
    void setID(int32_t value) { id_ = value; }

private:
    std::string key_;
    int32_t id_ = 0;
};

} // namespace Renova
