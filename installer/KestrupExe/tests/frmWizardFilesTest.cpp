// The wizard with the files and folders it is given: package documents that
// name their files as Windows writes them, and settings that name what is
// not there.
#include "WizardFixture.h"

#include <QRadioButton>

#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlLicense.h"
#include "KestrupExe/ctlReadme.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Scrivel/KSDoc.h"
#include "registry/Registry.h"

using namespace Kestrup;
namespace Registry = Platform::Registry;

namespace {

class frmWizardFilesTest : public WizardFixture {
protected:
    // A package document in the program folder naming these files.
    std::string writePackage(const std::string& name, const std::string& license,
                             const std::string& readme = {}) {
        auto doc = Automation::New<Scrivel::KSDoc>();
        doc->setApplicationName(name);
        doc->setUffFilePath(DemoFiles::FlashFileName);
        doc->setLicenseFilePath(license);
        doc->setReadMeFilePath(readme);
        return folder_.write("home/" + name + ".rbi", doc->WriteXML());
    }
    void choose(const std::string& document) {
        find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->setFilePath(document);
    }
    std::string licenseText() const { return find<ctlLicense>("ctlLicense1")->LicenseText(); }
};

} // namespace

TEST_F(frmWizardFilesTest, AnAgreementHoldsOnlyForTheLicenceItWasGivenTo) {
    folder_.write("home/Other.txt", "Other terms");
    const std::string other = writePackage("Other", "Other.txt");
    start();
    click(NavNext);
    choose(package());
    click(NavNext);
    find<QRadioButton>("optAgree")->click();
    EXPECT_TRUE(button(NavNext)->isEnabled());

    click(NavBack);
    choose(other);
    click(NavNext);
    EXPECT_EQ(licenseText(), "Other terms");
    EXPECT_FALSE(find<ctlLicense>("ctlLicense1")->Agreed());
    EXPECT_FALSE(button(NavNext)->isEnabled());
}

TEST_F(frmWizardFilesTest, LicenceAndReadmeAreFoundWithBackslashesAndInAnotherCase) {
    std::filesystem::create_directories(folder_ / "home/docs");
    folder_.write("home/docs/license.RTF", "{\\rtf1 Windows terms}");
    folder_.write("home/windows-readme.txt", "Windows readme");
    start();
    click(NavNext);
    choose(writePackage("Windows", "Docs\\License.rtf", "WINDOWS-README.TXT"));
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    EXPECT_EQ(licenseText(), "Windows terms");
    find<QRadioButton>("optAgree")->click();
    click(NavNext);
    EXPECT_EQ(find<ctlReadme>("ctlReadme1")->ReadMeText(), "Windows readme");
}

TEST_F(frmWizardFilesTest, ALicenceThatNamesAFolderShowsAnEmptyPageNotTheFailurePage) {
    std::filesystem::create_directories(folder_ / "home/Terms");
    start();
    click(NavNext);
    choose(writePackage("Folder", "Terms"));
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    EXPECT_EQ(licenseText(), "");
    EXPECT_FALSE(button(NavNext)->isEnabled());
}

TEST_F(frmWizardFilesTest, AMissingLastPathFolderGivesTheProgramFolder) {
    Registry::SetValue(Registry::HKEY_CURRENT_USER, "Software\\Korvessa\\Kestrup\\LastPath", "B1",
                       folder_ / "gone");
    start();
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    EXPECT_EQ(find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->CurrentDirectory(), home());
}

TEST_F(frmWizardFilesTest, AHelpLocationWithoutAFileGivesTheProgramFoldersHelp) {
    std::filesystem::create_directories(folder_ / "HelpFolder");
    for (const char* location : {"none.chm", "HelpFolder"}) {
        SCOPED_TRACE(location);
        Registry::SetValue(Registry::HKEY_LOCAL_MACHINE, "Software\\Korvessa\\Framewell\\Locations",
                           "HelpLib", folder_ / location);
        start();
        click(NavHelp);
        EXPECT_EQ(help.file, home() + "/Kestrup.chm");
        wizard.reset();
    }
}
