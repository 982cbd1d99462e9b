#pragma once
// One reflected property of an object: its description from the interface's
// member table, and its value read and written on the object by name.
#include <cstdint>
#include <string>

#include "Proptree/IPrivateProperty.h"
#include "automation/Collection.h"
#include "automation/InterfaceTable.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Proptree {

class Properties;

class Property : public Automation::Object, public IPrivateProperty {
public:
    static constexpr Automation::ClassInfo classInfo{"{1559709C-800B-4AC1-942B-8D9B4C0BAFC4}",
                                                     "Proptree.Property",
                                                     "{2E3167F3-AA13-4F56-AA90-05996E07BA71}"};

    Property();

    const std::string& Name() const { return name_; }
    const std::string& FriendlyName() const { return friendlyName_; }
    const std::string& HelpString() const { return helpString_; }
    const std::string& TypeName() const { return typeName_; }
    bool ReadOnly() const { return readOnly_; }
    bool NonBrowsable() const { return nonBrowsable_; }
    const std::string& CustomAttributeString() const { return customAttributeString_; }

    // Reads or writes the member Name on the host; the host's own errors
    // (a read-only member included) reach the caller unchanged.
    Automation::Variant Value() const;
    void setValue(const Automation::Variant& value);

    // For an enumeration type: "Name=Value" per constant.
    Automation::Ref<Automation::Collection<std::string>> EnumeratedOptions() const {
        return enumeratedOptions_;
    }
    EnumPropertyCategory Category() const { return category_; }
    void setCategory(EnumPropertyCategory value) override { category_ = value; }
    // The reflected object; Nothing once it has gone or its list was told so.
    Automation::Ref<Automation::Object> HostObj() const { return host_.lock(); }
    // A collection of types to choose between.
    Automation::Ref<Automation::Collection<Automation::Variant>> CollectionType() const {
        return collectionType_;
    }
    void setCollectionType(Automation::Ref<Automation::Collection<Automation::Variant>> value);

private:
    friend class Properties;

    void setFriendlyName(const std::string& value) override { friendlyName_ = value; }
    void setHelpString(const std::string& value) override { helpString_ = value; }
    void setTypeName(const std::string& value) override { typeName_ = value; }
    void setReadOnly(bool value) override { readOnly_ = value; }
    void setNonBrowsable(bool value) override { nonBrowsable_ = value; }
    void setCustomAttributeString(const std::string& value) override { customAttributeString_ = value; }
    void setEnumeratedOptions(Automation::Ref<Automation::Collection<std::string>> value) override;

    // Set by the list while it reflects the host.
    void setName(const std::string& value) { name_ = value; }
    void setHost(const Automation::Ref<Automation::Object>& host, const Automation::InterfaceTable& table);
    void clearHost() { host_.reset(); }
    int32_t InvokeKinds() const { return invokeKinds_; }
    void setInvokeKinds(int32_t kinds);

    std::string name_;
    std::string friendlyName_;
    std::string helpString_;
    std::string typeName_;
    std::string customAttributeString_;
    bool readOnly_ = false;
    bool nonBrowsable_ = false;
    int32_t invokeKinds_ = 0;
    EnumPropertyCategory category_ = MISC_PROPERTYCATEGORY;
    Automation::Ref<Automation::Collection<std::string>> enumeratedOptions_;
    Automation::Ref<Automation::Collection<Automation::Variant>> collectionType_;
    Automation::WeakRef<Automation::Object> host_;
    // The interface the property was listed from; member tables are static.
    const Automation::InterfaceTable* table_ = nullptr;
};

} // namespace Proptree
