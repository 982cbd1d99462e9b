#include <gtest/gtest.h>

#include "ErrorNumber.h"

#include "automation/InterfaceTable.h"

using namespace Platform::Automation;

namespace {

enum class Mode : int32_t { Off = 0, On = 1 };

class Gadget : public Object {
public:
    int32_t Speed() const { return speed; }
    void setSpeed(int32_t value) { speed = value; }
    std::string Label() const { return "gadget"; }
    Mode CurrentMode() const { return mode; }
    void setCurrentMode(Mode value) { mode = value; }
    Ref<Gadget> Peer() const { return peer; }
    void setPeer(Ref<Gadget> value) { peer = std::move(value); }
    Variant Tag() const { return tag; }
    void setTag(const Variant& value) { tag = value; }

    static const InterfaceTable& table() {
        static const InterfaceTable table =
            InterfaceBuilder<Gadget>("_Gadget")
                .property("Speed", &Gadget::Speed, &Gadget::setSpeed, {.help = "<HelpStr>rpm</HelpStr>"})
                .property("Label", &Gadget::Label, {.nonBrowsable = true})
                .property("Mode", &Gadget::CurrentMode, &Gadget::setCurrentMode,
                          {.type = TypeInfo::enumeration("Mode", {{"Off", int32_t{0}}, {"On", int32_t{1}}})})
                .property("Peer", &Gadget::Peer, &Gadget::setPeer, {.type = TypeInfo::object("Gadget")})
                .property("Tag", &Gadget::Tag, &Gadget::setTag,
                          {.writeKinds = InvokeKind::PropertyLet | InvokeKind::PropertySet})
                .method("Spin")
                .build();
        return table;
    }
    const InterfaceTable* interfaceTable(std::string_view name) const override {
        return selectInterface(name, &table());
    }

    int32_t speed = 0;
    Mode mode = Mode::Off;
    Ref<Gadget> peer;
    Variant tag;
};

} // namespace

TEST(InterfaceTableTest, PropertiesAreOneEntryPerAccessorInDeclarationOrder) {
    std::vector<std::pair<std::string, int32_t>> entries;
    for (const MemberInfo& member : Gadget::table().members)
        entries.emplace_back(member.name, member.invokeKind);
    using namespace InvokeKind;
    EXPECT_EQ(entries, (std::vector<std::pair<std::string, int32_t>>{{"Speed", PropertyGet},
                                                                     {"Speed", PropertyLet},
                                                                     {"Label", PropertyGet},
                                                                     {"Mode", PropertyGet},
                                                                     {"Mode", PropertyLet},
                                                                     {"Peer", PropertyGet},
                                                                     {"Peer", PropertySet},
                                                                     {"Tag", PropertyGet},
                                                                     {"Tag", PropertyLet},
                                                                     {"Tag", PropertySet},
                                                                     {"Spin", Method}}));
    const InterfaceTable& table = Gadget::table();
    EXPECT_EQ(table.find("speed", PropertyLet)->type.name, "Long");
    EXPECT_EQ(table.find("speed", PropertyLet)->helpString, "<HelpStr>rpm</HelpStr>");
    EXPECT_EQ(table.find("Label", PropertyGet)->type.name, "String");
    EXPECT_TRUE(table.find("Label", PropertyGet)->nonBrowsable);
    EXPECT_EQ(table.find("Mode", PropertyGet)->type.kind, TypeKind::Enumeration);
    EXPECT_EQ(table.find("Tag", PropertyGet)->type.name, "Variant");
    EXPECT_EQ(table.find("Label", PropertyLet), nullptr);
}

TEST(InterfaceTableTest, ValuesAreReadAndWrittenByNameWithConversion) {
    auto gadget = New<Gadget>();
    putProperty(*gadget, "SPEED", "1200");
    EXPECT_EQ(gadget->speed, 1200);
    EXPECT_EQ(getProperty(*gadget, "speed"), Variant(int32_t{1200}));
    EXPECT_EQ(getProperty(*gadget, "Label"), Variant("gadget"));

    putProperty(*gadget, "Mode", int16_t{1});
    EXPECT_EQ(gadget->mode, Mode::On);
    EXPECT_EQ(getProperty(*gadget, "Mode"), Variant(int32_t{1}));

    auto peer = New<Gadget>();
    putProperty(*gadget, "Peer", peer, InvokeKind::PropertySet);
    EXPECT_EQ(gadget->peer, peer);
    EXPECT_EQ(getProperty(*gadget, "Peer").toObject(), peer);
    putProperty(*gadget, "Peer", Variant(Ref<Object>()), InvokeKind::PropertySet);
    EXPECT_TRUE(gadget->peer.isNothing());

    putProperty(*gadget, "Tag", 2.5);
    EXPECT_EQ(gadget->tag, Variant(2.5));
}

TEST(InterfaceTableTest, LateBoundAccessRaisesAsTheDispatchLayerDid) {
    auto gadget = New<Gadget>();
    EXPECT_EQ(errorNumberOf([&] { getProperty(*gadget, "Torque"); }), RuntimeError::ObjectDoesNotSupport);
    EXPECT_EQ(errorNumberOf([&] { putProperty(*gadget, "Label", "x"); }), RuntimeError::ObjectDoesNotSupport);
    EXPECT_EQ(errorNumberOf([&] { getProperty(*gadget, "Spin"); }), RuntimeError::ObjectDoesNotSupport);
    // Peer has no let accessor; objects reach it by set only.
    EXPECT_EQ(errorNumberOf([&] { putProperty(*gadget, "Peer", New<Gadget>()); }),
              RuntimeError::ObjectDoesNotSupport);
    EXPECT_EQ(errorNumberOf([&] { putProperty(*gadget, "Speed", "fast"); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([&] { putProperty(*gadget, "Peer", New<Object>(), InvokeKind::PropertySet); }),
              RuntimeError::TypeMismatch);
    EXPECT_EQ(gadget->speed, 0);

    // A table used on an object of another class, and an object without any.
    auto plain = New<Object>();
    EXPECT_EQ(errorNumberOf([&] { getProperty(*plain, Gadget::table(), "Speed"); }),
              RuntimeError::ObjectDoesNotSupport);
    EXPECT_EQ(errorNumberOf([&] { getProperty(*plain, "Speed"); }), RuntimeError::ObjectDoesNotSupport);
}

TEST(InterfaceTableTest, SelectInterfaceMatchesNamesExactly) {
    InterfaceTable first{"_First", {}}, second{"_Second", {}};
    EXPECT_EQ(selectInterface("", &first, {&second}), &first);
    EXPECT_EQ(selectInterface("_Second", &first, {&second}), &second);
    EXPECT_EQ(selectInterface("_First", &first, {&second}), &first);
    EXPECT_EQ(selectInterface("_second", &first, {&second}), nullptr);
    EXPECT_EQ(selectInterface("", nullptr, {&second}), nullptr);
}

TEST(InterfaceTableTest, MemberWhoseTypeCannotBeToldNeedsOne) {
    EXPECT_THROW(InterfaceBuilder<Gadget>("_Gadget").property("Mode", &Gadget::CurrentMode),
                 std::logic_error);
}
