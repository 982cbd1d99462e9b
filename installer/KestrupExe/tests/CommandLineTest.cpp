#include "KestrupExe/CommandLine.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

using Kestrup::PackageFromCommandLine;

TEST(CommandLineTest, QuotedOrBarePathOfAFileNamesIt) {
    TempFolder folder;
    std::string file = folder.write("My Package.rbi", "<Kestrup/>");
    EXPECT_EQ(PackageFromCommandLine("\"" + file + "\"", "/nowhere"), file);
    EXPECT_EQ(PackageFromCommandLine("  " + file + " ", "/nowhere"), file);
    // One quote alone is part of the name, which names no file.
    EXPECT_EQ(PackageFromCommandLine("\"" + file, "/nowhere"), "\"" + file);
    const char* argv[] = {"Kestrup", file.c_str()};
    EXPECT_EQ(Kestrup::JoinedArguments(2, argv), file);
}

TEST(CommandLineTest, ANameInTheProgramFolderIsFoundThereAndGivenWhole) {
    TempFolder folder;
    std::string file = folder.write("Demo.rbi", "<Kestrup/>");
    EXPECT_EQ(PackageFromCommandLine("\" Demo.rbi\"", folder.path().string()), file);
    // A name found nowhere comes back as given, for the wizard to say so.
    EXPECT_EQ(PackageFromCommandLine("Other.rbi", folder.path().string()), "Other.rbi");
    EXPECT_EQ(PackageFromCommandLine("", folder.path().string()), std::nullopt);
    EXPECT_EQ(PackageFromCommandLine("\"  \"", folder.path().string()), std::nullopt);
}
