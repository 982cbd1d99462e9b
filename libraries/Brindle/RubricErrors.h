#pragma once
// The printer errors of one reply, in the order the printer reported them.
#include <cstdint>

#include "Brindle/RubricError.h"
#include "automation/Collection.h"
#include "automation/Object.h"

namespace Brindle {

class RubricErrors : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3C9E7B21-6A04-4F5D-8B13-E2A7D90C54F1}",
                                                     "Brindle.RubricErrors",
                                                     "{A41F6D08-2C93-4B7E-95D2-7F0E3B8C16A5}"};

    RubricErrors() { items_.setErrorSource("RubricErrors"); }

    const Automation::Ref<RubricError>& Item(int32_t Index) const { return items_.Item(Index); }
    int32_t Count() const { return items_.Count(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    Automation::Ref<RubricError> Add(const Automation::Ref<RubricError>& RubricErrorObj) {
        items_.Add(RubricErrorObj);
        return RubricErrorObj;
    }
    void Remove(int32_t Index) { items_.Remove(Index); }
    void Clear() { items_.Clear(); }

private:
    Automation::Collection<Automation::Ref<RubricError>> items_;
};

} // namespace Brindle
