#include "KestrupExe/WizardSettings.h"

#include <filesystem>

#include "Renova/RegAccess.h"
#include "registry/Registry.h"
#include "seams/Seams.h"

namespace Kestrup::WizardSettings {

namespace {

// Where per-user application settings live, by application and section.
constexpr const char* kIntroductionKey =
    "Software\\VB and VBA Program Settings\\Wizards\\FirmwareUploadWizard";
constexpr const char* kIntroductionValue = "IntroductionScreen";

std::string readText(const char* appName, int32_t root, const char* keyPath, const char* valueName) {
    auto registry = Automation::New<Renova::RegAccess>("Kestrup");
    registry->setCompany("Korvessa");
    registry->setAppName(appName);
    registry->setTopLevelKey(root);
    return registry->GetSetting(keyPath, valueName, "", true);
}

} // namespace

std::string IntroductionScreen() {
    return Platform::Registry::QueryValue(Platform::Registry::HKEY_CURRENT_USER, kIntroductionKey,
                                          kIntroductionValue)
        .value_or("");
}

void setIntroductionScreen(bool skipIntroduction) {
    Platform::Registry::SetValue(Platform::Registry::HKEY_CURRENT_USER, kIntroductionKey, kIntroductionValue,
                                 skipIntroduction ? ShowIntro : "");
}

std::string LastPath() {
    return readText("Kestrup", Platform::Registry::HKEY_CURRENT_USER, "Software\\Korvessa\\Kestrup\\LastPath",
                    "B1");
}

std::string HelpFileLocation() {
    return readText("Framewell", Platform::Registry::HKEY_LOCAL_MACHINE,
                    "Software\\Korvessa\\Framewell\\Locations", "HelpLib");
}

std::string ProgramFile(const std::string& name) {
    return (std::filesystem::path(Platform::Seams::programFolder()) / name).string();
}

std::string LogFilePath() {
    return ProgramFile("KS_LOG.TXT");
}

} // namespace Kestrup::WizardSettings
