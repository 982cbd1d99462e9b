#include "Scoutel/FirmwareFinder.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "Scoutel/tests/KernelHeader.h"
#include "TempFolder.h"

using namespace Scoutel;
using Automation::Ref;

namespace {

std::string kernImage(const std::string& identifier) {
    return kernHeader(24) + identifier + '\0' + "kernel code";
}

// An image behind a preamble that states its length, the header at byte 200.
std::string imageBehindPreamble(const std::string& identifier) {
    std::string image = kernImage(identifier);
    std::string tail = "cat > x -" + std::to_string(1000000 + image.size()).substr(1) + " ";
    return std::string(199 - tail.size(), '#') + tail + image;
}

std::string bootImage(const std::string& identifier) {
    std::string image = std::string(8, 'h') + "bootHdr" + std::string(33, '.') + identifier + '\0';
    return image + std::string(20, 'b');
}

// A folder holding every kind of file a scan meets, and a log of the
// finder's events.
class FirmwareFinderTest : public testing::Test {
protected:
    void SetUp() override {
        folder_.write("FW.BIN", kernImage("Rubric 8.20"));
        folder_.write("a_kern.bin", kernImage("Rubric  8.10  (compressed)"));
        folder_.write("b_preamble.bin", imageBehindPreamble("Rubric 10.10"));
        folder_.write("c_boot.bin", bootImage("Tessel 2.05"));
        folder_.write("d_exec.bin", kernHeader(24, "EXEC") + "Rubric 8.30" + '\0');
        folder_.write("e_resu.bin", kernHeader(24, "RESU") + "Rubric 8.30" + '\0');
        folder_.write("f_empty.bin", "");
        folder_.write("g_junk.bin", "no image here");
        folder_.write("h_rb10.bin", kernImage("RB 10.00 (COMPRESSED)"));
        folder_.write("i_badid.bin", kernHeader(5000) + "Rubric 8.40");
        folder_.write("kernel", kernImage("Rubric 7.60"));
        folder_.write("readme.txt", "text");
        std::filesystem::create_directory(folder_ / "sub.bin");
        folder_.write("sub.bin/inner.bin", kernImage("Rubric 8.90"));

        finder_ = Automation::New<FirmwareFinder>();
        found_ = finder_->FirmwareFound.connect([this](Ref<Firmware> firmware) {
            log_.push_back("found " + firmware->FirmwareName() + "|" +
                           std::filesystem::path(firmware->Path()).filename().string());
            EXPECT_EQ(firmware->Key(), firmware->Path());
            // Runs at the pass of the message pump that follows the event.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [this] { log_.push_back("pumped"); }, Qt::QueuedConnection);
        });
        progress_ = finder_->Progress.connect([this](int32_t& scanned, int32_t& total, bool& stop) {
            log_.push_back("progress " + std::to_string(scanned) + "/" + std::to_string(total));
            stop = stopAt_ == scanned;
        });
    }

    std::vector<std::string> names(const Ref<Firmwares>& firmwares) const {
        std::vector<std::string> result;
        for (const auto& firmware : *firmwares)
            result.push_back(std::filesystem::path(firmware->Path()).filename().string());
        return result;
    }

