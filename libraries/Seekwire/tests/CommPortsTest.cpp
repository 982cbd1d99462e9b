// The COM ports listed from the seam's folder, whose entries link to pseudo-terminals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "PtyPeer.h"
#include "Seekwire/CommPorts.h"
#include "TempFolder.h"
#include "Tethra/SerCommWrapper.h"
#include "serial/SerialDevice.h"

namespace Seekwire {
namespace {

using Automation::Variant;
using Platform::Serial::Testing::Pty;

class CommPortsTest : public testing::Test {
protected:
    void SetUp() override { setenv("KESTRUP_COM_DIR", folder.path().c_str(), 1); }
    void TearDown() override { unsetenv("KESTRUP_COM_DIR"); }

    void link(int number, const std::string& target) {
        std::filesystem::create_symlink(target, folder / ("COM" + std::to_string(number)));
    }
    // "name used" for each listed port, in order.
    static std::vector<std::string> listed(const CommPorts& ports) {
        std::vector<std::string> names;
        for (const auto& port : ports)
            names.push_back(port->Name() + (port->UsedByMe() ? " used" : ""));
        return names;
    }

    TempFolder folder;
    Pty com1, com3, com5;
};

TEST_F(CommPortsTest, OnlyThePortsThatOpenAreListedInOrderTheCallersOwnWithoutATry) {
    link(1, com1.slaveName());
    link(3, com3.slaveName());
    link(5, com5.slaveName());
    link(2, folder / "gone"); // a terminal that is not there
    // Another opener holds COM5, exclusively as every serial line here is held.
    Platform::Serial::SerialDevice holder;
    ASSERT_EQ(holder.open(folder / "COM5"), 0);

    auto ports = Automation::New<CommPorts>();
    ports->Enumerate(1, 15);
    EXPECT_EQ(listed(*ports), (std::vector<std::string>{"com1:", "com3:"}));
    EXPECT_EQ(ports->Item(Variant("com3:"))->Number(), 3);
    EXPECT_EQ(ports->Item(Variant(2))->Name(), "com3:");
    EXPECT_EQ(errorNumberOf([&] { ports->Item(Variant("com5:")); }),
              Automation::RuntimeError::InvalidProcedureCall);
    // A pseudo-terminal has no modem lines.
    EXPECT_FALSE(ports->Item(Variant(1))->IsDataSetReady());
    EXPECT_FALSE(ports->Item(Variant(1))->IsClearToSend());

    // The caller's wrapper holds COM3 open: listed all the same, as its own.
    auto wrapper = Automation::New<Tethra::SerCommWrapper>();
    wrapper->setCommPort(3);
    wrapper->setPortOpen(true);
    ports->Enumerate(1, 15, wrapper);
    EXPECT_EQ(listed(*ports), (std::vector<std::string>{"com1:", "com3: used"}));
    EXPECT_FALSE(ports->Item(Variant("com3:"))->IsDataSetReady());

    ports->Enumerate(3, 1);
    EXPECT_EQ(ports->Count(), 0);
    ports->Enumerate(0, 1, wrapper);
    EXPECT_EQ(listed(*ports), (std::vector<std::string>{"com1:"}));
    ports->Clear();
    EXPECT_EQ(ports->Count(), 0);
}

} // namespace
} // namespace Seekwire
