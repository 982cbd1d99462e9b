#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "LoopbackPeer.h"
#include "Tethra/NetCommWrapper.h"
#include "messages/MessagePump.h"

using Automation::Ref;
using Platform::WaitUntil;
using Tethra::NetCommWrapper;

namespace {

// A client that records what it hears.
class Client : public Automation::Object, public Tethra::INetCommClient {
public:
    Ref<NetCommWrapper> NetComm() override { return wrapper; }
    void setNetComm(const Ref<NetCommWrapper>& value) override { wrapper = value; }
    void Connected(int16_t&, std::string&) override { heard.push_back("Connected"); }
    void Receive() override { heard.push_back("Receive"); }
    void DataIn(std::string& text, bool&) override { heard.push_back("DataIn " + text); }
    void Disconnected(int16_t&, std::string&) override { heard.push_back("Disconnected"); }
    void Error(int16_t&, std::string&) override { heard.push_back("Error"); }
    void ReadyToSend() override { heard.push_back("ReadyToSend"); }

    Ref<NetCommWrapper> wrapper;
    std::vector<std::string> heard;
};

struct Stack {
    Stack() {
        bottom->wrapper = wrapper;
        top->wrapper = wrapper;
        wrapper->ClientAdd(bottom);
        wrapper->setRemoteHost("127.0.0.1");
        wrapper->setRemotePort(peer.port());
    }
    ~Stack() {
        while (wrapper->ClientCount() > 0)
            wrapper->ClientRemove(wrapper->ClientCount() == 2 ? top : bottom);
    }
    LoopbackPeer peer;
    Ref<NetCommWrapper> wrapper = Automation::New<NetCommWrapper>();
    Ref<Client> bottom = Automation::New<Client>();
    Ref<Client> top = Automation::New<Client>();
};

} // namespace

TEST(NetCommWrapper, OnlyTheTopClientHearsAndThePopGivesTheWrapperBack) {
    Stack stack;
    stack.wrapper->ClientAdd(stack.top);
    EXPECT_TRUE(stack.bottom->wrapper.isNothing());
    EXPECT_EQ(stack.wrapper->ClientCount(), 2);
    EXPECT_EQ(errorNumberOf([&] { stack.wrapper->ClientAdd(stack.top); }), 457);
    EXPECT_EQ(errorNumberOf([&] { stack.wrapper->ClientRemove(Automation::New<Client>()); }), 5);
    EXPECT_EQ(stack.wrapper->ClientCount(), 2);

    stack.wrapper->setConnected(true);
    EXPECT_EQ(stack.top->heard, (std::vector<std::string>{"Connected", "ReadyToSend"}));
    EXPECT_TRUE(stack.bottom->heard.empty());

    stack.wrapper->ClientRemove(stack.top);
    EXPECT_TRUE(stack.bottom->wrapper == stack.wrapper);
    EXPECT_TRUE(stack.top->wrapper == stack.wrapper);
    stack.peer.send("one");
    EXPECT_TRUE(WaitUntil([&] { return !stack.bottom->heard.empty(); }, 3000));
    EXPECT_EQ(stack.bottom->heard, (std::vector<std::string>{"Receive"}));
    EXPECT_EQ(stack.wrapper->InBufferCount(), 3);
    EXPECT_EQ(stack.wrapper->InputStr(), "one");
    EXPECT_EQ(stack.wrapper->InputStr(), "");
    EXPECT_TRUE(stack.wrapper->InputByte().empty());
    EXPECT_FALSE(stack.wrapper->Busy());
}

TEST(NetCommWrapper, DataInHandsOverEverythingBufferedWhenAsked) {
    Stack stack;
    stack.wrapper->setConnected(true);
    stack.peer.send("first");
    EXPECT_TRUE(WaitUntil([&] { return stack.wrapper->InBufferCount() == 5; }, 3000));
    stack.wrapper->setFireDataInEvents(true);
    stack.peer.send(" second");
    EXPECT_TRUE(WaitUntil([&] { return stack.bottom->heard.back().starts_with("DataIn"); }, 3000));
    EXPECT_EQ(stack.bottom->heard.back(), "DataIn first second");
    EXPECT_EQ(stack.wrapper->InBufferCount(), 0);

    stack.wrapper->setConnected(false);
    EXPECT_FALSE(stack.wrapper->Connected());
    EXPECT_TRUE(WaitUntil([&] { return stack.peer.sawEndOfStream(); }, 3000));
}
