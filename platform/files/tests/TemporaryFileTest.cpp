// Temporary files: unguessable names in TMPDIR, readable by the user alone,
// holding exactly their bytes, and gone however their owner ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "ErrorNumber.h"
#include "TempFolder.h"
#include "files/ReplacementFile.h"
#include "files/TemporaryFile.h"

namespace Platform::Files {
namespace {

namespace fs = std::filesystem;

// Points TMPDIR at a folder of the test's own while it lives.
class TemporaryFolderScope {
public:
    explicit TemporaryFolderScope(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR"))
            old_ = old;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderScope() {
        if (old_)
            ::setenv("TMPDIR", old_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

TEST(TemporaryFile, HoldsTheBytesPrivatelyInTheTemporaryFolderAndGoesWithItsOwner) {
    TempFolder folder;
    TemporaryFolderScope scope(folder.path().string());
    const std::string bytes("data\0\x80\xff\r\n", 9);
    std::string path;
    {
        TemporaryFile first(bytes, "kestrup-test-", "Test");
        TemporaryFile second(bytes, "kestrup-test-", "Test");
        path = first.Path();
        EXPECT_NE(path, second.Path());
        EXPECT_EQ(fs::path(path).parent_path(), folder.path());
        EXPECT_EQ(fs::path(path).filename().string().rfind("kestrup-test-", 0), 0u);
        EXPECT_EQ(TempFolder::read(path), bytes);
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);

        TemporaryFile moved(std::move(second));
        EXPECT_TRUE(second.Path().empty());
        EXPECT_TRUE(fs::exists(moved.Path()));
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(TemporaryFile, AFolderThatRefusesGivesAnErrorAndLeavesNothing) {
    TempFolder folder;
    fs::create_directory(folder / "existing");
    // Not even root may make a file in /proc.
    TemporaryFolderScope scope("/proc");
    auto error = raisedError([] { TemporaryFile file("x", "kestrup-test-", "Test:Source"); });
    EXPECT_EQ(error.Number(), PathFileAccessError);
    EXPECT_EQ(error.Source(), "Test:Source");
    EXPECT_NE(error.Description().find("\"/proc\""), std::string::npos) << error.Description();

    EXPECT_EQ(errorNumberOf([&] { CreateUniqueFile(folder / "no-such-folder/x.XXXXXX", "Test"); }),
              PathFileAccessError);
    std::string made = CreateUniqueFile(folder / "existing/x.XXXXXX", "Test");
    EXPECT_TRUE(fs::is_regular_file(made));
    EXPECT_EQ(fs::file_size(made), 0u);
}

} // namespace
} // namespace Platform::Files
