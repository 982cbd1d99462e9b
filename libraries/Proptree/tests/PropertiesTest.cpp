#include <gtest/gtest.h>

#include "ErrorNumber.h"

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
    bool Echo() const { return echo; }
    void setEcho(bool value) { echo = value; }
    Ref<TestFont> Font() const { return font; }
    void setFont(Ref<TestFont> value) { font = std::move(value); }
    void setSecret(std::string) {}
    void setParity(enumParity) {}
    void setBackColor(int32_t) {}

    const InterfaceTable* interfaceTable(std::string_view name) const override {
        static const InterfaceTable table =
            InterfaceBuilder<Device>("_Device")
                .property(
                    "Baudrate", &Device::Baudrate, &Device::setBaudrate,
                    {.help = "<FriendlyName>Baud rate</FriendlyName> and <helpstr>Line speed</HELPSTR>"})
                .method("Open")
                .property("Busy", [](Device&) { return true; }, {.help = "Busy without tags"})
                .property("Echo", &Device::Echo, &Device::setEcho,
                          {.help = "</HelpStr><HelpStr>Echo<CustomAttrStr>on"})
                .property("Font", &Device::Font, &Device::setFont, {.type = TypeInfo::object("Font")})
                .property("Secret", [](Device&) { return std::string("x"); }, &Device::setSecret,
                          {.nonBrowsable = true})
                .property("Parity", [](Device&) { return Parity_Even; }, &Device::setParity,
                          {.type = TypeInfo::enumeration("enumParity", {{"Parity_None", int32_t{0}},
                                                                        {"Parity_Odd", int16_t{1}},
                                                                        {"Parity_Even", int32_t{2}}})})
                .property("BackColor", [](Device&) { return int32_t{0xFF}; }, &Device::setBackColor,
                          {.type = TypeInfo::alias("OLE_COLOR", "Long")})
                .property("Position", [](Device&) { return int32_t{0}; },
                          {.type = TypeInfo::record("POINTAPI")})
                .property("Properties", [](Device&) { return int32_t{0}; })
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

} // namespace

TEST(PropertiesTest, RefreshDescribesEachPropertyOfTheDefaultInterfaceOnceInDeclarationOrder) {
    auto device = New<Device>();
    auto list = New<Properties>();
    // Listing again adds nothing: the accessors combine, so a get-only property stays read-only.
    list->Refresh(device, "Ignored");
    list->Refresh(device);

    // Methods, structures and the member named Properties are not listed.
    EXPECT_EQ(namesOf(*list), (std::vector<std::string>{"Baudrate", "Busy", "Echo", "Font", "Secret",
                                                        "Parity", "BackColor"}));
    struct Described {
        const char *name, *typeName;
        bool readOnly;
        const char *friendlyName, *helpString;
    };
    // Help tags are found without regard to case; a closing tag before the opening one, or an
    // opening one never closed, gives nothing. A set accessor makes an object property writable.
    for (auto [name, typeName, readOnly, friendlyName, helpString] :
         {Described{"BAUDRATE", "Long", false, "Baud rate", "Line speed"},
          {"Busy", "Boolean", true, "", ""},
          {"Echo", "Boolean", false, "", ""},
          {"Font", "Font", false, "", ""},
          {"Parity", "Long", false, "", ""},
          {"BackColor", "OLE_COLOR", false, "", ""}}) {
        auto item = list->Item(name);
        EXPECT_EQ(item->TypeName(), typeName) << name;
        EXPECT_EQ(item->ReadOnly(), readOnly) << name;
        EXPECT_EQ(item->FriendlyName(), friendlyName) << name;
        EXPECT_EQ(item->HelpString(), helpString) << name;
    }
    EXPECT_EQ(list->Item("Echo")->CustomAttributeString(), "");
    EXPECT_TRUE(list->Item("Secret")->NonBrowsable());
    auto options = list->Item("Parity")->EnumeratedOptions(); // the Long constants
    ASSERT_EQ(options->Count(), 2);
    EXPECT_EQ(options->Item(1) + " " + options->Item(2), "Parity_None=0 Parity_Even=2");

    EXPECT_EQ(list->Item(int32_t{2})->Name(), "Busy");
    EXPECT_EQ(errorNumberOf([&] { list->Item("Parity_None"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { list->Item(int32_t{8}); }), RuntimeError::SubscriptOutOfRange);
}

TEST(PropertiesTest, NamedInterfaceIsUsedWhenNoDefaultIsDescribed) {
    auto settings = New<Settings>();
    auto list = New<Properties>();
    list->Refresh(settings);              // no "_" interface
    list->Refresh(settings, "isettings"); // names compare exactly
    EXPECT_EQ(list->Count(), 0);

    list->Refresh(settings, "ISettings");
    ASSERT_EQ(namesOf(*list), std::vector<std::string>{"Timeout"});
    EXPECT_EQ(list->Item(int32_t{1})->Value(), Variant(int32_t{5}));
    list->Item(int32_t{1})->setValue(int32_t{9});
    EXPECT_EQ(settings->timeout, 9);
}

TEST(PropertiesTest, RefreshOfNothingRaisesTheLibraryErrorAndKeepsTheList) {
    auto list = New<Properties>();
    list->Refresh(New<Device>());
    EXPECT_TRUE(isError(raisedError([&] { list->Refresh(Ref<Object>()); }), -2147171403,
                        "Properties:Enumerate method", "An unknown error has occurred!"));
    EXPECT_EQ(list->Count(), 7);
}

TEST(PropertiesTest, ValueIsReadAndWrittenOnTheHostByName) {
    auto device = New<Device>();
    auto list = New<Properties>();
    list->Refresh(device);
    EXPECT_EQ(list->Item("Baudrate")->Value(), Variant(int32_t{19200}));
    list->Item("Baudrate")->setValue("9600"); // converted as the declared type expects
    EXPECT_EQ(device->baudrate, 9600);
    list->Item("Echo")->setValue("True");
    EXPECT_TRUE(device->echo);
    EXPECT_EQ(list->Item("Parity")->Value(), Variant(int32_t{2}));
    auto font = New<TestFont>();
    list->Item("Font")->setValue(font);
    EXPECT_EQ(device->font, font);
    EXPECT_EQ(list->Item("Font")->Value().toObject(), font);

    // The host refuses writes to its read-only member; ReadOnly is not consulted.
    EXPECT_EQ(errorNumberOf([&] { list->Item("Busy")->setValue(false); }),
              RuntimeError::ObjectDoesNotSupport);
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
    EXPECT_EQ(errorNumberOf([&] { New<Proptree::Property>()->Value(); }), RuntimeError::ObjectNotSet);

    // The list never keeps its host alive.
    auto other = New<Properties>();
    other->Refresh(device);
    std::weak_ptr<Object> gone = device.shared();
    device.reset();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(other->Item("Baudrate")->HostObj().isNothing());
}