    TempFolder folder_;
    Ref<FirmwareFinder> finder_;
    Automation::EventConnection found_;
    Automation::EventConnection progress_;
    std::vector<std::string> log_;
    int32_t stopAt_ = 0;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(FirmwareFinderTest, ScanReportsEachImageBeforeItsProgressAndPassesOverFilesItCannotParse) {
    finder_->setFilter(FF_All);
    auto firmwares = finder_->GetFirmwares(folder_.path().string(), "bin");
    ASSERT_TRUE(firmwares);
    // Twelve files in the folder: FW.BIN counts as the first file looked at.
    // Names are cleaned: "(compressed)" goes in any case, runs of blanks become one, a trailing one stays.
    EXPECT_EQ(log_, (Log{"found Rubric 8.10 |a_kern.bin", "pumped", "progress 2/12",
                         "found Rubric 10.10|b_preamble.bin", "pumped", "progress 3/12",
                         "found Tessel 2.05|c_boot.bin", "pumped", "progress 4/12", "progress 5/12",
                         "progress 6/12", "progress 7/12", "progress 8/12", "found RB 10.00 |h_rb10.bin",
                         "pumped", "progress 9/12", "progress 10/12"}));
    EXPECT_EQ(names(firmwares), (Log{"a_kern.bin", "b_preamble.bin", "c_boot.bin", "h_rb10.bin"}));
    auto first = firmwares->Item(1);
    EXPECT_EQ(first->Path(), folder_ / "a_kern.bin");
    EXPECT_EQ(firmwares->Item(first->Path()), first);
    EXPECT_EQ(firmwares->Count(), 4);
}

TEST_F(FirmwareFinderTest, FilterAdmitsFamiliesByTheFirstPatternThatMatches) {
    auto scan = [&](int32_t filter, const std::string& extension = "bin") {
        finder_->setFilter(filter);
        return names(finder_->GetFirmwares(folder_.path().string(), extension));
    };
    EXPECT_EQ(scan(0), Log{});
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "progress 2/12"), 1); // every bin file still reported
    // "Rubric 10.10" is no "Rubric 8*", and the pattern that takes it is the fourth.
    EXPECT_EQ(scan(FF_Rubric_8), Log{"a_kern.bin"});
    EXPECT_EQ(scan(FF_Rubric_10), (Log{"b_preamble.bin", "h_rb10.bin"}));
    EXPECT_EQ(scan(FF_Tessel_2), Log{"c_boot.bin"});
    EXPECT_EQ(scan(FF_All_Rubric), (Log{"a_kern.bin", "b_preamble.bin", "h_rb10.bin"}));
    EXPECT_EQ(scan(FF_Rubric_7), Log{});
    // Without an extension only files that have none are looked at.
    log_.clear();
    EXPECT_EQ(scan(FF_All, ""), Log{"kernel"});
    EXPECT_EQ(names(finder_->GetFirmwares(folder_.path().string())), Log{"kernel"});
    EXPECT_EQ(log_, (Log{"found Rubric 7.60|kernel", "pumped", "progress 11/12", "found Rubric 7.60|kernel",
                         "pumped", "progress 11/12"}));
    // The extension's case counts.
    EXPECT_EQ(scan(FF_All, "BIN"), Log{"FW.BIN"});
}

TEST_F(FirmwareFinderTest, StopMissingFolderAndARecountedTotal) {
    finder_->setFilter(FF_All);
    stopAt_ = 2;
    auto firmwares = finder_->GetFirmwares(folder_.path().string(), "bin");
    EXPECT_EQ(names(firmwares), Log{"a_kern.bin"});
    EXPECT_EQ(log_, (Log{"found Rubric 8.10 |a_kern.bin", "pumped", "progress 2/12"}));

    log_.clear();
    EXPECT_TRUE(finder_->GetFirmwares(folder_ / "none", "bin").isNothing());
    EXPECT_TRUE(finder_->GetFirmwares(folder_ / "readme.txt", "bin").isNothing());
    EXPECT_TRUE(finder_->GetFirmwares("", "bin").isNothing());
    EXPECT_TRUE(log_.empty());

    // The total is read again for each event.
    stopAt_ = 0;
    auto adding = finder_->Progress.connect([&](int32_t&, int32_t&, bool&) {
        folder_.write("added" + std::to_string(log_.size()) + ".txt", "");
    });
    finder_->setFilter(0);
    finder_->GetFirmwares(folder_.path().string(), "bin");
    EXPECT_EQ(log_[0], "progress 2/12");
    EXPECT_EQ(log_[1], "progress 3/13");
}

