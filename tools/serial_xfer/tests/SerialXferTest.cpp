// The built serial_xfer program against lrzsz and G-Kermit on a pseudo-terminal line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include "PtyPeer.h"

namespace Platform::Serial::Testing {
namespace {

struct XferCase {
    const char* name;
    std::string direction;
    std::string protocol;
    std::vector<std::string> peer; // on the far end, in its own folder
};

void PrintTo(const XferCase& c, std::ostream* out) {
    *out << c.name;
}

class SerialXfer : public ::testing::TestWithParam<XferCase> {};

TEST_P(SerialXfer, MovesTheFileAndEndsWithItsFigures) {
    const XferCase& c = GetParam();
    TempFolder work;
    std::filesystem::create_directory(work.file("ours"));
    std::filesystem::create_directory(work.file("peer"));
    const std::string data = sampleFiles().back().bytes;
    const bool send = c.direction == "send";
    writeFile(work.file(send ? "ours/sample.bin" : "peer/sample.bin"), data);

    Pty ours;
    Pty theirs;
    Relay relay(ours.master(), theirs.master(), {}, {});
    PeerProcess peer(c.peer, theirs.slave(), work.file("peer"), work.file("peer.log"));
    const std::string command = std::string(SERIAL_XFER_PATH) + " " + c.direction + " " + c.protocol + " " +
                                ours.slaveName() + " " + work.file(send ? "ours/sample.bin" : "ours") +
                                " 2>" + work.file("xfer.log");
    FILE* program = ::popen(command.c_str(), "r");
    ASSERT_NE(program, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, program) != nullptr)
        output += buffer;
    const int status = ::pclose(program);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(work.file("xfer.log"));
    const std::string lastLine = output.substr(output.find_last_of('\n', output.size() - 2) + 1);
    double seconds = -1;
    ASSERT_EQ(std::sscanf(lastLine.c_str(), "bytes %*u seconds %lf", &seconds), 1) << output;
    char expected[64];
    std::snprintf(expected, sizeof expected, "bytes %zu seconds %.3f\n", data.size(), seconds);
    EXPECT_EQ(lastLine, expected);
    EXPECT_EQ(peer.wait(10000), 0) << readFile(work.file("peer.log"));
    EXPECT_TRUE(readFile(work.file(send ? "peer/sample.bin" : "ours/sample.bin")) == data);
}

INSTANTIATE_TEST_SUITE_P(Peers, SerialXfer,
                         ::testing::Values(XferCase{"ZModemToRz", "send", "zmodem", {"rz", "-q"}},
                                           XferCase{"KermitFromGKermit",
                                                    "receive",
                                                    "kermit",
                                                    {"gkermit", "-i", "-P", "-s", "sample.bin"}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace Platform::Serial::Testing
