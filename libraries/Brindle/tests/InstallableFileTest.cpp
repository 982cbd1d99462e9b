#include "Brindle/InstallableFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace Brindle;
namespace fs = std::filesystem;

namespace {

void putBigEndian(std::string& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * (width - 1 - i)));
}

// A font file with the given table tags; the "head" table carries `magic`.
std::string trueType(std::vector<std::string> tags, uint32_t magic = 0x5F0F3CF5) {
    size_t tablesAt = 12 + 16 * tags.size();
    std::string bytes(tablesAt + 54 * tags.size(), '\0');
    putBigEndian(bytes, 0, 0x00010000, 4);
    putBigEndian(bytes, 4, static_cast<uint32_t>(tags.size()), 2);
    for (size_t i = 0; i < tags.size(); ++i) {
        size_t record = 12 + 16 * i;
        bytes.replace(record, 4, tags[i]);
        putBigEndian(bytes, record + 8, static_cast<uint32_t>(tablesAt + 54 * i), 4);
        putBigEndian(bytes, record + 12, 54, 4);
        putBigEndian(bytes, tablesAt + 54 * i + 12, tags[i] == "head" ? magic : 0, 4);
    }
    return bytes;
}

class InstallableFileTest : public testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("installable-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

} // namespace

TEST_F(InstallableFileTest, TrueTypeFonts) {
    std::string font = trueType({"cmap", "glyf", "head"});
    EXPECT_TRUE(InstallableFile::IsTTFFont(file("ok.ttf", font)));
    EXPECT_FALSE(InstallableFile::IsTTFFont(file("magic.ttf", trueType({"head"}, 0x12345678))));
    EXPECT_FALSE(InstallableFile::IsTTFFont(file("nohead.ttf", trueType({"cmap", "glyf"}))));
    EXPECT_FALSE(InstallableFile::IsTTFFont((dir_ / "missing.ttf").string()));
    // Every cut of a good font, and offsets pointing outside it, give False.
    for (size_t length : {0, 5, 12, 27, 44, 60, 100})
        EXPECT_FALSE(InstallableFile::IsTTFFont(file("short.ttf", font.substr(0, length)))) << length;
    std::string farHead = font;
    putBigEndian(farHead, 12 + 32 + 8, 0xFFFFFFF0, 4);
    EXPECT_FALSE(InstallableFile::IsTTFFont(file("far.ttf", farHead)));
    std::string manyTables = font;
    putBigEndian(manyTables, 4, 0xFFFF, 2);
    EXPECT_FALSE(InstallableFile::IsTTFFont(file("many.ttf", manyTables)));
}

TEST_F(InstallableFileTest, InstallableSignatures) {
    const std::pair<std::string, bool> cases[] = {
        {std::string("\x0A\x05\x01\x01rest", 8), true},
        {std::string("\x0A\x03\x01\x01", 4), true},
        {std::string("\x0A\x05\x01\x08", 4), false},
        {std::string("\x1B(f6xx"), true},
        {std::string("\xA1pfr"), true},
        {std::string("\xA1pf"), false},
        {std::string("plain text file"), false},
        {std::string(), false},
    };
    for (const auto& [bytes, installable] : cases) {
        EXPECT_EQ(InstallableFile::IsInstallableFile(file("f.bin", bytes)), installable) << bytes;
        // Without such a file, the text itself is looked at.
        if (bytes.size() >= 4 && bytes.find('\0') == std::string::npos) {
            EXPECT_EQ(InstallableFile::IsInstallableFile(bytes), installable) << bytes;
        }
    }
    EXPECT_TRUE(InstallableFile::IsInstallableFile(file("font.ttf", trueType({"head"}))));
    EXPECT_FALSE(InstallableFile::IsInstallableFile("abc"));
}
