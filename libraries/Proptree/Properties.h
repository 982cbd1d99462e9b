#pragma once
// The list of the properties that one interface of an object declares, in
// declaration order, keyed by name without regard to case.
#include <cstdint>
#include <string_view>

#include "Proptree/Property.h"
#include "automation/Collection.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Proptree {

class Properties : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{21B6B9AF-C241-492E-976A-F4B0FC19B1F4}",
                                                     "Proptree.Properties",
                                                     "{322B604B-8BF4-4B65-96CF-D4F0F6141F3E}"};

    // The errors this library raises: ObjectErrorBase + ErrorOffset + n.
    static constexpr int32_t ErrorOffset = 50000;
    static constexpr int32_t ErrorEnumerate = 101;

    // Adds the properties of AnyObj's default interface or, when it describes
    // none, of its interface named "_" + InterfaceName. The list is not
    // cleared first: an item already listed only gains the accessors seen.
    void Refresh(const Automation::Ref<Automation::Object>& AnyObj, std::string_view InterfaceName = {});

    // By 1-based position or by name.
    Automation::Ref<Property> Item(const Automation::Variant& vntIndexKey) const;
    int32_t Count() const { return items_.Count(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // The host is going away: every item lets go of it, then ParentTerminated is raised.
    void ParentTerminate();
    // Raises ParentChangedEvent.
    void ParentChanged();

    Automation::Event<> ParentTerminated;
    // The event ParentChanged (the member of that name raises it).
    Automation::Event<> ParentChangedEvent;

private:
    void add(const Automation::Ref<Automation::Object>& host, const Automation::InterfaceTable& table,
             const Automation::MemberInfo& member);

    Automation::Collection<Automation::Ref<Property>> items_;
};

} // namespace Proptree
