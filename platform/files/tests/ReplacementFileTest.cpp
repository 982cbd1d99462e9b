#include "files/ReplacementFile.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "ErrorNumber.h"

using namespace Platform::Files;
namespace fs = std::filesystem;

namespace {

// What each sync of this process was asked for: the path of the descriptor,
// and what the observer saw at that moment.
struct Sync {
    std::string path;
    std::string seen;
};
std::vector<Sync> syncs;
std::function<std::string()> observer;

int recordSync(int fd, long call) {
    char path[PATH_MAX] = {};
    ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    if (observer)
        syncs.push_back({std::string(path, n > 0 ? static_cast<size_t>(n) : 0), observer()});
    return static_cast<int>(::syscall(call, fd));
}

} // namespace

// The syncs of the code under test come here first, so that the test sees when they happen.
extern "C" int fsync(int fd) {
    return recordSync(fd, SYS_fsync);
}
extern "C" int fdatasync(int fd) {
    return recordSync(fd, SYS_fdatasync);
}

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

TEST_F(ReplacementFileTest, WritesOfAnySizeArriveWholeAndInOrder) {
    std::string expected;
    {
        ReplacementFile file(target_);
        for (size_t size : {size_t(1), size_t(3000), (size_t(1) << 20) - 1, size_t(2), size_t(3) << 20}) {
            std::string part(size, static_cast<char>('a' + expected.size() % 26));
            file.Write(part);
            expected += part;
        }
        file.Write("tail");
        file.Flush();
        expected += "tail";
        EXPECT_EQ(fs::file_size(file.TemporaryPath()), expected.size());
        file.Write("end");
        expected += "end";
        file.Commit();
    }
    EXPECT_TRUE(contents() == expected);
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

TEST_F(ReplacementFileTest, TheNewContentsReachTheDiskBeforeTheRenameAndTheRenameAfterIt) {
    ReplaceFileContents(target_, "old");
    syncs.clear();
    observer = [this] { return contents(); };
    std::string temporary;
    {
        ReplacementFile file(target_);
        temporary = file.TemporaryPath();
        file.Write("new");
        file.Commit();
    }
    observer = nullptr;
    // The temporary file synced while the old file still stood; the folder synced after the rename.
    auto synced = [&](const std::string& path, const std::string& seen) {
        return std::any_of(syncs.begin(), syncs.end(),
                           [&](const Sync& sync) { return sync.path == path && sync.seen == seen; });
    };
    EXPECT_TRUE(synced(fs::absolute(temporary).string(), "old"));
    EXPECT_TRUE(synced(fs::absolute(folder_).string(), "new"));
    EXPECT_EQ(contents(), "new");
}
