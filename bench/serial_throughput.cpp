// Times 4 MiB file transfers over one pseudo-terminal pair: our ZModem
// sender to rz against sz to rz, and our Kermit sender to gkermit against
// gkermit to gkermit. Each is run seven times and the median counts. The
// receiver runs on the master side, the sender on the slave. The reference
// sender is timed from the start of its process to its end; ours is the
// serial_xfer program, timed by what it reports: from the start of the
// transfer to its end, without the start-up of a Qt program (the
// receivers' own leisure after the last exchange is not the sender's). The last line is the two ratios,
// reference time / ours
// ("zmodem 1.07 kermit 1.32"): above 1 means ours is faster.
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

constexpr std::size_t FileSize = 4 << 20;
constexpr int Runs = 7;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end + 1 - (start == std::string::npos ? 0 : start + 1));
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

struct Protocol {
    const char* name;
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

    // Seconds of the reference sender, or of ours.
    double run(const Protocol& protocol, bool ours) {
        prepareLine();
        Program receiver(protocol.receiver, master_, folder_ / "dst", {});
        std::vector<std::string> sender = protocol.sender;
        if (ours)
            sender = {SERIAL_XFER_PATH, "send", protocol.name, device_, "sample.bin"};
        fs::path report = folder_ / "report.txt";
        int64_t started = Platform::MillisecondClock();
        Program program(sender, ours ? -1 : slave_, folder_ / "src", report);
        if (!program.wait(120000))
            throw std::runtime_error(std::string(protocol.name) + ": the sender hangs");
        double seconds = (Platform::MillisecondClock() - started) / 1000.0;
        if (ours && std::sscanf(lastLine(readFile(report)).c_str(), "bytes %*d seconds %lf", &seconds) != 1)
            throw std::runtime_error("serial_xfer reported no time");
        // The file is complete; a receiver still waiting for the sender's last word is ended below.
        receiver.wait(2000);
        if (readFile(folder_ / "dst" / "sample.bin") != data_)
            throw std::runtime_error(std::string(protocol.name) + (ours ? " (ours)" : " (reference)") +
                                     ": the received file differs");
        return seconds;
    }

private:
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
    const Protocol protocols[] = {
        {"zmodem", {"rz", "-q", "-y"}, {"sz", "-q", "sample.bin"}},
        {"kermit", {"gkermit", "-q", "-r"}, {"gkermit", "-q", "-s", "sample.bin"}},
    };
    try {
        Bench bench;
        std::string summary;
        for (const Protocol& protocol : protocols) {
            std::vector<double> reference, ours;
            for (int i = 0; i < Runs; ++i) {
                reference.push_back(bench.run(protocol, false));
                ours.push_back(bench.run(protocol, true));
            }
            double ratio = median(reference) / std::max(median(ours), 0.001);
            std::printf("%s: reference %.3f s, ours %.3f s (medians of %d, 4 MiB)\n", protocol.name,
                        median(reference), median(ours), Runs);
            char part[64];
            std::snprintf(part, sizeof part, "%s%s %.2f", summary.empty() ? "" : " ", protocol.name, ratio);
            summary += part;
        }
        std::printf("%s\n", summary.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "serial_throughput: %s\n", error.what());
        return 1;
    }
    return 0;
}
