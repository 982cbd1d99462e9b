#include <gtest/gtest.h>

#include "ErrorNumber.h"

#include <functional>
#include <string>
#include <vector>

#include "Proptree/Properties.h"
#include "automation/InterfaceTable.h"

using namespace Automation;
using Proptree::Properties;

namespace {

enum enumParity : int32_t { Parity_None = 0, Parity_Even = 2 };

class TestFont : public Object {};

// A port-like object whose default interface has every kind of member.
class Device : public Object {
public:
    int32_t Baudrate() const { return baudrate; }
    void setBaudrate(int32_t value) { baudrate = value; }
    bool Busy() const { return true; }
    bool Echo() const { return echo; }
    void setEcho(bool value) { echo = value; }
    Ref<TestFont> Font() const { return font; }
    void setFont(Ref<TestFont> value) { font = std::move(value); }
    std::string Secret() const { return "x"; }
    void setSecret(std::string) {}
    enumParity Parity() const { return Parity_Even; }
    void setParity(enumParity) {}
    int32_t BackColor() const { return 0xFF; }
    void setBackColor(int32_t) {}
    int32_t Position() const { return 0; }
    int32_t NoProperties() const { return 0; }

    const InterfaceTable* interfaceTable(std::string_view name) const override {
        static const InterfaceTable table =
            InterfaceBuilder<Device>("_Device")
                .property(
                    "Baudrate", &Device::Baudrate, &Device::setBaudrate,
                    {.help = "<FriendlyName>Baud rate</FriendlyName> and <helpstr>Line speed</HELPSTR>"})
                .method("Open")
                .property("Busy", &Device::Busy, {.help = "Busy without tags"})
                .property("Echo", &Device::Echo, &Device::setEcho,
                          {.help = "</HelpStr><HelpStr>Echo<CustomAttrStr>on"})
                .property("Font", &Device::Font, &Device::setFont, {.type = TypeInfo::object("Font")})
                .property("Secret", &Device::Secret, &Device::setSecret, {.nonBrowsable = true})
                .property("Parity", &Device::Parity, &Device::setParity,
                          {.type = TypeInfo::enumeration("enumParity", {{"Parity_None", int32_t{0}},
                                                                        {"Parity_Odd", int16_t{1}},
                                                                        {"Parity_Even", int32_t{2}}})})
                .property("BackColor", &Device::BackColor, &Device::setBackColor,
                          {.type = TypeInfo::alias("OLE_COLOR", "Long")})
                .property("Position", &Device::Position, {.type = TypeInfo::record("POINTAPI")})
                .property("Properties", &Device::NoProperties)
                .build();
        return selectInterface(name, &table);
    }

    int32_t baudrate = 19200;
    bool echo = false;
    Ref<TestFont> font;
};

// An object that describes no default interface, only one it implements.
class Settings : public Object {
public:
    int32_t Timeout() const { return timeout; }
    void setTimeout(int32_t value) { timeout = value; }

    const InterfaceTable* interfaceTable(std::string_view name) const override {
        static const InterfaceTable table =
            InterfaceBuilder<Settings>("_ISettings")
                .property("Timeout", &Settings::Timeout, &Settings::setTimeout)
                .build();
        return selectInterface(name, nullptr, {&table});
    }

    int32_t timeout = 5;
};

std::vector<std::string> namesOf(const Properties& list) {
    std::vector<std::string> names;
    for (const Ref<Proptree::Property>& item : list)
        names.push_back(item->Name());
    return names;
}

std::vector<std::string> textsOf(const Collection<std::string>& texts) {
    std::vector<std::string> result;
    for (const std::string& text : texts)
        result.push_back(text);
    return result;
}

} // namespace

TEST(PropertiesTest, ListsTheDefaultInterfaceOnePerPropertyInDeclarationOrder) {
    auto device = New<Device>();
    auto list = New<Properties>();
    list->Refresh(device, "Ignored");

    // Methods, structures and the member named Properties are not listed.
    EXPECT_EQ(namesOf(*list), (std::vector<std::string>{"Baudrate", "Busy", "Echo", "Font", "Secret",
                                                        "Parity", "BackColor"}));

    auto baudrate = list->Item("BAUDRATE");
    EXPECT_FALSE(baudrate->ReadOnly());
    EXPECT_EQ(baudrate->TypeName(), "Long");
    EXPECT_TRUE(list->Item("Busy")->ReadOnly());
    EXPECT_EQ(list->Item("Busy")->TypeName(), "Boolean");
    EXPECT_FALSE(list->Item("Font")->ReadOnly()); // a set is a write accessor
    EXPECT_EQ(list->Item("Font")->TypeName(), "Font");
    EXPECT_TRUE(list->Item("Secret")->NonBrowsable());
    EXPECT_FALSE(baudrate->NonBrowsable());
    EXPECT_EQ(list->Item("BackColor")->TypeName(), "OLE_COLOR");

    auto parity = list->Item("Parity");
    EXPECT_EQ(parity->TypeName(), "Long");
    EXPECT_EQ(textsOf(*parity->EnumeratedOptions()),
              (std::vector<std::string>{"Parity_None=0", "Parity_Even=2"}));
    EXPECT_EQ(baudrate->EnumeratedOptions()->Count(), 0);
    EXPECT_EQ(baudrate->Category(), Proptree::MISC_PROPERTYCATEGORY);
    EXPECT_EQ(baudrate->CollectionType()->Count(), 0);
}