TEST_F(FirmwareFinderTest, PathsThatDifferByCaseAreTwoFirmwares) {
    TempFolder folder;
    folder.write("a.bin", kernImage("Rubric 8.10"));
    folder.write("A.bin", kernImage("Rubric 8.20"));
    finder_->setFilter(FF_All);
    auto firmwares = finder_->GetFirmwares(folder.path().string(), "bin");
    ASSERT_EQ(firmwares->Count(), 2);
    EXPECT_EQ(firmwares->Item(folder / "a.bin")->FirmwareName(), "Rubric 8.10");
    EXPECT_EQ(firmwares->Item(folder / "A.bin")->FirmwareName(), "Rubric 8.20");
    EXPECT_EQ(errorNumberOf([&] { firmwares->Item(folder / "a.BIN"); }), 5);
    firmwares->Remove(folder / "a.bin");
    EXPECT_EQ(firmwares->Count(), 1);
    EXPECT_EQ(errorNumberOf([&] { firmwares->Item(2); }), 9);
}

TEST_F(FirmwareFinderTest, KernelFileIsReadOnlyFromItsFirstByte) {
    EXPECT_TRUE(finder_->IsKernelFile(folder_ / "a_kern.bin"));
    EXPECT_EQ(finder_->GetKernelName(folder_ / "a_kern.bin"), "Rubric  8.10  (compressed)");
    EXPECT_FALSE(finder_->IsKernelFile(folder_ / "b_preamble.bin"));
    EXPECT_EQ(finder_->GetKernelName(folder_ / "b_preamble.bin"), "");
    for (const char* other : {"d_exec.bin", "e_resu.bin", "c_boot.bin", "f_empty.bin", "none.bin"}) {
        EXPECT_FALSE(finder_->IsKernelFile(folder_ / other)) << other;
        EXPECT_EQ(finder_->GetKernelName(folder_ / other), "") << other;
    }

    // The 101 name bytes read as zeros past the end of the file.
    EXPECT_EQ(finder_->GetKernelName(folder_.write("tail.bin", kernHeader(24) + "Rubric 8.50")),
              "Rubric 8.50");
    EXPECT_EQ(finder_->GetKernelName(folder_.write("long.bin", kernHeader(24) + std::string(150, 'n'))),
              std::string(101, 'n'));
    EXPECT_EQ(finder_->GetKernelName(folder_.write("far.bin", kernHeader(0x7FFE0000))), "");
    // A header cut short reads as zeros too: its identifier is the file's start.
    EXPECT_TRUE(finder_->IsKernelFile(folder_.write("cut.bin", "@(#)KERN\x01")));
    EXPECT_EQ(finder_->GetKernelName(folder_ / "cut.bin"), "@(#)KERN\x01");

    auto before = raisedError([&] { finder_->GetKernelName(folder_.write("before.bin", kernHeader(-1))); });
    EXPECT_EQ(before.Number(), 63);
    EXPECT_EQ(before.Source(), "Scoutel");
    // The offset is formed in 64 bits: INT32_MIN - INT32_MAX does not wrap to a position in the file.
    EXPECT_EQ(errorNumberOf([&] {
                  finder_->GetKernelName(folder_.write("wrap.bin", "@(#)KERN" + std::string(8, '\0') +
                                                                       int32Bytes(INT32_MAX) +
                                                                       int32Bytes(INT32_MIN)));
              }),
              63);
    EXPECT_EQ(
        finder_->GetKernelName(folder_.write("wrap2.bin", "@(#)KERN" + std::string(8, '\0') +
                                                              int32Bytes(INT32_MIN) + int32Bytes(INT32_MAX))),
        "");
    EXPECT_EQ(errorNumberOf([&] { finder_->IsKernelFile(folder_ / "sub.bin"); }), 75);
}

