// Times 32 MiB moved over loopback with the raw TCP transfer: uploaded to
// the simulated printer's cat, and downloaded from it. In the same run socat
// moves the same bytes from a file to a plain sink and from a plain source to
// a file. Each is run five times, alternating, and the median counts; ours
// is timed over the transfer call, socat over its process. The last line
// gives socat's time divided by ours for each direction ("upload 0.91
// download 0.88"): 1 or more means ours is as fast.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Brindle/RAWTransfer.h"
#include "Brindle/TransferCommands.h"
#include "LoopbackPeer.h"
#include "Printer.h"
#include "Tethra/Global.h"
#include "automation/Error.h"
#include "messages/MessagePump.h"

namespace {

constexpr size_t Size = 32 << 20;
constexpr int Runs = 5;
const char* const PrinterFile = "c:bench.bin";

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct OurSide {
    OurSide() {
        PrinterSim::Profile profile = PrinterSim::Profile::forVersion(QStringLiteral("8.10"));
        // Room on c: for the whole file.
        profile.flashKb = 4 * static_cast<int>(Size >> 10);
        sim = std::make_unique<PrinterSim::Printer>(profile);
        if (!sim->listen(QStringLiteral("127.0.0.1")))
            throw std::runtime_error(sim->errorString().toStdString());
        connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim->port());
    }

    double upload(const std::string& source, const std::string& data) {
        auto transfer = Automation::New<Brindle::RAWTransfer>();
        transfer->setConnection(connection);
        auto start = Clock::now();
        transfer->Upload(source, PrinterFile, static_cast<int32_t>(Size),
                         Brindle::TransferCommands::NetUpload(2000, Size, PrinterFile, "raw_transfer"));
        double seconds = since(start);
        if (sim->files().value(PrinterFile) !=
            QByteArray::fromRawData(data.data(), static_cast<qsizetype>(Size)))
            throw std::runtime_error("the printer's file differs from what we sent");
        return seconds;
    }

    double download(const std::string& target, const std::string& data) {
        auto transfer = Automation::New<Brindle::RAWTransfer>();
        transfer->setConnection(connection);
        auto start = Clock::now();
        transfer->Download(PrinterFile, target, static_cast<int32_t>(Size),
                           Brindle::TransferCommands::NetDownload(PrinterFile, "raw_transfer"));
        double seconds = since(start);
        if (readFile(target) != data)
            throw std::runtime_error("the downloaded file differs from the printer's");
        return seconds;
    }

    std::unique_ptr<PrinterSim::Printer> sim;
    Automation::Ref<Tethra::Connection> connection;
};

double socatDownload(const std::string& target, const std::string& data) {
    Bench::LoopbackPeer source(&data);
    auto start = Clock::now();
    Bench::runSocat("TCP:127.0.0.1:" + std::to_string(source.port()), "OPEN:" + target + ",creat,trunc");
    double seconds = since(start);
    if (std::filesystem::file_size(target) != Size)
        throw std::runtime_error("socat wrote a file of another size");
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string data(Size, '\0');
    for (size_t i = 0; i < Size; ++i)
        data[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
    char folder[] = "/tmp/raw_transfer_XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string source = std::string(folder) + "/source.bin";
    const std::string target = std::string(folder) + "/target.bin";
    std::ofstream(source, std::ios::binary).write(data.data(), static_cast<std::streamsize>(Size));

    std::vector<double> ourUp, ourDown, socatUp, socatDown;
    int result = 0;
    try {
        OurSide bench;
        for (int run = 0; run < Runs; ++run) {
            ourUp.push_back(bench.upload(source, data));
            socatUp.push_back(Bench::socatFileToSink(source, Size));
            ourDown.push_back(bench.download(target, data));
            socatDown.push_back(socatDownload(target, data));
            std::printf("run %d: upload ours %.3f s socat %.3f s, download ours %.3f s socat %.3f s\n",
                        run + 1, ourUp.back(), socatUp.back(), ourDown.back(), socatDown.back());
        }
        std::printf("upload %.2f download %.2f\n", Bench::median(socatUp) / Bench::median(ourUp),
                    Bench::median(socatDown) / Bench::median(ourDown));
    } catch (const Automation::Error& error) {
        std::fprintf(stderr, "raw_transfer: error %d: %s (%s)\n", error.Number(), error.Description().c_str(),
                     error.Source().c_str());
        result = 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "raw_transfer: %s\n", error.what());
        result = 1;
    }
    std::filesystem::remove_all(folder);
    return result;
}
