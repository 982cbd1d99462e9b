#include "files/ReplacementFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ErrorNumber.h"

using namespace Platform::Files;
namespace fs = std::filesystem;

namespace {

class ReplacementFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("replacement-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        target_ = (folder_ / "label.bin").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string contents() const {
        std::ifstream in(target_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {})); }

    fs::path folder_;
    std::string target_;
};

} // namespace

TEST_F(ReplacementFileTest, ReplacesTheWholeFileOnlyOnCommit) {
    ReplaceFileContents(target_, "a much longer old text");
    {
        ReplacementFile file(target_);
        file.Write("new");
        struct stat info {};
        ASSERT_EQ(::stat(file.TemporaryPath().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(contents(), "a much longer old text");
        file.Commit();
    }
    EXPECT_EQ(contents(), "new");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ReplacementFileTest, AnUncommittedOrFailedWriteLeavesTheOldFileAndNoTemporary) {
    ReplaceFileContents(target_, "old");
    {
        ReplacementFile file(target_);
        file.Write("half of it");
    }
    EXPECT_EQ(contents(), "old");
    EXPECT_EQ(entries(), 1u);

    // A destination that cannot be replaced (a folder) fails at the rename.
    fs::create_directory(folder_ / "sub");
    fs::create_directory(folder_ / "sub" / "inner");
    std::string folderTarget = (folder_ / "sub").string();
    EXPECT_EQ(errorNumberOf([&] { ReplaceFileContents(folderTarget, "x", "Test"); }), PathFileAccessError);
    EXPECT_EQ(entries(), 2u);
    // A folder that does not exist fails at once, naming it.
    EXPECT_EQ(errorNumberOf([&] { ReplaceFileContents((folder_ / "none" / "f").string(), "x"); }),
              PathFileAccessError);
}
