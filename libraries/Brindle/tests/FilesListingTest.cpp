#include "Brindle/FilesListing.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Brindle;
using Owner = FilesListing::DeviceOwner;
using Width = FilesListing::HeaderWidth;

TEST(FilesListing, NormalizeDevicePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:dir/x", "c:dir/x"},   {"/C/dir/x", "c:dir/x"},    {"/c/", "c:"}, {"/", "/"}, {"/c", "/c"},
        {"name.txt", "name.txt"}, {"CARD1:A:B", "card1:A:B"}, {"", ""},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(FilesListing::NormalizeDevicePath(in), out) << in;
}

TEST(FilesListing, ReadWriteDevices) {
    for (const char* name : {"ram:", "tmp:", "c:", "card1:", "c:dir/x"})
        EXPECT_TRUE(FilesListing::IsReadWriteDevice(name)) << name;
    EXPECT_FALSE(FilesListing::IsReadWriteDevice("rom:"));
    for (const char* name : {"C:", "hd:", "ram", ""}) {
        EXPECT_TRUE(isError(raisedError([&] { FilesListing::IsReadWriteDevice(name); }), 68,
                            "Printer:IsReadWriteDevice method", "Device unavailable"))
            << name;
    }
}

// The templates, character for character.
TEST(FilesListing, Templates) {
    EXPECT_EQ(FilesListing::MakeListingLine("DIR/", 0, true),
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 DIR/");
    EXPECT_EQ(FilesListing::MakeListingLine(" FONT.TTF ", 1234, false),
              "-r-xr-xr-x   1 wheel     sys         1234 Jan  1  1980 FONT.TTF");
    EXPECT_EQ(FilesListing::MakeListingLine("A", 2147483647, true),
              "-rwxrwxrwx   1 wheel     sys   2147483647 Jan  1  1980 A");
    EXPECT_EQ(FilesListing::MakeListingLine("D/", 7, false),
              "dr-xr-xr-x   1 wheel     sys            7 Jan  1  1980 D/");
    EXPECT_EQ(FilesListing::DeviceLine("c:", Owner::WheelSys),
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 c:");
    EXPECT_EQ(FilesListing::DeviceLine("rom:", Owner::WheelSys),
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 rom:");
    EXPECT_EQ(FilesListing::DeviceLine("ram:", Owner::RootRoot),
              "drwxrwxrwx   1 root     root            0 Jan  1  1980 ram:");
    EXPECT_EQ(FilesListing::DeviceLine("rom:", Owner::RootRoot),
              "dr-xr-xr-x   1 root     root            0 Jan  1  1980 rom:");
    EXPECT_EQ(FilesListing::SelfLine(false, Width::DeviceSection),
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 ./");
    EXPECT_EQ(FilesListing::SelfLine(true, Width::DeviceSection),
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 ./");
    EXPECT_EQ(FilesListing::ParentLine(Width::DeviceSection),
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../");
    EXPECT_EQ(FilesListing::SelfLine(false, Width::Directory),
              "dr-xr-xr-x   1 wheel      sys              0 Jan  1  1980 ./");
    EXPECT_EQ(FilesListing::SelfLine(true, Width::Directory),
              "drwxrwxrwx   1 wheel      sys              0 Jan  1  1980 ./");
    EXPECT_EQ(FilesListing::ParentLine(Width::Directory),
              "drwxr-xr-x   1 wheel      sys              0 Jan  1  1980 ../");
}

// FILES output as the 6.x firmware prints it for two devices, one of them empty.
TEST(FilesListing, ParsesFilesOutput) {
    const std::string text = "\r\nFiles on ram:\r\n"
                             "LABEL.PRG          1234    LOGO.PCX            5678\r\n"
                             "FONTS/                     DATA ONE.TXT          12\r\n"
                             "ODD  1  2\r\n"
                             "\r\n"
                             "   1234567 bytes free       6924 bytes used\r\n"
                             "\r\n"
                             "No files on tmp:\r\n"
                             "      65536 bytes free\r\n"
                             "Files on rom:\r\n"
                             "   STDFONT.TTF   40000\r\n";
    EXPECT_EQ(FilesListing::ParseFilesListing(text),
              "ram::\r\n"
              "-rwxrwxrwx   1 wheel     sys         1234 Jan  1  1980 LABEL.PRG\r\n"
              "-rwxrwxrwx   1 wheel     sys         5678 Jan  1  1980 LOGO.PCX\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 FONTS/\r\n"
              "-rwxrwxrwx   1 wheel     sys           12 Jan  1  1980 DATA ONE.TXT\r\n"
              "\r\n"
              "tmp::\r\n"
              "\r\n"
              "rom::\r\n"
              "-r-xr-xr-x   1 wheel     sys        40000 Jan  1  1980 STDFONT.TTF");
}

TEST(FilesListing, RefusesBrokenFilesOutput) {
    EXPECT_EQ(FilesListing::ParseFilesListing(""), "");
    EXPECT_EQ(errorNumberOf([] { FilesListing::ParseFilesListing("Files on hd:\r\nA  1\r\n"); }), 68);
    EXPECT_EQ(errorNumberOf([] { FilesListing::ParseFilesListing("Files on c:\r\nA  99999999999\r\n"); }), 6);
    EXPECT_EQ(errorNumberOf([] { FilesListing::ParseFilesListing("Files on c:\r\nA  many\r\n"); }), 13);
}

TEST(FilesListing, ShellListingsBeforeEight) {
    EXPECT_EQ(FilesListing::RootListing({"c:", "tmp:", "rom:", "card1:"}, Owner::WheelSys),
              "/:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 c:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 tmp:\r\n"
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 rom:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 card1:");
    EXPECT_EQ(FilesListing::RootListing({}, Owner::RootRoot), "/:\r\n");
    EXPECT_EQ(FilesListing::ShellDeviceBlock("rom:", "-rwxrwxrwx 1 A\r\n"),
              "rom::\r\n"
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../\r\n"
              "-r-xr-xr-x 1 A\r\n");
    EXPECT_EQ(FilesListing::ShellDeviceBlock("c:", "-rwxrwxrwx 1 A"),
              "c::\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../\r\n"
              "-rwxrwxrwx 1 A");
    EXPECT_EQ(FilesListing::ShellDirectoryListing("/ROM/", "x"),
              "rom::\r\n"
              "dr-xr-xr-x   1 wheel      sys              0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel      sys              0 Jan  1  1980 ../\r\n"
              "x");
}
