#pragma once
// Test helpers for serial transfers: sample files, pseudo-terminal pairs,
// peer programs (gkermit, C-Kermit, lrzsz) running on them, a relay that
// models a poor line, and a host that records what an engine reports.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "serial/TransferEngine.h"

namespace Platform::Serial::Testing {

int64_t monotonicMs();

// A fresh folder under the system's temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

std::string randomBytes(std::size_t size, unsigned seed);
// 64 KiB: every byte value alone, then each in a run of 128.
std::string allByteValues();

// The files every transfer is tried with: empty, one byte, 1023 bytes,
// every byte value, 1 MiB of random bytes.
struct SampleFile {
    const char* name;
    std::string bytes;
};
const std::vector<SampleFile>& sampleFiles();

// A pseudo-terminal pair in raw mode. The slave stays open here as well, so
// the line goes silent rather than hanging up when a peer dies, as a real
// serial line does.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& slaveName() const { return slaveName_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
};

// A program run with its standard input and output on a pty slave, which is
// also its controlling terminal (as after a login on that line). Standard
// error goes to the file errorLog.
class PeerProcess {
public:
    PeerProcess(const std::vector<std::string>& argv, int slave, const std::string& folder,
                const std::string& errorLog);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    void kill();
    // The exit status (128 + signal when killed); nothing if it still runs after timeoutMs.
    std::optional<int> wait(int timeoutMs);

private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    std::optional<int> status_;
};

// Bytes (say a frame end) that a line drops where they appear for the
// at-th time; every other appearance passes.
struct DropOnce {
    std::string bytes;
    int at = 1;
};

// What the line does to the bytes of one direction. Faults strike at random
// with the given odds (1 in n, 0 for never), from a fixed seed; and at the
// places of drops, one after the other (the count for each begins once the
// one before it struck).
struct LineModel {
    bool stripBit7 = false;
    int dropOneIn = 0;
    int flipOneIn = 0;
    unsigned seed = 1;
    std::vector<DropOnce> drops = {};
};

// Copies bytes between two descriptors on a thread of its own, each way
// through its line model.
class Relay {
public:
    Relay(int a, int b, LineModel aToB, LineModel bToA);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;
    // Bytes dropped and flipped so far, both ways (each of the drops counts as one).
    int faults() const { return faults_.load(); }

private:
    void run(LineModel aToB, LineModel bToA);

    int a_;
    int b_;
    int stop_[2] = {-1, -1};
    std::atomic<int> faults_{0};
    std::thread thread_;
};

// A TransferHost that records what the engine reports. Output collects in
// sent; pendingOutput() is 0 (an instant line).
class RecordingHost : public TransferHost {
public:
    void send(std::string_view bytes) override { sent.append(bytes); }
    std::size_t pendingOutput() const override { return 0; }
    void transferEvent(TransferEvent event, enumSerialFTStatus status) override;
    std::string prepareFile(const std::string& announcedName, const std::string& localName,
                            int64_t announcedSize) override;
    void transferred(int64_t bytes, int64_t) override { transferredBytes = bytes; }

    // Events in order, PrepareFile included (raised while prepareFile asks).
    std::vector<std::pair<TransferEvent, enumSerialFTStatus>> events;
    int endEvents() const;
    enumSerialFTStatus lastStatus() const {
        return events.empty() ? SerialFTStatus_Success : events.back().second;
    }

    std::string destination; // prepareFile's answer
    std::string announcedName;
    std::string localName;
    int64_t announcedSize = -2;
    int64_t transferredBytes = -1; // the last count reported
    std::string sent;
    // Called after each event is recorded; may call into the engine.
    std::function<void(TransferEvent)> onEvent;
};

} // namespace Platform::Serial::Testing
