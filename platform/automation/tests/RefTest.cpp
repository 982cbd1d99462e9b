#include "automation/Ref.h"
#include "automation/Object.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Automation;

namespace {

class IFirst {
public:
    virtual ~IFirst() = default;
    virtual int first() const = 0;
};
class ISecond {
public:
    virtual ~ISecond() = default;
    virtual int second() const = 0;
};
class IUnused {
public:
    virtual ~IUnused() = default;
};
class Thing : public Object, public IFirst, public ISecond {
public:
    int first() const override { return 1; }
    int second() const override { return 2; }
};

} // namespace

TEST(RefTest, NothingRaisesObjectNotSet) {
    Ref<Thing> nothing;
    EXPECT_TRUE(nothing.isNothing());
    EXPECT_EQ(nothing, nullptr);
    Error error = raisedError([&] { nothing->first(); });
    EXPECT_EQ(error.Number(), RuntimeError::ObjectNotSet);
    EXPECT_EQ(error.Description(), "Object variable or With block variable not set");
}

TEST(RefTest, InterfaceQueryAndIdentity) {
    Ref<IFirst> first = New<Thing>();
    Ref<ISecond> second = first.as<ISecond>();
    ASSERT_FALSE(second.isNothing());
    EXPECT_EQ(second->second(), 2);
    // Two interfaces of one object are the same object.
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.identity(), second.identity());
    EXPECT_EQ(Ref<Object>(first.as<Thing>()), second);
    EXPECT_NE(first, Ref<IFirst>(New<Thing>()));
    EXPECT_TRUE(first.as<IUnused>().isNothing());
    EXPECT_TRUE(Ref<IFirst>().as<ISecond>().isNothing());
}

TEST(RefTest, WeakRefReadsNothingOnceTheTargetIsGone) {
    auto thing = New<Thing>();
    WeakRef<IFirst> weak(thing);
    EXPECT_FALSE(weak.isNothing());
    EXPECT_EQ(weak.lock(), thing);
    thing.reset();
    EXPECT_TRUE(weak.isNothing());
    EXPECT_TRUE(weak.lock().isNothing());
    EXPECT_EQ(errorNumberOf([&] { weak.lock()->first(); }), RuntimeError::ObjectNotSet);
}
