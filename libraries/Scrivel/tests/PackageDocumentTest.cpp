#include "Scrivel/PackageDocument.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "TempFolder.h"

using namespace Scrivel;

namespace {

// A package in the folder whose UFF file "Sub\Pack.uff" is written by the test.
class PackageFlashFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder.path() / "sub");
        package->setPath(folder / "pack.rbi");
        package->setUffFilePath("Sub\\Pack.uff");
        for (const char* title : {"HELLO.PRG", "logo.pcx"})
            package->PrinterFiles()->Add()->setFileTitle(title);
    }
    // The UFF file with the named resources.
    void writeUff(std::initializer_list<const char*> names) {
        auto flash = Automation::New<Chunkery::FlashFile>();
        for (const char* name : names)
            flash->AddResource("data of " + std::string(name), name, true);
        flash->FlashWrite(uff);
    }

    TempFolder folder;
    const std::string uff = folder / "sub/Pack.uff";
    Automation::Ref<KSDoc> package = Automation::New<KSDoc>();
};

} // namespace

TEST_F(PackageFlashFileTest, AUffFileThatHoldsEveryFileOfThePackageIsRead) {
    // Names in the UFF file compare without regard to case, as the upload looks them up.
    writeUff({"hello.prg", "LOGO.PCX", "extra.dat"});
    auto flash = ReadPackageFlashFile(*package);
    EXPECT_EQ(flash->Resources()->Item("HELLO.PRG")->DataString(), "data of hello.prg");
    EXPECT_EQ(flash->Resources()->count(), 3);
}

TEST_F(PackageFlashFileTest, APackageItsUffFileCannotServeIsNamedWithWhatIsWrong) {
    // Missing, or not named at all.
    EXPECT_TRUE(isError(raisedError([&] { ReadPackageFlashFile(*package, "Here"); }), 9999, "Here",
                        "Uff file is missing: \"" + folder.path().string() + "/Sub/Pack.uff\""));
    package->setUffFilePath("");
    EXPECT_TRUE(isError(raisedError([&] { ReadPackageFlashFile(*package); }), 9999, "Scrivel",
                        "Uff file is missing: the package document names none"));
    package->setUffFilePath("sub/pack.uff");

    // A file of the package that the UFF file does not hold: named with the UFF file.
    writeUff({"HELLO.PRG"});
    EXPECT_TRUE(isError(raisedError([&] { ReadPackageFlashFile(*package); }), 9999, "Scrivel",
                        "The package document is damaged: its file \"logo.pcx\" is not in its UFF file \"" +
                            uff + "\""));
    // "HELLO.PRG" held only as a prefix of another name does not count.
    writeUff({"HELLO.PRG.OLD", "logo.pcx"});
    EXPECT_TRUE(isError(raisedError([&] { ReadPackageFlashFile(*package); }), 9999, "Scrivel",
                        "The package document is damaged: its file \"HELLO.PRG\" is not in its UFF file \"" +
                            uff + "\""));

    // A UFF file cut short raises its own error.
    writeUff({"HELLO.PRG", "logo.pcx"});
    std::filesystem::resize_file(uff, std::filesystem::file_size(uff) - 5);
    EXPECT_EQ(errorNumberOf([&] { ReadPackageFlashFile(*package); }), Chunkery::ChunkeryError);
}
