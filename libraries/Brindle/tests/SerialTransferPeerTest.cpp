// ZModem and Kermit transfers through a serial Connection against lrzsz and
// G-Kermit on the far end of a pseudo-terminal line.
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "Brindle/KermitTransfer.h"
#include "Brindle/ZModemTransfer.h"
#include "ControlHarness.h"
#include "ErrorNumber.h"
#include "PtyPeer.h"
#include "Tethra/Global.h"
#include "Tethra/SerPort.h"

using namespace Brindle;
using namespace Platform::Serial::Testing;
using Automation::Ref;

namespace {

using Names = std::vector<std::string>;

class SerialTransferPeer : public testing::Test {
protected:
    SerialTransferPeer() {
        std::filesystem::create_directory(work_.file("pc"));
        std::filesystem::create_directory(work_.file("printer"));
    }
    void line(int32_t dataBits = 8) {
        connection_ = Tethra::Global::CreateSerialConnectionObj(1, 115200, Tethra::Parity_None, dataBits, 1,
                                                                Tethra::HandShake_None);
    }
    void peer(const Names& argv) {
        peer_ = std::make_unique<PeerProcess>(argv, theirs_.slave(), work_.file("printer"),
                                              work_.file("peer.log"));
    }
    Ref<Tethra::SerCommWrapper> wrapper() {
        return connection_->PortObject().as<Tethra::SerPort>()->SerComm();
    }
    std::string pc(const std::string& name) const { return work_.file("pc/" + name); }
    std::string printer(const std::string& name) const { return work_.file("printer/" + name); }

    TempFolder work_;
    Pty ours_;
    Pty theirs_;
    Relay relay_{ours_.master(), theirs_.master(), {}, {}};
    ComDir com_{ours_.slaveName()};
    Ref<Tethra::Connection> connection_;
    std::unique_ptr<PeerProcess> peer_;
};

template <class T> Ref<SerialTransfer> make(const Ref<Tethra::Connection>& connection) {
    Ref<SerialTransfer> transfer = Automation::New<T>();
    transfer->setConnection(connection);
    return transfer;
}

} // namespace

TEST_F(SerialTransferPeer, ZModemBothWaysByteExact) {
    line();
    for (const std::string& data : {std::string(), std::string("x"), randomBytes(2048, 1),
                                    randomBytes(2049, 2), randomBytes(1 << 20, 3)}) {
        writeFile(pc("up.bin"), data);
        peer({"rz", "-q", "-y"});
        auto up = make<ZModemTransfer>(connection_);
        up->Upload(pc("up.bin"), "up.bin", static_cast<int32_t>(data.size()), "");
        EXPECT_EQ(up->Status(), Tethra::FileTransfer_Success);
        EXPECT_EQ(peer_->wait(10000), 0) << readFile(work_.file("peer.log"));
        EXPECT_TRUE(readFile(printer("up.bin")) == data) << data.size();

        writeFile(pc("down.bin"), "an older and longer file");
        peer({"sz", "-q", "up.bin"});
        auto down = make<ZModemTransfer>(connection_);
        down->Download("up.bin", pc("down.bin"), static_cast<int32_t>(data.size()), "");
        EXPECT_EQ(down->Status(), Tethra::FileTransfer_Success);
        EXPECT_EQ(peer_->wait(10000), 0);
        EXPECT_TRUE(readFile(pc("down.bin")) == data) << data.size();
        EXPECT_FALSE(wrapper()->PortOpen()); // closed before, closed again
        EXPECT_EQ(wrapper()->ClientCount(), 1);
    }
}

TEST_F(SerialTransferPeer, KermitBothWaysByteExact) {
    line();
    for (const std::string& data : {std::string("x"), randomBytes(2049, 4), randomBytes(200000, 5)}) {
        writeFile(pc("up.bin"), data);
        peer({"gkermit", "-i", "-P", "-w", "-r"});
        auto up = make<KermitTransfer>(connection_);
        up->Upload(pc("up.bin"), "up.bin", static_cast<int32_t>(data.size()), "");
        EXPECT_EQ(peer_->wait(10000), 0) << readFile(work_.file("peer.log"));
        EXPECT_TRUE(readFile(printer("up.bin")) == data) << data.size();

        peer({"gkermit", "-i", "-P", "-s", "up.bin"});
        auto down = make<KermitTransfer>(connection_);
        down->Download("up.bin", pc("down.bin"), static_cast<int32_t>(data.size()), "");
        EXPECT_EQ(peer_->wait(10000), 0);
        EXPECT_TRUE(readFile(pc("down.bin")) == data) << data.size();
    }
}

