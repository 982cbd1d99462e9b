#pragma once
// The wizard's page machine without its widgets: where Next and Back lead,
// and the states of the five navigation buttons.
#include <array>
#include <cstdint>
#include <string>

namespace Kestrup {

enum WizardStep : int16_t {
    StepIntroduction = 0,
    StepPackage = 1,
    StepLicense = 2,
    StepReadme = 3,
    StepConnectionType = 4,
    StepSerialPort = 5,
    StepNetworkPrinters = 6,
    StepInstallation = 7,
    StepFailure = 8,
    StepFinished = 9
};

// The buttons of the bar, by index.
enum NavButton : int32_t { NavHelp = 0, NavCancel = 1, NavBack = 2, NavNext = 3, NavExit = 4 };

// What the chosen installation says about the pages it needs.
struct PackageChoice {
    int32_t installationType = 0; // 1 firmware, 2 package
    bool packageSelected = false;
    bool hasLicense = false; // the package names a licence file
    bool hasReadme = false;  // the package names a readme file
};

// What the pages' controls hold that their Next waits for.
struct PageState {
    bool choiceMade = false;      // package page: a package or a firmware image is selected
    bool agreed = false;          // agreement page: "I agree" is chosen
    bool portSelected = false;    // serial page: a port is selected
    bool printersChecked = false; // network page: a printer is checked
};

// The gate of each page: whether its Next (or Install) can be used. The
// pages that wait for a choice hold it off until the choice is made; the
// installation and the two reports have no way on.
bool NextAllowed(int16_t step, const PageState& state);

// The step that Next leads to. From the package page in package mode, a
// missing package raises 91 as any use of an absent object does.
int16_t NextStep(int16_t from, const PackageChoice& choice, bool commandLineFlag, int32_t connectionType);
// The step that Back leads to; a step without a way back stays.
int16_t BackStep(int16_t from, const PackageChoice& choice);

class NavigationButtons {
public:
    struct Button {
        bool enabled = true;
        std::string caption;
    };

    NavigationButtons();

    const Button& button(NavButton which) const { return buttons_[which]; }
    void setEnabled(NavButton which, bool enabled) { buttons_[which].enabled = enabled; }
    void setCaption(NavButton which, std::string caption) { buttons_[which].caption = std::move(caption); }

    // A set flag disables its button at the next page switch, which clears it.
    void setDisableFlag(NavButton which, bool set) { disableFlags_[which] = set; }
    bool disableFlag(NavButton which) const { return disableFlags_[which]; }
    // Once the finished page is reached Exit stays usable.
    void allowExit() { exitAllowed_ = true; }
    bool exitAllowed() const { return exitAllowed_; }

    // The button states for the step just switched to; true when Exit is to get the focus.
    bool Update(int16_t step);

private:
    std::array<Button, 5> buttons_;
    std::array<bool, 5> disableFlags_{};
    bool exitAllowed_ = false;
};

} // namespace Kestrup
