// Times 64 MiB sent to a loopback sink: through Connection.Send of a network
// connection, and with socat reading the same bytes from a file. Each is run
// five times, alternating, and the median counts. Both are timed from the
// start of the connect (socat: the start of its process) until the sink has
// every byte and the sender's close. The last line is socat's time divided
// by ours ("ratio 0.93"): 1 or more means ours is as fast.
#include <QCoreApplication>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "LoopbackPeer.h"
#include "Tethra/Connection.h"
#include "Tethra/Global.h"
#include "messages/MessagePump.h"

namespace {

constexpr size_t Size = 64 << 20;
constexpr int Runs = 5;

using Clock = std::chrono::steady_clock;

using Sink = Bench::LoopbackPeer;

double ours(const std::string& data) {
    Sink sink;
    auto start = Clock::now();
    auto connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sink.port());
    connection->setPortOpen(true);
    connection->Send(data);
    connection->setPortOpen(false);
    Platform::WaitUntil([&] { return sink.done(); }, 60000);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (sink.received() != data.size())
        throw std::runtime_error("the sink got " + std::to_string(sink.received()) + " bytes from us");
    Tethra::Global::TeardownConnectionObj(connection);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string data(Size, '\0');
    for (size_t i = 0; i < Size; ++i)
        data[i] = static_cast<char>(' ' + (i * 31 + i / 4093) % 95);
    char path[] = "/tmp/tcp_send_XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        return 1;
    ::close(fd);

    std::vector<double> ourTimes;
    std::vector<double> socatTimes;
    try {
        for (int run = 0; run < Runs; ++run) {
            ourTimes.push_back(ours(data));
            socatTimes.push_back(Bench::socatFileToSink(path, Size));
            std::printf("run %d: Connection.Send %.3f s, socat %.3f s\n", run + 1, ourTimes.back(),
                        socatTimes.back());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tcp_send: %s\n", error.what());
        ::unlink(path);
        return 1;
    }
    ::unlink(path);
    double ourMedian = Bench::median(ourTimes);
    double socatMedian = Bench::median(socatTimes);
    std::printf("64 MiB: Connection.Send %.1f MiB/s, socat %.1f MiB/s\n", 64 / ourMedian, 64 / socatMedian);
    std::printf("ratio %.2f\n", socatMedian / ourMedian);
    return 0;
}
