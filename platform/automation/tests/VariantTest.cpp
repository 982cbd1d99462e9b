#include "automation/Variant.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Automation;

TEST(VariantTest, SubtypeAndTypeName) {
    struct Case {
        Variant value;
        VarType type;
        const char* name;
    };
    const Case cases[] = {
        {Variant(), VarType::Empty, "Empty"},
        {Variant::null(), VarType::Null, "Null"},
        {Variant::missing(), VarType::Error, "Error"},
        {Variant(true), VarType::Boolean, "Boolean"},
        {Variant(uint8_t{7}), VarType::Byte, "Byte"},
        {Variant(int16_t{7}), VarType::Integer, "Integer"},
        {Variant(7), VarType::Long, "Long"},
        {Variant(7.5f), VarType::Single, "Single"},
        {Variant(7.5), VarType::Double, "Double"},
        {Variant(DateValue{1}), VarType::Date, "Date"},
        {Variant("x"), VarType::String, "String"},
        {Variant(ByteArray{1, 2}), VarType::ByteArray, "Byte()"},
        {Variant(Ref<Object>()), VarType::Object, "Nothing"},
        {Variant(New<Object>()), VarType::Object, "Object"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.varType(), c.type) << c.name;
        EXPECT_EQ(c.value.typeName(), c.name);
    }
    EXPECT_EQ(static_cast<int>(VarType::ByteArray), 8209);
    EXPECT_TRUE(Variant(uint8_t{1}).isNumber());
    EXPECT_TRUE(Variant(1.5f).isNumber());
    EXPECT_FALSE(Variant(true).isNumber());
    EXPECT_FALSE(Variant("1").isNumber());
    EXPECT_FALSE(Variant(DateValue{1}).isNumber());
    EXPECT_FALSE(Variant().isNumber());
}

TEST(VariantTest, NumericConversions) {
    EXPECT_EQ(Variant().toLong(), 0);
    EXPECT_EQ(Variant(true).toLong(), -1);
    EXPECT_EQ(Variant(true).toDouble(), -1);
    EXPECT_EQ(Variant(false).toInteger(), 0);
    EXPECT_EQ(Variant(2.5).toLong(), 2);
    EXPECT_EQ(Variant(3.5f).toInteger(), 4);
    EXPECT_EQ(Variant(uint8_t{200}).toInteger(), 200);
    EXPECT_EQ(Variant(DateValue{2.5}).toDouble(), 2.5);
    EXPECT_EQ(Variant("2.5").toLong(), 2);
    EXPECT_EQ(Variant(" 1,000 ").toLong(), 1000);
    EXPECT_EQ(Variant("&HFFFF").toLong(), -1);
    EXPECT_EQ(Variant("1e3").toDouble(), 1000);

    EXPECT_EQ(errorNumberOf([] { Variant(true).toByte(); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(1e10).toLong(); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(40000).toInteger(); }), RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant("abc").toLong(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("").toDouble(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toLong(); }), RuntimeError::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { Variant::missing().toLong(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant(New<Object>()).toDouble(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant(ByteArray{1}).toLong(); }), RuntimeError::TypeMismatch);
}

TEST(VariantTest, BooleanConversion) {
    EXPECT_TRUE(Variant("True").toBool());
    EXPECT_TRUE(Variant("tRUE").toBool());
    EXPECT_FALSE(Variant("FALSE").toBool());
    EXPECT_TRUE(Variant("-1").toBool());
    EXPECT_FALSE(Variant("0").toBool());
    EXPECT_TRUE(Variant(0.1).toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_EQ(errorNumberOf([] { Variant("yes").toBool(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toBool(); }), RuntimeError::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { Variant::missing().toBool(); }), RuntimeError::TypeMismatch);
}

TEST(VariantTest, TextConversion) {
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_EQ(Variant(true).toString(), "True");
    EXPECT_EQ(Variant(false).toString(), "False");
    EXPECT_EQ(Variant(uint8_t{255}).toString(), "255");
    EXPECT_EQ(Variant(int16_t{-5}).toString(), "-5");
    EXPECT_EQ(Variant(-2147483647 - 1).toString(), "-2147483648");
    EXPECT_EQ(Variant(0.1f).toString(), "0.1");
    EXPECT_EQ(Variant(1e20).toString(), "1E+20");
    EXPECT_EQ(Variant(ByteArray{'A', 0xE9}).toString(), "A\xE9");
    EXPECT_EQ(Variant::missing().toString(), "Error 448");
    EXPECT_EQ(errorNumberOf([] { Variant::null().toString(); }), RuntimeError::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { Variant(New<Object>()).toString(); }), RuntimeError::TypeMismatch);

    // English short date and long time; day 0 shows the time only, midnight the date only.
    EXPECT_EQ(Variant(DateValue{0}).toString(), "12:00:00 AM");
    EXPECT_EQ(Variant(DateValue{0.25}).toString(), "6:00:00 AM");
    EXPECT_EQ(Variant(DateValue{36526}).toString(), "1/1/2000");
    EXPECT_EQ(Variant(DateValue{36526.5 + 61.0 / 86400}).toString(), "1/1/2000 12:01:01 PM");
    EXPECT_EQ(Variant(DateValue{-1.5}).toString(), "12/29/1899 12:00:00 PM");
    EXPECT_EQ(Variant(DateValue{2958465.5}).toString(), "12/31/9999 12:00:00 PM");
    EXPECT_EQ(errorNumberOf([] { Variant(DateValue{3e6}).toString(); }), RuntimeError::Overflow);
}

TEST(VariantTest, ObjectsAndByteArrays) {
    auto object = New<Object>();
    EXPECT_EQ(Variant(object).toObject(), object);
    EXPECT_TRUE(Variant(Ref<Object>()).toObject().isNothing());
    EXPECT_EQ(errorNumberOf([] { Variant().toObject(); }), RuntimeError::ObjectRequired);
    EXPECT_EQ(errorNumberOf([] { Variant("x").toObject(); }), RuntimeError::ObjectRequired);

    EXPECT_EQ(Variant("A\xE9").toByteArray(), (ByteArray{'A', 0xE9}));
    EXPECT_EQ(Variant(ByteArray{0, 1}).toByteArray(), (ByteArray{0, 1}));
    EXPECT_EQ(errorNumberOf([] { Variant(5).toByteArray(); }), RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toByteArray(); }), RuntimeError::InvalidUseOfNull);
}

TEST(VariantTest, EqualityNeedsTheSameSubtype) {
    EXPECT_EQ(Variant(5), Variant(5));
    EXPECT_NE(Variant(5), Variant(int16_t{5}));
    EXPECT_NE(Variant(5), Variant(5.0));
    EXPECT_NE(Variant("a"), Variant("A"));
    EXPECT_EQ(Variant(), Variant());
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_NE(Variant(), Variant::missing());
    auto object = New<Object>();
    EXPECT_EQ(Variant(object), Variant(object));
    EXPECT_NE(Variant(object), Variant(New<Object>()));
}

// A raw pointer must not become a Boolean: objects enter only as Ref.
static_assert(!std::is_constructible_v<Variant, Object*>);
static_assert(!std::is_constructible_v<Variant, const int*>);
static_assert(!std::is_constructible_v<Variant, std::nullptr_t>);
static_assert(std::is_constructible_v<Variant, const char*>);
static_assert(std::is_constructible_v<Variant, Ref<Object>>);
