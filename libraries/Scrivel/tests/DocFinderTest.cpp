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

TEST(DocFinderTest, OneBadDocumentFailsTheWholeScan) {
    TempFolder folder;
    folder.write("good.rbi", "<Kestrup></Kestrup>");
    folder.write("bad.rbi", "<Kestrup><Application><Date>\"1/2\"</Date></Application></Kestrup>");
    auto finder = Automation::New<DocFinder>();
    EXPECT_TRUE(isError(raisedError([&] { finder->GetKSDocs(folder.path().string()); }), 9999, "Scrivel",
                        "Invalid date format. Package document: \"" + (folder / "bad.rbi") + "\""));
    EXPECT_EQ(errorNumberOf([&] { finder->GetKSDocs(folder / "none"); }), 76);
}

TEST(DocFinderTest, AFileThatHoldsNoPackageDocumentIsNamedAsDamaged) {
    // Listed, it would be a row without a name that cannot be installed.
    for (const char* text : {"<Other><UFF-path>\"a.uff\"</UFF-path></Other>", "", "<kestrup></kestrup>"}) {
        SCOPED_TRACE(text);
        TempFolder folder;
        folder.write("good.rbi", "<Kestrup></Kestrup>");
        const std::string damaged = folder.write("x.rbi", text);
        auto error = raisedError([&] { Automation::New<DocFinder>()->GetKSDocs(folder.path().string()); });
        EXPECT_TRUE(isError(error, 9999, "Scrivel",
                            "The package document is damaged: it holds no Kestrup package. Package "
                            "document: \"" +
                                damaged + "\""));
    }
}
