#pragma once
// The settings the wizard reads: the introduction switch (the only one it
// writes), the last package folder and the help file's location, plus the
// files it keeps in the program folder.
#include <string>

namespace Kestrup {

namespace WizardSettings {

// The introduction setting's value that skips the introduction page.
inline constexpr const char* ShowIntro = "ShowIntro";

// "IntroductionScreen" of application "Wizards", section "FirmwareUploadWizard"; empty when unset.
std::string IntroductionScreen();
// Writes "ShowIntro" when ticked, an empty text when cleared.
void setIntroductionScreen(bool skipIntroduction);

// The last package folder ("B1" under the user's Kestrup key); empty when unset.
std::string LastPath();
// The help file's full path ("HelpLib" under the machine's Framewell key); empty when unset.
std::string HelpFileLocation();

// The program folder joined with a file name.
std::string ProgramFile(const std::string& name);
// The installation log of every run.
std::string LogFilePath();

} // namespace WizardSettings

} // namespace Kestrup
