#include "Scrivel/DocFinder.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "TempFolder.h"

using namespace Scrivel;

TEST(DocFinderTest, ListsThePackageDocumentsOfAFolder) {
    TempFolder folder;
    auto finder = Automation::New<DocFinder>();
    EXPECT_EQ(finder->GetKSDocs(folder.path().string())->Count(), 0);

    folder.write("b.RBI", "<Kestrup><UFF-path>\"b.uff\"</UFF-path></Kestrup>");
    folder.write("a.rbi", "<Kestrup><UFF-path>\"a.uff\"</UFF-path></Kestrup>");
    folder.write("c.rbi.bak", "<Kestrup></Kestrup>");
    folder.write("d.txt", "<Kestrup></Kestrup>");
    std::filesystem::create_directory(folder.path() / "sub.rbi");
    auto docs = finder->GetKSDocs(folder.path().string());
    ASSERT_EQ(docs->Count(), 2);
    EXPECT_EQ(docs->Item(1)->Path(), folder / "a.rbi");
    EXPECT_EQ(docs->Item(1)->UffFilePath(), "a.uff");
    EXPECT_EQ(docs->Item(2)->Path(), folder / "b.RBI");
    EXPECT_EQ(docs->Item(2)->UffFilePath(), "b.uff");
}

TEST(DocFinderTest, DamagedDocumentsAreNamedAndHideNoneOfTheOthers) {
    TempFolder folder;
    const std::string good = "<Kestrup><UFF-path>\"a.uff\"</UFF-path><Application><Name>\"Demo\"</Name>"
                             "</Application></Kestrup>";
    folder.write("good.rbi", good);
    const std::string badDate =
        folder.write("bad.rbi", "<Kestrup><Application><Date>\"1/2\"</Date></Application></Kestrup>");
    const std::string cut = folder.write("cut.rbi", good.substr(0, good.size() - 3));
    const std::string notes = folder.write("notes.rbi", "Remember to order labels.");
    auto finder = Automation::New<DocFinder>();
    auto docs = finder->GetKSDocs(folder.path().string());
    ASSERT_EQ(docs->Count(), 1);
    EXPECT_EQ(docs->Item(1)->ApplicationName(), "Demo");
    ASSERT_EQ(finder->Unreadable().size(), 3u);
    EXPECT_TRUE(isError(finder->Unreadable()[0], 9999, "Scrivel",
                        "Invalid date format. Package document: \"" + badDate + "\""));
    EXPECT_TRUE(isError(finder->Unreadable()[1], 9999, "Scrivel",
                        "The package document is damaged: it ends before its last element closes. Package "
                        "document: \"" +
                            cut + "\""));
    EXPECT_TRUE(isError(finder->Unreadable()[2], 9999, "Scrivel",
                        "The package document is damaged: it holds no Kestrup package. Package document: \"" +
                            notes + "\""));
    // Each scan tells only of its own files; a folder that cannot be read still fails.
    std::filesystem::remove(badDate);
    std::filesystem::remove(cut);
    std::filesystem::remove(notes);
    EXPECT_EQ(finder->GetKSDocs(folder.path().string())->Count(), 1);
    EXPECT_TRUE(finder->Unreadable().empty());
    EXPECT_EQ(errorNumberOf([&] { finder->GetKSDocs(folder / "none"); }), 76);
}

TEST(DocFinderTest, AFileThatHoldsNoPackageDocumentIsNamedAsDamaged) {
    // Listed, it would be a row without a name that cannot be installed.
    for (const char* text : {"<Other><UFF-path>\"a.uff\"</UFF-path></Other>", "", "<kestrup></kestrup>"}) {
        SCOPED_TRACE(text);
        TempFolder folder;
        folder.write("good.rbi", "<Kestrup></Kestrup>");
        const std::string damaged = folder.write("x.rbi", text);
        auto finder = Automation::New<DocFinder>();
        EXPECT_EQ(finder->GetKSDocs(folder.path().string())->Count(), 1);
        ASSERT_EQ(finder->Unreadable().size(), 1u);
        EXPECT_TRUE(isError(finder->Unreadable()[0], 9999, "Scrivel",
                            "The package document is damaged: it holds no Kestrup package. Package "
                            "document: \"" +
                                damaged + "\""));
    }
}
