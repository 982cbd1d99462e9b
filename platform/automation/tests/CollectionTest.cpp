#include "automation/Collection.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ErrorNumber.h"

using namespace Automation;

namespace {

std::vector<std::string> itemsOf(const Collection<std::string>& collection) {
    std::vector<std::string> items;
    for (auto& item : collection)
        items.push_back(item);
    return items;
}

} // namespace

TEST(CollectionTest, ItemsByPositionAndByKey) {
    Collection<std::string> c;
    c.Add("one", "First");
    c.Add("two");
    c.Add("zero", "Zero", 1);
    c.Add("half", "\xC4rger", 2); // A-umlaut
    EXPECT_EQ(c.Count(), 4);
    EXPECT_EQ(itemsOf(c), (std::vector<std::string>{"zero", "half", "one", "two"}));
    EXPECT_EQ(c.Item(1), "zero");
    EXPECT_EQ(c.Item(4), "two");
    EXPECT_EQ(c.Item("FIRST"), "one");
    EXPECT_EQ(c.Item("\xE4RGER"), "half");
    EXPECT_TRUE(c.Exists("zero"));
    EXPECT_FALSE(c.Exists("two"));
    EXPECT_EQ(c.KeyAt(3), "First");
    EXPECT_EQ(c.KeyAt(4), "");
    c.Item(4) = "TWO";
    EXPECT_EQ(c.Item(4), "TWO");
}

TEST(CollectionTest, RunTimeErrors) {
    Collection<std::string> c;
    c.setErrorSource("Networks");
    c.Add("a", "key");
    EXPECT_EQ(errorNumberOf([&] { c.Item(0); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { c.Item(2); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { c.Item("nokey"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { c.Add("b", "KEY"); }), RuntimeError::KeyAlreadyAssociated);
    EXPECT_EQ(errorNumberOf([&] { c.Add("b", "", 2); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { c.Remove(2); }), RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { c.Remove("nokey"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_TRUE(isError(raisedError([&] { c.Item(5); }), 9, "Networks", "Subscript out of range"));
}

TEST(CollectionTest, RemoveFreesTheKey) {
    Collection<std::string> c;
    c.Add("a", "A");
    c.Add("b", "B");
    c.Add("c", "C");
    c.Remove(2);
    EXPECT_FALSE(c.Exists("b"));
    c.Remove("a");
    EXPECT_EQ(itemsOf(c), (std::vector<std::string>{"c"}));
    c.Add("a2", "a");
    c.Add("b2", "B");
    EXPECT_EQ(itemsOf(c), (std::vector<std::string>{"c", "a2", "b2"}));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_FALSE(c.Exists("c"));
}

TEST(CollectionTest, KeysStayFoundThroughGrowthAndRemovals) {
    // Enough keys to grow the index several times, with removals leaving gaps
    // that later lookups and additions must pass over or reuse.
    Collection<int> c;
    for (int i = 0; i < 3000; ++i)
        c.Add(i, "Key" + std::to_string(i));
    for (int i = 0; i < 3000; i += 2)
        c.Remove("KEY" + std::to_string(i));
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(c.Exists("key" + std::to_string(i)), i % 2 == 1) << i;
    for (int i = 0; i < 3000; i += 2)
        c.Add(-i, "kEy" + std::to_string(i));
    EXPECT_EQ(c.Count(), 3000);
    EXPECT_EQ(c.Item("KEY2998"), -2998);
    EXPECT_EQ(c.Item("key2999"), 2999);
    EXPECT_EQ(errorNumberOf([&] { c.Add(0, "KEY1"); }), RuntimeError::KeyAlreadyAssociated);
}
