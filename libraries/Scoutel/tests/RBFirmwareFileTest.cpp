#include "Scoutel/RBFirmwareFile.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "Scoutel/tests/KernelHeader.h"
#include "TempFolder.h"

using Automation::ByteArray;
using Scoutel::RBFirmwareFile;

namespace {

class RBFirmwareFileTest : public testing::Test {
protected:
    RBFirmwareFile& load(const std::string& bytes) {
        file_.LoadFile(folder_.write("image.bin", bytes));
        return file_;
    }

    TempFolder folder_;
    RBFirmwareFile file_;
};

} // namespace

TEST_F(RBFirmwareFileTest, KernImageAtTheStartIsSentWhole) {
    std::string image = kernHeader(24) + "RUBRIC 8.10" + '\0' + "code";
    auto& file = load(image);
    EXPECT_TRUE(file.IsFirmware());
    EXPECT_EQ(file.KernelID(), "RUBRIC 8.10");
    EXPECT_EQ(file.FileLength(), static_cast<int32_t>(image.size()));
    EXPECT_EQ(file.FirmwareLength(), file.FileLength());
    EXPECT_EQ(file.GetFirmwareData(), ByteArray(image.begin(), image.end()));
    EXPECT_EQ(file.FirmwareShortfall(), 0);
    EXPECT_EQ(file.GetNETKernelLength(), 0);
}

TEST_F(RBFirmwareFileTest, KernHeaderIsSearchedInTheFirst1001Positions) {
    std::string image = kernHeader(24) + "K" + '\0';
    auto& found = load(std::string(1000, ' ') + image);
    EXPECT_TRUE(found.IsFirmware());
    EXPECT_EQ(found.KernelID(), "K");
    auto& missed = load(std::string(1001, ' ') + image);
    EXPECT_FALSE(missed.IsFirmware());
    EXPECT_EQ(missed.KernelID(), "Unknown");
    EXPECT_EQ(missed.FirmwareLength(), 0);
    EXPECT_TRUE(missed.GetFirmwareData().empty());

    // Not found there, the file is taken for a bootHdr image.
    std::string boot = std::string(8, 'h') + "bootHdr" + std::string(33, '.') + "BOOT 2.0" + '\0';
    auto& asBoot = load(boot + std::string(1000, ' ') + image);
    EXPECT_TRUE(asBoot.IsFirmware());
    EXPECT_EQ(asBoot.KernelID(), "BOOT 2.0");
}

TEST_F(RBFirmwareFileTest, BootHdrStandsEightBytesAfterTheImageStart) {
    auto image = [](size_t bootAt) {
        std::string bytes(200, 'x');
        bytes.replace(bootAt - 1, 7, "bootHdr");
        bytes.replace(48, 7, std::string("ID 1.0") + '\0');
        return bytes;
    };
    auto& at9 = load(image(9));
    EXPECT_TRUE(at9.IsFirmware());
    EXPECT_EQ(at9.FirmwareLength(), 200);
    EXPECT_EQ(at9.KernelID(), "ID 1.0");

    auto& at12 = load(image(12));
    EXPECT_TRUE(at12.IsFirmware());
    EXPECT_EQ(at12.KernelID(), "ID 1.0");
    EXPECT_EQ(errorNumberOf([&] { at12.GetFirmwareData(); }), 9); // no preamble length

    EXPECT_FALSE(load(image(22)).IsFirmware());
    // In the first eight bytes "bootHdr" leaves no room for the image start.
    for (size_t at : {1, 7, 8}) {
        auto& early = load(image(at));
        EXPECT_FALSE(early.IsFirmware()) << at;
        EXPECT_EQ(early.KernelID(), "Unknown") << at;
        EXPECT_EQ(early.FirmwareLength(), 0) << at;
    }
}

