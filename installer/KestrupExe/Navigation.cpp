#include "KestrupExe/Navigation.h"

#include "automation/Error.h"

namespace Kestrup {

namespace {

int16_t firstPageOfPackage(const PackageChoice& choice) {
    if (choice.hasLicense)
        return StepLicense;
    return choice.hasReadme ? StepReadme : StepConnectionType;
}

} // namespace

int16_t NextStep(int16_t from, const PackageChoice& choice, bool commandLineFlag, int32_t connectionType) {
    switch (from) {
    case StepIntroduction:
        // The package named on the command line skips the picker while it is still selected.
        if (!commandLineFlag || !choice.packageSelected)
            return StepPackage;
        return firstPageOfPackage(choice);
    case StepPackage:
        if (choice.installationType == 1)
            return StepConnectionType;
        if (choice.installationType == 2) {
            if (!choice.packageSelected)
                Automation::raise(Automation::RuntimeError::ObjectNotSet, "Kestrup",
                                  "Object variable or With block variable not set");
            return firstPageOfPackage(choice);
        }
        return from;
    case StepLicense:
        return choice.hasReadme ? StepReadme : StepConnectionType;
    case StepReadme:
        return StepConnectionType;
    case StepConnectionType:
        if (connectionType == 2)
            return StepNetworkPrinters;
        if (connectionType == 1)
            return StepSerialPort;
        return from;
    case StepSerialPort:
    case StepNetworkPrinters:
        return StepInstallation;
    default:
        return from;
    }
}

bool NextAllowed(int16_t step, const PageState& state) {
    switch (step) {
    case StepIntroduction:
    case StepReadme:
    case StepConnectionType:
        return true;
    case StepPackage:
        return state.choiceMade;
    case StepLicense:
        return state.agreed;
    case StepSerialPort:
        return state.portSelected;
    case StepNetworkPrinters:
        return state.printersChecked;
    default:
        return false;
    }
}

int16_t BackStep(int16_t from, const PackageChoice& choice) {
    switch (from) {
    case StepPackage:
        return StepIntroduction;
    case StepLicense:
        return StepPackage;
    case StepReadme:
        return choice.hasLicense ? StepLicense : StepPackage;
    case StepConnectionType:
        if (!choice.packageSelected)
            return StepPackage;
        if (choice.hasReadme)
            return StepReadme;
        return choice.hasLicense ? StepLicense : StepPackage;
    case StepSerialPort:
    case StepNetworkPrinters:
        return StepConnectionType;
    default:
        return from;
    }
}

NavigationButtons::NavigationButtons() {
    buttons_[NavHelp].caption = "Help";
    buttons_[NavCancel].caption = "Cancel";
    buttons_[NavBack].caption = "< &Back";
    buttons_[NavNext].caption = "&Next >";
    buttons_[NavExit].caption = "&Exit";
}

bool NavigationButtons::Update(int16_t step) {
    if (step == StepIntroduction) {
        buttons_[NavBack].enabled = false;
        buttons_[NavNext].enabled = true;
    } else if (step == StepFinished) {
        buttons_[NavNext].enabled = false;
        buttons_[NavBack].enabled = true;
    } else {
        buttons_[NavBack].enabled = true;
        for (NavButton which : {NavNext, NavBack, NavCancel, NavHelp, NavExit}) {
            buttons_[which].enabled = !disableFlags_[which];
            disableFlags_[which] = false;
        }
    }
    buttons_[NavExit].enabled = exitAllowed_;
    return exitAllowed_;
}

} // namespace Kestrup
