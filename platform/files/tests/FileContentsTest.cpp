#include "files/FileContents.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ErrorNumber.h"
#include "TempFolder.h"
#include "files/ReplacementFile.h"

using namespace Platform::Files;

TEST(FileContentsTest, ReadsWholeFilesAndNamesTheFileItCannotRead) {
    TempFolder folder;
    std::string bytes("a\0b\r\n", 5);
    EXPECT_EQ(ReadFileContents(folder.write("x.bin", bytes)), bytes);
    EXPECT_EQ(ReadFileContents(folder.write("empty", "")), "");
    EXPECT_EQ(ReadFileContents(folder / "x.bin", "Files", 5), bytes);

    auto missing = raisedError([&] { ReadFileContents(folder / "none", "Lib"); });
    EXPECT_TRUE(isError(missing, 53, "Lib", "File not found: \"" + folder / "none" + "\""));
    EXPECT_EQ(errorNumberOf([&] { ReadFileContents(folder / "x.bin/y"); }), 53);
    EXPECT_EQ(errorNumberOf([&] { ReadFileContents(folder.path().string()); }), PathFileAccessError);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(errorNumberOf([&] { ReadFileContents(folder / "pipe"); }), PathFileAccessError);
    EXPECT_EQ(errorNumberOf([&] { ReadFileContents(folder / "x.bin", "Files", 4); }), 6);
}

TEST(FileContentsTest, ReadsAStretchThatTheFileEndsShort) {
    TempFolder folder;
    std::string file = folder.write("x.bin", "0123456789");
    EXPECT_EQ(ReadFileStretch(file, 0, 4), "0123");
    EXPECT_EQ(ReadFileStretch(file, 8, 4), "89");
    EXPECT_EQ(ReadFileStretch(file, 10, 4), "");
    EXPECT_EQ(ReadFileStretch(file, uint64_t{1} << 62, 4), "");
    EXPECT_TRUE(isError(raisedError([&] { ReadFileStretch(folder / "none", 0, 1, "Lib"); }), 53, "Lib",
                        "File not found: \"" + folder / "none" + "\""));
    EXPECT_EQ(errorNumberOf([&] { ReadFileStretch(folder.path().string(), 0, 1); }), PathFileAccessError);
}

TEST(FileContentsTest, VisibleFilesAreOrdinaryAndNotHidden) {
    TempFolder folder;
    EXPECT_TRUE(IsVisibleFile(folder.write("a.txt", "x")));
    EXPECT_FALSE(IsVisibleFile(folder.write(".hidden", "x")));
    EXPECT_FALSE(IsVisibleFile(folder.path().string()));
    EXPECT_FALSE(IsVisibleFile(folder / "none"));
}
