// Whole installations with the engine against the simulated printer over TCP.
#include <gtest/gtest.h>

#include <algorithm>

#include "HttpCapture.h"
#include "InstallBench.h"
#include "registry/Registry.h"

namespace {

using Renova::IT_Package;
constexpr const char* Settings = "Software\\Korvessa\\Kestrup\\Settings";

std::string settingOf(const char* name) {
    return Platform::Registry::QueryValue(Platform::Registry::HKEY_CURRENT_USER, Settings, name)
        .value_or("absent");
}

// The lines of `lines` that `wanted` names, in the order they come.
bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    auto at = lines.begin();
    for (const auto& line : wanted) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) {
            ADD_FAILURE() << "missing or out of order: " << line;
            return false;
        }
        ++at;
    }
    return true;
}

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

TEST(Install, APackageOverTcpFormatsCreatesCopiesAndReboots) {
    InstallBench bench;
    bench.package->setFormatFlash(true);
    bench.package->setFormatCard(true);
    bench.package->PrinterDirectories()->Add()->setPath("c:/labels");
    const std::string logo = pattern(70000);
    bench.writePackage({{"logo.pcx", "c:/labels/logo.pcx", logo}});

    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();

    const std::string name = "127.0.0.41";
    EXPECT_EQ(bench.callback->announced, (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9, 11, 99}));
    EXPECT_EQ(bench.callback->actions(), (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9, 11, 99}));
    EXPECT_EQ(bench.callback->calls,
              (std::vector<std::string>{"UpdateStart " + name, "UpdateFinshed " + name}));
    EXPECT_EQ(bench.callback->reports.back().action, 99);
    EXPECT_EQ(bench.callback->reports.back().percent, 100);
    EXPECT_TRUE(std::all_of(bench.callback->printers.begin(), bench.callback->printers.end(),
                            [&](const std::string& p) { return p == name; }));
    EXPECT_TRUE(std::any_of(bench.callback->reports.begin(), bench.callback->reports.end(),
                            [](const auto& r) { return r.action == 9 && r.info == "Uploading logo.pcx"; }));

    auto files = bench.sim.files();
    ASSERT_TRUE(files.contains("c:labels/logo.pcx")) << files.keys().join(' ').toStdString();
    EXPECT_EQ(files.value("c:labels/logo.pcx").toStdString(), logo);

    const std::string port = std::to_string(bench.sim.port());
    auto lines = bench.logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "************");
    EXPECT_EQ(lines[1], name);
    EXPECT_TRUE(inOrder(
        lines, {"Load Rbi File", "Create action list", "Load Uff file", "Create network connection",
                "Setting connection parameters to LAN:" + name + ":" + port, "Run Network AutoConnect",
                "AutoConnect succeeded", "Connect to printer", "Firmware version check succeeded",
                "Check Requirements", "Format devices",
                "Formatted card1:", "Formatted c:", "Create directories", "Created directory: c:/labels",
                "File upload", "File upload: c:/labels/logo.pcx", "Reboot sent", "Finalizing update"}));

    EXPECT_EQ(settingOf("TimeOut"), "10000");
    EXPECT_EQ(settingOf("FileTransferTimeOut"), "2000");
    EXPECT_EQ(settingOf("FileTransferRestoreTimeOut"), "1000");
    // No temporary file of the upload is left.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_NE(entry.path().filename().string().rfind("kestrup-install-", 0), 0u) << entry.path();
}

} // namespace
