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

TEST(CollectionTest, BinaryKeysTellCaseApart) {
    Collection<std::string> c(CompareMethod::Binary);
    c.Add("lower", "a.bin");
    c.Add("upper", "A.bin");
    c.Add("umlaut", "\xE4.bin");
    c.Add("Umlaut", "\xC4.bin");
    EXPECT_EQ(c.Count(), 4);
    EXPECT_EQ(c.Item("A.bin"), "upper");
    EXPECT_EQ(c.Item("\xC4.bin"), "Umlaut");
    EXPECT_FALSE(c.Exists("A.BIN"));
    EXPECT_EQ(errorNumberOf([&] { c.Item("a.BIN"); }), RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { c.Add("again", "a.bin"); }), RuntimeError::KeyAlreadyAssociated);
    c.Remove("a.bin");
    EXPECT_EQ(c.Item("A.bin"), "upper");
    EXPECT_EQ(errorNumberOf([&] { c.Remove("a.bin"); }), RuntimeError::InvalidProcedureCall);
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

namespace {
// Walks a collection of "a" to "e" whose loop body changes it; returns the
// items the loop met and the items left.
template <class Body> std::pair<std::vector<std::string>, std::vector<std::string>> walkChanging(Body body) {
    Collection<std::string> c;
    for (const char* item : {"a", "b", "c", "d", "e"})
        c.Add(item, item);
    std::vector<std::string> seen;
    for (auto& item : c) {
        seen.push_back(item);
        body(c, item, seen.size());
    }
    return {seen, itemsOf(c)};
}
using Items = std::vector<std::string>;
} // namespace

TEST(CollectionTest, LoopsMayChangeTheCollectionTheyWalk) {
    const Items all{"a", "b", "c", "d", "e"};
    // Removing the current item goes on with the next one.
    auto [seen, left] = walkChanging([](auto& c, auto&, size_t pass) {
        if (pass == 3)
            c.Remove(3);
    });
    EXPECT_EQ(seen, all);
    EXPECT_EQ(left, (Items{"a", "b", "d", "e"}));

    // Removing earlier items, by position or by key, skips nothing and repeats nothing.
    std::tie(seen, left) = walkChanging([](auto& c, auto&, size_t pass) {
        if (pass == 3)
            c.Remove(1);
        if (pass == 4)
            c.Remove("b");
    });
    EXPECT_EQ(seen, all);
    EXPECT_EQ(left, (Items{"c", "d", "e"}));
    std::tie(seen, left) = walkChanging([](auto& c, auto& item, size_t) {
        if (item == "c")
            c.RemoveKeys({"a", "c"});
    });
    EXPECT_EQ(seen, all);
    EXPECT_EQ(left, (Items{"b", "d", "e"}));

    // Clear ends the loop.
    std::tie(seen, left) = walkChanging([](auto& c, auto&, size_t pass) {
        if (pass == 2)
            c.Clear();
    });
    EXPECT_EQ(seen, (Items{"a", "b"}));
    EXPECT_TRUE(left.empty());

    // Added items, at the end or before the current one, never break the loop.
    std::tie(seen, left) = walkChanging([](auto& c, auto& item, size_t) {
        if (item == "b")
            c.Add("x", "", 1);
        if (item == "e")
            c.Add("z");
    });
    EXPECT_EQ(seen, (Items{"a", "b", "c", "d", "e", "z"}));
    EXPECT_EQ(left.front(), "x");

    // An inner loop that removes every item ends the outer one too.
    std::tie(seen, left) = walkChanging([](auto& c, auto&, size_t) {
        for (auto& inner : c) {
            (void)inner;
            c.Remove(1);
        }
    });
    EXPECT_EQ(seen, (Items{"a"}));
    EXPECT_TRUE(left.empty());
}