TEST(PropertiesTest, HelpStringTagsGiveTheTextsBetweenThem) {
    auto list = New<Properties>();
    list->Refresh(New<Device>());

    auto baudrate = list->Item("Baudrate");
    EXPECT_EQ(baudrate->FriendlyName(), "Baud rate");
    EXPECT_EQ(baudrate->HelpString(), "Line speed"); // tags in another case
    EXPECT_EQ(baudrate->CustomAttributeString(), "");

    auto busy = list->Item("Busy");
    EXPECT_EQ(busy->FriendlyName(), "");
    EXPECT_EQ(busy->HelpString(), "");

    // A closing tag only before the opening one, and an opening one never closed.
    auto echo = list->Item("Echo");
    EXPECT_EQ(echo->HelpString(), "");
    EXPECT_EQ(echo->CustomAttributeString(), "");
}

TEST(PropertiesTest, RefreshingAgainKeepsGetOnlyPropertiesReadOnly) {
    auto device = New<Device>();
    auto list = New<Properties>();
    list->Refresh(device);
    list->Refresh(device);
    list->Refresh(device);

    EXPECT_EQ(list->Count(), 7);
    EXPECT_TRUE(list->Item("Busy")->ReadOnly());
    EXPECT_FALSE(list->Item("Baudrate")->ReadOnly());
}

TEST(PropertiesTest, NamedInterfaceIsUsedWhenNoDefaultIsDescribed) {
    auto settings = New<Settings>();
    auto list = New<Properties>();

    list->Refresh(settings);              // no "_" interface
    list->Refresh(settings, "isettings"); // names compare exactly
    EXPECT_EQ(list->Count(), 0);

    list->Refresh(settings, "ISettings");
    ASSERT_EQ(list->Count(), 1);
    auto timeout = list->Item(int32_t{1});
    EXPECT_EQ(timeout->Name(), "Timeout");
    EXPECT_EQ(timeout->Value(), Variant(int32_t{5}));
    timeout->setValue(int32_t{9});
    EXPECT_EQ(settings->timeout, 9);
}

TEST(PropertiesTest, RefreshOfNothingRaisesTheLibraryError) {
    auto list = New<Properties>();
    list->Refresh(New<Device>());
    try {
        list->Refresh(Ref<Object>());
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.Number(), -2147171403);
        EXPECT_EQ(error.Source(), "Properties:Enumerate method");
        EXPECT_EQ(error.Description(), "An unknown error has occurred!");
    }
    EXPECT_EQ(list->Count(), 7); // what was listed before stays
}

TEST(PropertiesTest, ValueIsReadAndWrittenOnTheHostByName) {
    auto device = New<Device>();
    auto list = New<Properties>();
    list->Refresh(device);

    EXPECT_EQ(list->Item("Baudrate")->Value(), Variant(int32_t{19200}));
    list->Item("Baudrate")->setValue("9600");
    EXPECT_EQ(device->baudrate, 9600);
    list->Item("Echo")->setValue("True");
    EXPECT_TRUE(device->echo);
    EXPECT_EQ(list->Item("Parity")->Value(), Variant(int32_t{2}));

    auto font = New<TestFont>();
    list->Item("Font")->setValue(font);
    EXPECT_EQ(device->font, font);
    EXPECT_EQ(list->Item("Font")->Value().toObject(), font);

    // The host refuses writes to its read-only member; ReadOnly is not consulted.
    EXPECT_EQ(errorNumberOf([&] { list->Item("Busy")->setValue(false); }), RuntimeError::ObjectDoesNotSupport);
    // A conversion failure reaches the caller unchanged.
    EXPECT_EQ(errorNumberOf([&] { list->Item("Baudrate")->setValue("fast"); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(device->baudrate, 9600);
}

TEST(PropertiesTest, ItemsLetGoOfTheirHost) {
    auto device = New<Device>();
    auto list = New<Properties>();
    list->Refresh(device);
    EXPECT_EQ(list->Item("Busy")->HostObj(), device);

    int terminated = 0, changed = 0;
    auto onTerminated = list->ParentTerminated.connect([&] { ++terminated; });
    auto onChanged = list->ParentChangedEvent.connect([&] { ++changed; });
    list->ParentChanged();
    EXPECT_EQ(changed, 1);
    list->ParentTerminate();
    EXPECT_EQ(terminated, 1);

    for (const Ref<Proptree::Property>& item : *list)
        EXPECT_TRUE(item->HostObj().isNothing());
    EXPECT_EQ(errorNumberOf([&] { list->Item("Busy")->Value(); }), RuntimeError::ObjectNotSet);

    // A property made on its own has no host either.
    EXPECT_THROW(New<Proptree::Property>()->Value(), Error);

    // The list never keeps its host alive.
    auto other = New<Properties>();
    other->Refresh(device);
    std::weak_ptr<Object> gone = device.shared();
    device.reset();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(other->Item("Baudrate")->HostObj().isNothing());
}

TEST(PropertiesTest, ItemRaisesTheCollectionErrors) {
    auto list = New<Properties>();
    list->Refresh(New<Device>());
    EXPECT_EQ(list->Item(int32_t{2})->Name(), "Busy");
    EXPECT_EQ(errorNumberOf([&] { list->Item("Parity_None"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { list->Item(int32_t{8}); }), RuntimeError::SubscriptOutOfRange);
}