TEST_F(RBFirmwareFileTest, PreambleStatesTheImageLength) {
    auto withPreamble = [](const std::string& words, size_t catBefore, size_t header = 200) {
        std::string bytes(header - 1, ' ');
        bytes.replace(header - 1 - catBefore, words.size(), words);
        return bytes + kernHeader(24) + "NET" + '\0' + std::string(50, 'k');
    };
    auto& stated = load(withPreamble("cat -123456 x", 20));
    EXPECT_EQ(stated.GetNETKernelLength(), 123456);
    EXPECT_EQ(stated.FirmwareLength(), 123456);
    auto data = stated.GetFirmwareData();
    EXPECT_EQ(data.size(), 24u + 4 + 50);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "@(#)KERN");
    // The file holds less than the preamble states: the loader must refuse it.
    EXPECT_EQ(stated.FirmwareShortfall(), 123456 - 78);

    const std::pair<std::string, int32_t> words[] = {
        {"cat -123 -12345", 12345},
        {"cat -1234x -2000", 2000},
        {"cat -1234.5", 1234},
        {"cat  -77777", 77777},
        {"cat 4000", 0},
        {"cat -4000", 4000},
        {"dog -4000", 0},
        {"cat -2147483647", INT32_MAX},
    };
    for (const auto& [text, expected] : words)
        EXPECT_EQ(load(withPreamble(text, 30)).FirmwareLength(), expected) << text;
    EXPECT_EQ(load(withPreamble("cat -50", 30)).FirmwareShortfall(), 0);
    EXPECT_EQ(errorNumberOf([&] { load(withPreamble("cat -99999999999", 30)).FirmwareLength(); }), 6);

    // "cat" more than 97 bytes before the header is out of reach.
    EXPECT_EQ(load(withPreamble("cat -5000", 97)).FirmwareLength(), 5000);
    EXPECT_EQ(load(withPreamble("cat -5000", 98)).FirmwareLength(), 0);
    // With the header at or below 100, "cat" at position 1 or 2 is not seen.
    EXPECT_EQ(load(withPreamble("cat -5000", 50, 51)).FirmwareLength(), 0);
    EXPECT_EQ(load(withPreamble("cat -5000", 49, 51)).FirmwareLength(), 0);
    EXPECT_EQ(load(withPreamble("cat -5000", 48, 51)).FirmwareLength(), 5000);
}

TEST_F(RBFirmwareFileTest, KernelIdentifierIsReadWithinItsWindow) {
    auto& nul40 = load(kernHeader(24) + std::string(39, 'v') + '\0' + "rest");
    EXPECT_EQ(nul40.KernelID(), std::string(39, 'v'));
    auto& noNul = load(kernHeader(24) + std::string(150, 'w'));
    EXPECT_EQ(noNul.KernelID(), std::string(100, 'w'));
    auto& shortTail = load(kernHeader(24) + "abc");
    EXPECT_EQ(shortTail.KernelID(), "abc");
    auto& empty = load(kernHeader(24) + '\0' + "x");
    EXPECT_EQ(empty.KernelID(), "");
    auto& cut = load(kernHeader(24).substr(0, 20));
    EXPECT_TRUE(cut.IsFirmware());
    EXPECT_EQ(cut.KernelID(), "Unknown");

    // Addresses that point outside the file, also where 32-bit sums would wrap.
    for (int32_t offset : {100, -1, INT32_MAX}) {
        auto error = raisedError([&] { load(kernHeader(offset) + "ID").KernelID(); });
        EXPECT_EQ(error.Number(), 9) << offset;
        EXPECT_EQ(error.Source(), "FifoBuf: MidStr");
    }
    auto& wrapped =
        load("@(#)KERN" + std::string(8, '\0') + int32Bytes(INT32_MIN) + int32Bytes(INT32_MAX) + "ID");
    EXPECT_EQ(errorNumberOf([&] { wrapped.KernelID(); }), 9);
}

