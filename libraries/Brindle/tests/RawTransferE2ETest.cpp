// The raw TCP transfer against the simulated printer's cat.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "Brindle/RAWTransfer.h"
#include "Brindle/TransferCommands.h"
#include "ErrorNumber.h"
#include "Printer.h"
#include "Tethra/Global.h"

using namespace Brindle;
using Automation::Ref;
namespace fs = std::filesystem;

namespace {

const std::string S = "Test";

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 509) & 0xFF);
    return bytes;
}

struct SimBench {
    SimBench() : sim(PrinterSim::Profile::forVersion(QStringLiteral("8.10"))) {
        EXPECT_TRUE(sim.listen(QStringLiteral("127.0.0.1")));
        connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim.port());
        dir = fs::temp_directory_path() / ("rawe2e-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    ~SimBench() { fs::remove_all(dir); }
    Ref<RAWTransfer> transfer() {
        auto t = Automation::New<RAWTransfer>();
        t->setConnection(connection);
        return t;
    }
    std::string file(const std::string& name, const std::string& bytes) {
        std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    PrinterSim::Printer sim;
    Ref<Tethra::Connection> connection;
    fs::path dir;
};

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(RawTransferE2E, UploadAndDownloadByteExact) {
    SimBench bench;
    for (size_t size : {0, 1, 2048, 2049, 1 << 20}) {
        std::string data = pattern(size);
        std::string source = bench.file("up.bin", data);
        bench.transfer()->Upload(
            source, "c:up file.bin", static_cast<int32_t>(size),
            TransferCommands::NetUpload(2000, static_cast<int64_t>(size), "c:up file.bin", S));
        EXPECT_TRUE(bench.sim.files().value("c:up file.bin") == QByteArray::fromStdString(data)) << size;

        std::string target = bench.file("down.bin", std::string(size + 100, 'O'));
        // cat -B takes the name as it is, so a download names no blank.
        ASSERT_TRUE(bench.sim.putFile("c:down.bin", QByteArray::fromStdString(data)));
        bench.transfer()->Download("c:down.bin", target, static_cast<int32_t>(size),
                                   TransferCommands::NetDownload("c:down.bin", S));
        EXPECT_TRUE(readFile(target) == data) << size;
    }
}

TEST(RawTransferE2E, PrinterRefusals) {
    SimBench bench;
    std::string source = bench.file("up.bin", "abc");
    auto error = raisedError([&] {
        bench.transfer()->Upload(source, "rom:x", 3, TransferCommands::NetUpload(2000, 3, "rom:x", S));
    });
    EXPECT_EQ(error.Number(), 128);
    // The printer's cat waits for more than is sent, and gives up.
    error = raisedError([&] {
        bench.transfer()->Upload(source, "c:x", 3, TransferCommands::NetUpload(2000, 3000, "c:x", S));
    });
    EXPECT_EQ(error.Number(), 120);
    EXPECT_EQ(error.Source(), "RawTransfer:INetCommClient_Receive method>RawTransfer:Upload method");
}
