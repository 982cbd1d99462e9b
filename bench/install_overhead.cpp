// What the installation engine costs on top of the uploads it makes: a
// package of 200 files of 1 KiB and one of 4 MiB goes onto the simulated
// printer over TCP, once through PrinterUpdater.UpdatePrinter (the whole
// job: package, connection, checks, uploads, reboot), and once by uploading
// the same files with Printer.FileUpload on one connection. Each is run five
// times, alternating, and the medians count. The last line gives the direct
// time divided by the engine's ("engine 0.85"): 1 means the engine adds nothing.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Brindle/Global.h"
#include "Chunkery/FlashFile.h"
#include "LoopbackPeer.h"
#include "Printer.h"
#include "Renova/ConfigBag.h"
#include "Renova/PrinterUpdater.h"
#include "Scrivel/KSDoc.h"
#include "Tethra/Global.h"
#include "automation/Error.h"

namespace {

constexpr int Runs = 5;
constexpr int SmallFiles = 200;
constexpr size_t SmallSize = 1024;
constexpr size_t LargeSize = 4 << 20;

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct File {
    std::string title;
    std::string data;
    std::string pcPath;
};

std::vector<File> makeFiles(const std::string& folder) {
    std::vector<File> files;
    for (int i = 0; i < SmallFiles; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "f%03d.dat", i);
        files.push_back({title, std::string(SmallSize, static_cast<char>('a' + i % 26)), {}});
    }
    std::string large(LargeSize, '\0');
    for (size_t i = 0; i < LargeSize; ++i)
        large[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
    files.push_back({"large.bin", large, {}});
    for (auto& file : files) {
        file.pcPath = folder + "/" + file.title;
        std::ofstream(file.pcPath, std::ios::binary)
            .write(file.data.data(), static_cast<std::streamsize>(file.data.size()));
    }
    return files;
}

std::string writePackage(const std::string& folder, const std::vector<File>& files) {
    auto flash = Automation::New<Chunkery::FlashFile>();
    auto package = Automation::New<Scrivel::KSDoc>();
    package->setUffFilePath("bench.uff");
    for (const auto& file : files) {
        flash->AddResource(file.data, file.title, true, "c:");
        auto entry = package->PrinterFiles()->Add();
        entry->setFileTitle(file.title);
        entry->setDestinationPath("c:/" + file.title);
    }
    flash->FlashWrite(folder + "/bench.uff");
    std::string path = folder + "/bench.rbi";
    std::ofstream(path, std::ios::binary) << package->WriteXML();
    return path;
}

void checkPrinter(const PrinterSim::Printer& sim, const std::vector<File>& files) {
    auto stored = sim.files();
    for (const auto& file : files)
        if (stored.value(QByteArray("c:") + file.title.c_str()).toStdString() != file.data)
            throw std::runtime_error("the printer's " + file.title + " differs from the package's");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    char folder[] = "/tmp/install_overhead_XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    int result = 0;
    try {
        const std::vector<File> files = makeFiles(folder);
        const std::string package = writePackage(folder, files);
        PrinterSim::Profile profile = PrinterSim::Profile::forVersion(QStringLiteral("8.10"));
        // The printer is back at once after the job's reboot.
        profile.rebootMs = 20;
        PrinterSim::Printer sim(profile);
        if (!sim.listen(QStringLiteral("127.0.0.1")))
            throw std::runtime_error(sim.errorString().toStdString());

        std::vector<double> engine, direct;
        for (int run = 0; run < Runs; ++run) {
            auto bag = Automation::New<Renova::ConfigBag>();
            bag->setInstallationType(Renova::IT_Package);
            bag->setSourcePath(package);
            bag->setTargetPrinter(bag->CreateNetworkPrinter("127.0.0.1", sim.port()));
            bag->setCallbackClient(Automation::New<Renova::ICallback>());
            bag->setRequestClient(Automation::New<Renova::IRequest>());
            auto updater = Automation::New<Renova::PrinterUpdater>();
            updater->Log()->setLogFilePath(std::string(folder) + "/KS_LOG.TXT");
            updater->Log()->setOverwrite(true);
            auto start = Clock::now();
            updater->UpdatePrinter(bag);
            engine.push_back(since(start));
            updater.reset();
            checkPrinter(sim, files);
            while (sim.rebooting())
                QCoreApplication::processEvents();

            auto connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim.port());
            auto printer = Brindle::Global::CreatePrinterObj(connection);
            start = Clock::now();
            // Each upload opens and closes the link as the engine's do.
            for (const auto& file : files)
                printer->FileUpload(file.pcPath, "c:/" + file.title);
            direct.push_back(since(start));
            Brindle::Global::TeardownPrinterObj(printer);
            checkPrinter(sim, files);
            std::printf("run %d: engine %.3f s, direct %.3f s\n", run + 1, engine.back(), direct.back());
        }
        std::printf("engine %.2f\n", Bench::median(direct) / Bench::median(engine));
    } catch (const Automation::Error& error) {
        std::fprintf(stderr, "install_overhead: error %d: %s (%s)\n", error.Number(),
                     error.Description().c_str(), error.Source().c_str());
        result = 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "install_overhead: %s\n", error.what());
        result = 1;
    }
    std::filesystem::remove_all(folder);
    return result;
}
