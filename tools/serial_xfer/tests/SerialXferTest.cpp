// The built serial_xfer program against lrzsz and G-Kermit on a pseudo-terminal line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

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

// Runs a program with its output and errors going to the file log; its exit status.
int runProgram(const std::vector<std::string>& argv, const std::string& log) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed != 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// 1 MiB from sz -b on a line that flips a bit in about one byte of 5000,
// both ways, twenty times, four transfers side by side: every file arrives
// whole, whatever frame end or answer the noise spoils.
TEST(SerialXferNoise, EveryMegabyteFromSzArrivesWhole) {
    constexpr int Runs = 20;
    constexpr int SideBySide = 4;
    std::atomic<int> next{0};
    std::mutex lock;
    std::vector<std::string> failures;
    auto work = [&] {
        for (int run; (run = next++) < Runs;) {
            TempFolder folder;
            std::filesystem::create_directory(folder.file("ours"));
            std::filesystem::create_directory(folder.file("peer"));
            const std::string data = randomBytes(1 << 20, 100 + unsigned(run));
            writeFile(folder.file("peer/sample.bin"), data);
            Pty ours;
            Pty theirs;
            Relay relay(ours.master(), theirs.master(), {.flipOneIn = 5000, .seed = 2 * unsigned(run) + 1},
                        {.flipOneIn = 5000, .seed = 2 * unsigned(run) + 2});
            PeerProcess peer({"sz", "-q", "-b", "sample.bin"}, theirs.slave(), folder.file("peer"),
                             folder.file("peer.log"));
            const int status =
                runProgram({SERIAL_XFER_PATH, "receive", "zmodem", ours.slaveName(), folder.file("ours")},
                           folder.file("xfer.log"));
            const auto peerStatus = peer.wait(10000);
            std::error_code ec;
            const bool whole = std::filesystem::exists(folder.file("ours/sample.bin"), ec) &&
                               readFile(folder.file("ours/sample.bin")) == data;
            if (status != 0 || !whole || peerStatus != 0) {
                std::lock_guard<std::mutex> guard(lock);
                failures.push_back("run " + std::to_string(run) + ": serial_xfer " + std::to_string(status) +
                                   (whole ? "" : ", the file differs") + ", sz " +
                                   (peerStatus ? std::to_string(*peerStatus) : "still running") + "\n" +
                                   readFile(folder.file("xfer.log")) + readFile(folder.file("peer.log")));
            }
        }
    };
    std::vector<std::thread> transfers;
    for (int i = 0; i < SideBySide; ++i)
        transfers.emplace_back(work);
    for (std::thread& transfer : transfers)
        transfer.join();
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
}

} // namespace
} // namespace Platform::Serial::Testing