TEST_F(FirmwareFinderTest, LongPaths) {
    std::filesystem::path deep = folder_.path();
    while (deep.string().size() < 300)
        deep /= std::string(60, 'd');
    std::filesystem::create_directories(deep);
    std::string file = (deep / "k.bin").string();
    std::ofstream(file, std::ios::binary) << kernImage("Rubric 8.10");
    EXPECT_TRUE(finder_->IsKernelFile(file));
    EXPECT_EQ(finder_->GetKernelName(file), "Rubric 8.10");
    finder_->setFilter(FF_All);
    EXPECT_EQ(names(finder_->GetFirmwares(deep.string(), "bin")), Log{"k.bin"});
    std::string missing = folder_ / std::string(300, 'm');
    EXPECT_FALSE(finder_->IsKernelFile(missing));
    EXPECT_TRUE(finder_->GetFirmwares(missing, "bin").isNothing());
}

TEST(CleanKernelName, DropsTheBracketedWordWhereverItStandsAndNothingElse) {
    EXPECT_EQ(CleanKernelName("Kernel(compressed)X"), "KernelX");
    EXPECT_EQ(CleanKernelName("(Compressed)Rubric 8.10"), "Rubric 8.10");
    EXPECT_EQ(CleanKernelName("A(compressed)(COMPRESSED)B"), "AB");
    // What the removal leaves behind of blanks shrinks to one, a trailing one stays.
    EXPECT_EQ(CleanKernelName("Rubric  8.10  (compressed)"), "Rubric 8.10 ");
    EXPECT_EQ(CleanKernelName("Rubric (compressed) 8.10"), "Rubric 8.10");
    EXPECT_EQ(CleanKernelName("Rubric 8.10 (compress)"), "Rubric 8.10 (compress)");
}

namespace {

// A figure of /proc/self/status, in KiB.
int64_t statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":"))
            return std::stoll(line.substr(field.size() + 1));
    ADD_FAILURE() << field << " not in /proc/self/status";
    return 0;
}

// Starts the process's peak resident size afresh from its present size.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace

TEST_F(FirmwareFinderTest, LargeFilesAreLookedAtInBoundedMemoryWithTheWindowAlive) {
    // Sparse files: one that a whole read would take into memory, one beyond
    // what a buffer holds; both ahead of the kernel in the scan's order.
    TempFolder folder;
    std::filesystem::resize_file(folder.write("a-disc-image.bin", "ISO"), uint64_t{300} << 20);
    std::filesystem::resize_file(folder.write("b-huge.bin", ""), uint64_t{4} << 30);
    folder.write("kernel.bin", kernImage("Rubric 8.10"));

    // The sanitizer's allocator keeps what is freed, so the peak is what counts.
    const int64_t limitKb = 64 * 1024;
    resetPeakMemory();
    const int64_t before = statusKb("VmRSS");
    bool pumped = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { pumped = true; }, Qt::QueuedConnection);
    std::vector<bool> pumpedBy;
    std::vector<int64_t> growthAt;
    auto watch = finder_->Progress.connect([&](int32_t&, int32_t&, bool&) {
        pumpedBy.push_back(pumped);
        growthAt.push_back(statusKb("VmHWM") - before);
    });
    finder_->setFilter(FF_All);
    auto firmwares = finder_->GetFirmwares(folder.path().string(), "bin");

    EXPECT_LT(statusKb("VmHWM") - before, limitKb);
    ASSERT_EQ(names(firmwares), Log{"kernel.bin"});
    EXPECT_EQ(firmwares->Item(1)->FirmwareName(), "Rubric 8.10");
    EXPECT_EQ(log_, (Log{"progress 1/3", "progress 2/3", "found Rubric 8.10|kernel.bin", "pumped",
                         "progress 3/3"}));
    // The window was served before the large file's Progress, not only after a kernel.
    EXPECT_EQ(pumpedBy, (std::vector<bool>{true, true, true}));
    for (int64_t growth : growthAt)
        EXPECT_LT(growth, limitKb);
}
