#include "files/FilePaths.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempFolder.h"

using namespace Platform::Files;
namespace fs = std::filesystem;

TEST(FilePathsTest, AFileIsAnOrdinaryFileAndAFolderAFolder) {
    TempFolder folder;
    const std::string file = folder.write("a.txt", "a");
    fs::create_directory(folder / "sub");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_symlink(file, folder / "link");
    fs::create_symlink(folder / "gone", folder / "dangling");

    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(folder / "link"));
    for (const char* name : {"sub", "pipe", "dangling", "none"})
        EXPECT_FALSE(FileExists(folder / name)) << name;
    EXPECT_FALSE(FileExists(""));

    EXPECT_TRUE(FolderExists(folder / "sub"));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_FALSE(FolderExists(folder / "none"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(FilePathsTest, RelativeFilesAreFoundAsAWindowsPackageNamesThem) {
    TempFolder folder;
    fs::create_directories(folder.path() / "docs" / "en");
    const std::string license = folder.write("docs/en/License.rtf", "l");
    const std::string readme = folder.write("readme.txt", "r");

    EXPECT_EQ(FindRelativeFile(folder.path(), "docs/en/License.rtf"), license);
    EXPECT_EQ(FindRelativeFile(folder.path(), "docs\\en\\License.rtf"), license);
    EXPECT_EQ(FindRelativeFile(folder.path(), "DOCS\\En\\LICENSE.RTF"), license);
    EXPECT_EQ(FindRelativeFile(folder.path(), "README.TXT"), readme);
    EXPECT_EQ(FindRelativeFile(folder.path(), ".\\docs\\..\\Readme.txt"), folder / "./docs/../readme.txt");

    // An exact name comes first; among other matches the first in name order.
    const std::string exact = folder.write("ReadMe.TXT", "exact");
    EXPECT_EQ(FindRelativeFile(folder.path(), "ReadMe.TXT"), exact);
    EXPECT_EQ(FindRelativeFile(folder.path(), "readme.Txt"), exact);

    // Only a file counts: not a folder, and not a file standing where a folder is named.
    EXPECT_EQ(FindRelativeFile(folder.path(), "docs"), std::nullopt);
    EXPECT_EQ(FindRelativeFile(folder.path(), "Docs\\En"), std::nullopt);
    EXPECT_EQ(FindRelativeFile(folder.path(), "readme.txt\\x"), std::nullopt);
    EXPECT_EQ(FindRelativeFile(folder.path(), "docs\\none.rtf"), std::nullopt);
    EXPECT_EQ(FindRelativeFile(folder.path(), ""), std::nullopt);
    EXPECT_EQ(FindRelativeFile(folder / "none", "readme.txt"), std::nullopt);
}
