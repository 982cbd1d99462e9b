// The PC file helpers of the file transfer.
#include "Brindle/FileTransfer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempFolder.h"

using namespace Brindle;
namespace fs = std::filesystem;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
}

} // namespace

TEST(FileTransferPcFiles, TheDataFileIsPrivateAndHoldsTheBytesAsGiven) {
    TempFolder temp;
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    auto transfer = Automation::New<FileTransfer>();
    const std::string data("LAYOUT\r\n\0\xff", 10);
    const std::string path = transfer->PCCreateTempFile(data);
    ::unsetenv("TMPDIR");
    EXPECT_EQ(fs::path(path).parent_path(), temp.path());
    // What the caller wrote for the printer is no one else's to read.
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_TRUE(TempFolder::read(path) == data);
    transfer->PCDeleteFile(path);
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST(FileTransferPcFiles, AFileMovedAsideKeepsItsBytesBesideItsOldName) {
    TempFolder folder;
    auto transfer = Automation::New<FileTransfer>();
    EXPECT_EQ(transfer->PCMoveFileToTempFile(folder / "none.bin"), "");

    const std::string file = folder.write("old.bin", "the old contents");
    ::chmod(file.c_str(), 0640);
    const std::string aside = transfer->PCMoveFileToTempFile(file);
    EXPECT_EQ(fs::path(aside).parent_path(), folder.path());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(TempFolder::read(aside), "the old contents");
    EXPECT_EQ(modeOf(aside), 0640u);
    // Two moves never meet on one name.
    folder.write("old.bin", "newer");
    EXPECT_NE(transfer->PCMoveFileToTempFile(file), aside);
    EXPECT_EQ(TempFolder::read(aside), "the old contents");
}
