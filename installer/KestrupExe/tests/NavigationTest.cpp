#include "KestrupExe/Navigation.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Kestrup;

namespace {

PackageChoice package(bool license, bool readme) {
    return {2, true, license, readme};
}
const PackageChoice kFirmware{1, false, false, false};

} // namespace

TEST(NavigationTest, NextFollowsThePagesThePackageNames) {
    EXPECT_EQ(NextStep(StepIntroduction, package(true, true), false, 1), StepPackage);
    EXPECT_EQ(NextStep(StepIntroduction, package(true, true), true, 1), StepLicense);
    EXPECT_EQ(NextStep(StepIntroduction, package(false, true), true, 1), StepReadme);
    EXPECT_EQ(NextStep(StepIntroduction, package(false, false), true, 1), StepConnectionType);

    EXPECT_EQ(NextStep(StepPackage, kFirmware, false, 1), StepConnectionType);
    EXPECT_EQ(NextStep(StepPackage, package(true, false), false, 1), StepLicense);
    EXPECT_EQ(NextStep(StepPackage, package(false, true), false, 1), StepReadme);
    EXPECT_EQ(NextStep(StepPackage, package(false, false), false, 1), StepConnectionType);
    EXPECT_EQ(NextStep(StepLicense, package(true, true), false, 1), StepReadme);
    EXPECT_EQ(NextStep(StepLicense, package(true, false), false, 1), StepConnectionType);
    EXPECT_EQ(NextStep(StepReadme, package(true, true), false, 1), StepConnectionType);

    EXPECT_EQ(NextStep(StepConnectionType, kFirmware, false, 1), StepSerialPort);
    EXPECT_EQ(NextStep(StepConnectionType, kFirmware, false, 2), StepNetworkPrinters);
    EXPECT_EQ(NextStep(StepConnectionType, kFirmware, false, 0), StepConnectionType);
    EXPECT_EQ(NextStep(StepSerialPort, kFirmware, false, 1), StepInstallation);
    EXPECT_EQ(NextStep(StepNetworkPrinters, kFirmware, false, 2), StepInstallation);
}

TEST(NavigationTest, NextWithoutTheSelectedPackage) {
    PackageChoice none{2, false, false, false};
    EXPECT_EQ(NextStep(StepIntroduction, none, true, 1), StepPackage);
    EXPECT_EQ(errorNumberOf([&] { NextStep(StepPackage, none, false, 1); }), 91);
}

TEST(NavigationTest, BackReturnsThroughThePagesThePackageNames) {
    EXPECT_EQ(BackStep(StepPackage, kFirmware), StepIntroduction);
    EXPECT_EQ(BackStep(StepLicense, package(true, true)), StepPackage);
    EXPECT_EQ(BackStep(StepReadme, package(true, true)), StepLicense);
    EXPECT_EQ(BackStep(StepReadme, package(false, true)), StepPackage);
    EXPECT_EQ(BackStep(StepConnectionType, kFirmware), StepPackage);
    EXPECT_EQ(BackStep(StepConnectionType, package(true, true)), StepReadme);
    EXPECT_EQ(BackStep(StepConnectionType, package(true, false)), StepLicense);
    EXPECT_EQ(BackStep(StepConnectionType, package(false, false)), StepPackage);
    EXPECT_EQ(BackStep(StepSerialPort, kFirmware), StepConnectionType);
    EXPECT_EQ(BackStep(StepNetworkPrinters, kFirmware), StepConnectionType);
}

TEST(NavigationTest, DisableFlagsActOnceAndExitWaitsForTheEnd) {
    NavigationButtons bar;
    EXPECT_EQ(bar.button(NavBack).caption, "< &Back");
    EXPECT_EQ(bar.button(NavNext).caption, "&Next >");
    EXPECT_EQ(bar.button(NavExit).caption, "&Exit");

    EXPECT_FALSE(bar.Update(StepIntroduction));
    EXPECT_FALSE(bar.button(NavBack).enabled);
    EXPECT_TRUE(bar.button(NavNext).enabled);
    EXPECT_FALSE(bar.button(NavExit).enabled);

    // The installation page: all but Help.
    for (NavButton which : {NavNext, NavBack, NavCancel, NavExit})
        bar.setDisableFlag(which, true);
    bar.Update(StepInstallation);
    EXPECT_TRUE(bar.button(NavHelp).enabled);
    for (NavButton which : {NavNext, NavBack, NavCancel, NavExit}) {
        EXPECT_FALSE(bar.button(which).enabled) << which;
        EXPECT_FALSE(bar.disableFlag(which)) << which;
    }

    // The finished page keeps Cancel as the installation left it and focuses Exit.
    bar.allowExit();
    EXPECT_TRUE(bar.Update(StepFinished));
    EXPECT_FALSE(bar.button(NavNext).enabled);
    EXPECT_TRUE(bar.button(NavBack).enabled);
    EXPECT_FALSE(bar.button(NavCancel).enabled);
    EXPECT_TRUE(bar.button(NavExit).enabled);

    // A flag set for the next switch is spent by it.
    bar.setDisableFlag(NavNext, true);
    bar.Update(StepLicense);
    EXPECT_FALSE(bar.button(NavNext).enabled);
    bar.Update(StepReadme);
    EXPECT_TRUE(bar.button(NavNext).enabled);
    EXPECT_TRUE(bar.button(NavCancel).enabled);
}