TEST_F(RBFirmwareFileTest, FilesThatAreNoImageOrMissing) {
    auto& plain = load("just some text");
    EXPECT_FALSE(plain.IsFirmware());
    EXPECT_EQ(plain.KernelID(), "Unknown");
    EXPECT_EQ(plain.FirmwareLength(), 0);
    EXPECT_EQ(plain.FileLength(), 14);

    EXPECT_TRUE(isError(raisedError([&] { file_.LoadFile(folder_ / "none.bin"); }), 53,
                        "FWRubric:LoadFile method", "File not found."));
    EXPECT_EQ(errorNumberOf([&] { file_.LoadFile(folder_.write("empty.bin", "")); }), 9);
    EXPECT_EQ(file_.FileLength(), 14); // the last file read stays

    folder_.write("a[1].bin", "x");
    EXPECT_TRUE(RBFirmwareFile::FileExists(folder_ / "a[1].bin"));
    EXPECT_TRUE(RBFirmwareFile::FileExists(folder_ / "*.bin"));
    EXPECT_TRUE(RBFirmwareFile::FileExists(folder_ / "a?1?.bin"));
    EXPECT_TRUE(RBFirmwareFile::FileExists(folder_.path().string()));
    EXPECT_FALSE(RBFirmwareFile::FileExists(folder_ / "*.txt"));
    EXPECT_FALSE(RBFirmwareFile::FileExists(""));
}

TEST_F(RBFirmwareFileTest, StartOfTheFileTellsTheKernelAsTheWholeFileDoes) {
    auto boot = std::string(8, 'h') + "bootHdr" + std::string(33, '.') + "Tessel 2.05" + '\0';
    const std::string images[] = {
        kernHeader(24) + "Rubric 8.10" + '\0' + std::string(3000, 'k'),
        // The identifier far behind the start that is read.
        kernHeader(5000) + std::string(4976, 'k') + "Rubric 10.10" + '\0' + "code",
        kernHeader(5000) + std::string(4976, 'k') + std::string(300, 'n'),
        // A header found at the last place looked at, behind a preamble.
        std::string(980, '#') + "cat -002000 " + std::string(8, '#') + kernHeader(24) + "Rubric 7.60" + '\0' +
            std::string(4000, 'k'),
        std::string(1001, ' ') + kernHeader(24) + "Rubric 8.10" + '\0',
        boot + std::string(2000, 'b'),
        kernHeader(3000) + "short",
        "@(#)KERN\x01",
    };
    for (const std::string& image : images) {
        SCOPED_TRACE(image.substr(0, 60));
        RBFirmwareFile whole;
        whole.LoadFile(folder_.write("image.bin", image));
        RBFirmwareFile head;
        head.LoadHead(folder_ / "image.bin");
        EXPECT_EQ(head.IsFirmware(), whole.IsFirmware());
        EXPECT_EQ(head.FileLength(), whole.FileLength());
        EXPECT_EQ(head.FirmwareLength(), whole.FirmwareLength());
        EXPECT_EQ(head.ImageDefect(), whole.ImageDefect());
        if (whole.ImageDefect() == "has its kernel identifier outside the file") {
            EXPECT_EQ(errorNumberOf([&] { head.KernelID(); }), 9);
        } else {
            EXPECT_EQ(head.KernelID(), whole.KernelID());
        }
        // Only the whole file has the bytes to send.
        if (whole.IsFirmware()) {
            EXPECT_EQ(errorNumberOf([&] { head.GetFirmwareData(); }), 5);
        }
    }

    // A file larger than a buffer holds, or empty, is refused as a whole read refuses it.
    RBFirmwareFile head;
    std::filesystem::resize_file(folder_.write("huge.bin", kernHeader(24) + "K"), uint64_t{3} << 30);
    EXPECT_EQ(errorNumberOf([&] { head.LoadHead(folder_ / "huge.bin"); }), 6);
    EXPECT_EQ(errorNumberOf([&] { head.LoadHead(folder_.write("empty.bin", "")); }), 9);
    EXPECT_EQ(errorNumberOf([&] { head.LoadHead(folder_ / "none.bin"); }), 53);
}
