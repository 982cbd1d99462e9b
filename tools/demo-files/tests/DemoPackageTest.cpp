#include "DemoPackage.h"

#include <gtest/gtest.h>

#include "Chunkery/FlashFile.h"
#include "Scoutel/RBFirmwareFile.h"
#include "Scrivel/KSDoc.h"
#include "TempFolder.h"
#include "files/FileContents.h"

using Automation::New;

// The demo is only worth showing when the product's own readers take every
// file back as a whole package.
TEST(DemoPackageTest, ProductReadersTakeThePackageBack) {
    TempFolder folder;
    DemoFiles::WriteDemoFiles(folder.path().string());

    auto doc = New<Scrivel::KSDoc>();
    doc->ReadXML(Platform::Files::ReadFileContents(folder / DemoFiles::PackageDocument));
    EXPECT_EQ(doc->ApplicationName(), "Kestrup demo application");
    EXPECT_EQ(doc->FirmwareVersion(), "8.20");
    ASSERT_EQ(doc->BreakStrings()->Count(), 1);
    EXPECT_EQ(doc->BreakStrings()->Item(1)->getBreakString(), "<ESC>.<CR>");
    ASSERT_EQ(doc->PrinterDirectories()->Count(), 1);
    ASSERT_EQ(doc->PrinterFiles()->Count(), 1);
    EXPECT_TRUE(Platform::Files::IsVisibleFile(folder / doc->LicenseFilePath()));
    EXPECT_TRUE(Platform::Files::IsVisibleFile(folder / doc->ReadMeFilePath()));
    EXPECT_EQ(Platform::Files::ReadFileContents(folder / doc->LicenseFilePath()).substr(0, 5), "{\\rtf");

    auto flash = New<Chunkery::FlashFile>();
    ASSERT_TRUE(flash->FlashRead(folder / doc->UffFilePath()));
    ASSERT_EQ(flash->Resources()->count(), 2);
    EXPECT_EQ(flash->Resources()->Item("KERN")->DataString(), DemoFiles::KernelImage());
    // Every file the document names is in the flash file.
    EXPECT_EQ(flash->Resources()->Item(doc->PrinterFiles()->Item(1)->FileTitle())->ResourceType(),
              Chunkery::ROMD);

    for (const char* image : {DemoFiles::FirmwareImage, DemoFiles::FlashFileName}) {
        auto firmware = New<Scoutel::RBFirmwareFile>();
        firmware->LoadFile(folder / image);
        EXPECT_TRUE(firmware->IsFirmware()) << image;
    }
    auto bare = New<Scoutel::RBFirmwareFile>();
    bare->LoadFile(folder / DemoFiles::FirmwareImage);
    EXPECT_EQ(bare->KernelID(), "Rubric 8.20");
    EXPECT_EQ(bare->FirmwareLength(), bare->FileLength());
}

TEST(DemoPackageTest, WritingAgainReplacesTheFilesWhole) {
    TempFolder folder;
    DemoFiles::WriteDemoFiles(folder.path().string());
    std::string first = TempFolder::read(folder / DemoFiles::PackageDocument);
    folder.write(DemoFiles::PackageDocument, "stale and longer than nothing");
    DemoFiles::WriteDemoFiles(folder.path().string());
    EXPECT_EQ(TempFolder::read(folder / DemoFiles::PackageDocument), first);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, 5u); // no temporary file left behind
}
