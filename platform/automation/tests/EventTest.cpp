#include "automation/Event.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "automation/Object.h"

using namespace Automation;

namespace {

class Source : public Object {
public:
    Event<int> Changed;
};

} // namespace

TEST(EventTest, HandlersRunInOrderUntilDisconnected) {
    Event<int, const std::string&> event;
    std::vector<std::string> calls;
    auto record = [&](std::string name) {
        return [&calls, name](int n, const std::string& s) { calls.push_back(name + std::to_string(n) + s); };
    };
    auto a = event.connect(record("a"));
    auto b = event.connect(record("b"));
    EXPECT_TRUE(event.hasHandlers());
    event.raise(1, "x");
    a.disconnect();
    event.raise(2, "y");
    {
        EventConnection moved = std::move(b);
        EXPECT_FALSE(b.connected());
        event.raise(3, "z");
    } // destroying the connection disconnects
    event.raise(4, "w");
    EXPECT_EQ(calls, (std::vector<std::string>{"a1x", "b1x", "b2y", "b3z"}));
    EXPECT_FALSE(event.hasHandlers());
}

TEST(EventTest, ByReferenceArgumentsComeBack) {
    Event<bool&> feedback;
    auto connection = feedback.connect([](bool& cancel) { cancel = true; });
    bool cancel = false;
    feedback.raise(cancel);
    EXPECT_TRUE(cancel);
}

TEST(EventTest, HandlersMayChangeTheHandlersDuringARaise) {
    Event<> event;
    std::vector<std::string> calls;
    EventConnection second, added;
    auto first = event.connect([&] {
        calls.push_back("first");
        second.disconnect();
        added = event.connect([&] { calls.push_back("added"); });
    });
    second = event.connect([&] { calls.push_back("second"); });
    event.raise(); // second is gone before its turn; added waits for the next raise
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
    first.disconnect();
    event.raise();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "added"}));
}

TEST(EventTest, AHandlerMayDestroyTheObjectThatRaises) {
    auto source = New<Source>();
    int calls = 0;
    auto destroyer = source->Changed.connect([&](int) {
        ++calls;
        source.reset();
    });
    auto later = source->Changed.connect([&](int) { ++calls; });
    Event<int>& changed = source->Changed;
    changed.raise(1); // the object dies inside its own event
    EXPECT_TRUE(source.isNothing());
    EXPECT_EQ(calls, 1);
    destroyer.disconnect(); // after the event is gone
    EXPECT_FALSE(destroyer.connected());
}