TEST_F(SerialTransferPeer, KermitRunsAtSevenDataBits) {
    line(7);
    const std::string data = randomBytes(5000, 6);
    writeFile(pc("up.bin"), data);
    peer({"gkermit", "-i", "-P", "-w", "-r"});
    make<KermitTransfer>(connection_)->Upload(pc("up.bin"), "up.bin", static_cast<int32_t>(data.size()), "");
    EXPECT_EQ(peer_->wait(10000), 0) << readFile(work_.file("peer.log"));
    EXPECT_TRUE(readFile(printer("up.bin")) == data);

    peer({"gkermit", "-i", "-P", "-s", "up.bin"});
    make<KermitTransfer>(connection_)
        ->Download("up.bin", pc("down.bin"), static_cast<int32_t>(data.size()), "");
    EXPECT_EQ(peer_->wait(10000), 0);
    EXPECT_TRUE(readFile(pc("down.bin")) == data);
}

TEST_F(SerialTransferPeer, RefusalsAndFailures) {
    line(7);
    // ZModem needs 8 data bits; the port is put back as it was.
    auto zmodem = make<ZModemTransfer>(connection_);
    writeFile(pc("a.bin"), "abc");
    EXPECT_TRUE(isError(raisedError([&] { zmodem->Upload(pc("a.bin"), "a.bin", 3, ""); }), 125,
                        "ZModemTransfer:Upload method",
                        "The serial line must be set to 8 data bits for this transfer."));
    EXPECT_FALSE(wrapper()->PortOpen());
    EXPECT_EQ(wrapper()->ClientCount(), 1);

    // A peer that is not there: the transfer fails, and says so.
    line();
    auto lonely = make<ZModemTransfer>(connection_);
    Automation::Error error = raisedError([&] { lonely->Download("x", pc("x.bin"), 3, "\rRUN\"sz x\r"); });
    EXPECT_EQ(error.Number(), 130);
    EXPECT_EQ(error.Source(), "ZModemTransfer:Download method");
    EXPECT_EQ(wrapper()->ClientCount(), 1);

    auto none = Automation::New<KermitTransfer>();
    EXPECT_EQ(errorNumberOf([&] { none->Upload("a", "b", 1, ""); }), 116);
    none->setConnection(Tethra::Global::CreateNetConnectionObj("127.0.0.1", 9));
    EXPECT_EQ(errorNumberOf([&] { none->Upload("a", "b", 1, ""); }), 117);
}

TEST(SerialTransferDrain, ALineThatNeverDrainsHoldsTheTransferOnlyForItsBound) {
    TempFolder work;
    Pty held; // nobody reads its far end
    ComDir com{held.slaveName()};
    auto connection = Tethra::Global::CreateSerialConnectionObj(1, 115200, Tethra::Parity_None, 8, 1,
                                                                Tethra::HandShake_None);
    Ref<Tethra::SerCommWrapper> wrapper = connection->PortObject().as<Tethra::SerPort>()->SerComm();
    wrapper->setPortOpen(true);
    wrapper->setOutput(Automation::Variant(randomBytes(1 << 20, 8)));
    ASSERT_GT(wrapper->OutBufferCount(), 1 << 19);
    writeFile(work.file("a.bin"), "abc");
    auto transfer = make<KermitTransfer>(connection);
    int32_t heldAfterTheBound = -1;
    QTimer::singleShot(SerialTransfer::DrainLimitMs + 3000, [&] {
        heldAfterTheBound = wrapper->OutBufferCount();
        transfer->Abort();
    });
    EXPECT_EQ(errorNumberOf([&] { transfer->Upload(work.file("a.bin"), "a.bin", 3, ""); }), 113);
    // The transfer went ahead at the bound, dropping what the line still held.
    EXPECT_GE(heldAfterTheBound, 0);
    EXPECT_LT(heldAfterTheBound, 1 << 19);
}
