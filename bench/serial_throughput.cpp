// Times 8 MiB file transfers over one pseudo-terminal pair, every one the
// same way: the receiver starts first and gets a moment to open the line,
// then the sender is timed as a process from its start to its exit. Our
// engines run in the serial_xfer program, which opens the slave side by its
// name; the peer and the reference programs sit on the descriptors.
//   zmodem-send:    sz to rz              against  serial_xfer send to rz
//   kermit-send:    gkermit to gkermit    against  serial_xfer send to gkermit
//   zmodem-receive: sz to rz              against  sz to serial_xfer receive
//   kermit-receive: gkermit to gkermit    against  gkermit to serial_xfer receive
// Each is the median of five runs; the last line gives reference time / ours
// for each ("zmodem-send 1.02 kermit-send 1.10 zmodem-receive 0.97
// kermit-receive 1.05"): above 1 means ours is faster.
// Two G-Kermits stream (no acknowledgement per packet); our Kermit waits for
// each. One more line, before the last, compares our receiver with a G-Kermit
// receiver that does not stream either (-S).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <random>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "messages/Clock.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t FileSize = 8 << 20;
constexpr int Runs = 5;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A program with its standard input and output on a descriptor, or (for a
// program that opens the line itself, fd -1) its output into a file.
class Program {
public:
    Program(const std::vector<std::string>& argv, int fd, const fs::path& folder, const fs::path& output) {
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            int null = ::open("/dev/null", O_RDWR);
            int out = fd >= 0 ? fd : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd >= 0 ? fd : null, 0);
            ::dup2(out, 1);
            ::dup2(null, 2);
            if (::chdir(folder.c_str()) != 0)
                ::_exit(126);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    }
    ~Program() {
        if (!done_) {
            ::kill(pid_, SIGKILL);
            wait(5000);
        }
        ::close(pidfd_);
    }
    pid_t pid() const { return pid_; }
    // True when it ended within timeoutMs.
    bool wait(int timeoutMs) {
        if (done_)
            return true;
        pollfd exited{pidfd_, POLLIN, 0};
        if (::poll(&exited, 1, timeoutMs) <= 0)
            return false;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        done_ = true;
        return true;
    }

private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    bool done_ = false;
};

// One comparison: which side ours takes, and the reference programs on both sides.
struct Case {
    const char* name;
    const char* protocol; // as serial_xfer names it
    bool oursSends;
    std::vector<std::string> receiver;
    std::vector<std::string> sender;
};

class Bench {
public:
    Bench() {
        std::string pattern = (fs::temp_directory_path() / "serial_throughput-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        folder_ = pattern;
        fs::create_directory(folder_ / "src");
        fs::create_directory(folder_ / "dst");
        std::mt19937 random(4242);
        data_.resize(FileSize);
        for (char& c : data_)
            c = static_cast<char>(random());
        std::ofstream(folder_ / "src" / "sample.bin", std::ios::binary)
            .write(data_.data(), std::streamsize(data_.size()));

        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        device_ = ::ttyname(slave_);
    }
    ~Bench() {
        ::close(master_);
        ::close(slave_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // Seconds of the sender, with the reference programs or with ours on the slave side.
    double run(const Case& c, bool ours) {
        prepareLine();
        const std::vector<std::string> oursSending{SERIAL_XFER_PATH, "send", c.protocol, device_,
                                                   "sample.bin"};
        const std::vector<std::string> oursReceiving{SERIAL_XFER_PATH, "receive", c.protocol, device_,
                                                     (folder_ / "dst").string()};
        const bool oursReceives = ours && !c.oursSends;
        const bool oursSends = ours && c.oursSends;
        Program receiver(oursReceives ? oursReceiving : c.receiver,
                         c.oursSends ? master_ : (oursReceives ? -1 : slave_), folder_ / "dst",
                         folder_ / "receiver.txt");
        if (oursReceives)
            waitForLine(receiver);
        // Every receiver gets the same moment to set its line up.
        ::usleep(300000);
        const int64_t started = Platform::MillisecondClock();
        Program sender(oursSends ? oursSending : c.sender, c.oursSends ? (oursSends ? -1 : slave_) : master_,
                       folder_ / "src", folder_ / "sender.txt");
        if (!sender.wait(120000))
            throw std::runtime_error(std::string(c.name) + ": the sender hangs");
        const double seconds = static_cast<double>(Platform::MillisecondClock() - started) / 1000.0;
        // The file is complete; a receiver still waiting for the sender's last word is ended below.
        receiver.wait(5000);
        if (readFile(folder_ / "dst" / "sample.bin") != data_)
            throw std::runtime_error(std::string(c.name) + (ours ? " (ours)" : " (reference)") +
                                     ": the received file differs");
        return seconds;
    }

private:
    // Waits until the program has the line open (at most 5 s).
    void waitForLine(const Program& program) const {
        const fs::path fds = "/proc/" + std::to_string(program.pid()) + "/fd";
        for (int i = 0; i < 500; ++i) {
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(fds, ec))
                if (fs::read_symlink(entry.path(), ec) == device_)
                    return;
            ::usleep(10000);
        }
    }

    void prepareLine() {
        std::error_code ignored;
        fs::remove(folder_ / "dst" / "sample.bin", ignored);
        termios raw{};
        ::tcgetattr(master_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        ::tcflush(master_, TCIOFLUSH);
        ::tcflush(slave_, TCIOFLUSH);
    }

    fs::path folder_;
    std::string data_;
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    const std::vector<std::string> rz{"rz", "-q", "-y"}, sz{"sz", "-q", "sample.bin"};
    const std::vector<std::string> gkermitReceives{"gkermit", "-q", "-i", "-r"};
    const std::vector<std::string> gkermitReceivesStopAndWait{"gkermit", "-q", "-i", "-S", "-r"};
    const std::vector<std::string> gkermitSends{"gkermit", "-q", "-i", "-s", "sample.bin"};
    const Case cases[] = {
        {"zmodem-send", "zmodem", true, rz, sz},
        {"kermit-send", "kermit", true, gkermitReceives, gkermitSends},
        {"zmodem-receive", "zmodem", false, rz, sz},
        {"kermit-receive", "kermit", false, gkermitReceives, gkermitSends},
        {"kermit-receive-stop-and-wait", "kermit", false, gkermitReceivesStopAndWait, gkermitSends},
    };
    // The cases of the last line.
    constexpr std::size_t Summarised = 4;
    try {
        Bench bench;
        std::string summary;
        for (std::size_t n = 0; n < std::size(cases); ++n) {
            const Case& c = cases[n];
            std::vector<double> reference, ours;
            for (int i = 0; i < Runs; ++i) {
                reference.push_back(bench.run(c, false));
                ours.push_back(bench.run(c, true));
            }
            const double ratio = median(reference) / std::max(median(ours), 0.001);
            std::printf("%s: reference %.3f s, ours %.3f s (medians of %d, 8 MiB)\n", c.name,
                        median(reference), median(ours), Runs);
            if (n >= Summarised) {
                std::printf("%s %.2f\n", c.name, ratio);
                continue;
            }
            char part[64];
            std::snprintf(part, sizeof part, "%s%s %.2f", summary.empty() ? "" : " ", c.name, ratio);
            summary += part;
        }
        std::printf("%s\n", summary.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "serial_throughput: %s\n", error.what());
        return 1;
    }
    return 0;
}
