#include "ui/HelpViewer.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "UiRobot.h"
#include "ui/Shell.h"

using namespace Platform::Ui;

TEST(HelpViewerTest, DesktopViewerSaysWhenThereIsNoHelp) {
    UiRobot robot;
    std::vector<std::string> opened;
    auto previous = setDocumentOpener([&](const std::string& path) {
        opened.push_back(path);
        return false;
    });
    TempFolder folder;
    auto viewer = CreateHelpViewer("Kestrup");
    viewer->setHelpFile(folder / "Kestrup.chm");
    viewer->setContext(30001);
    viewer->Show(nullptr);
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_EQ(robot.boxes[0].title, "Kestrup");
    EXPECT_EQ(robot.boxes[0].text,
              "No help is installed: the help file \"" + (folder / "Kestrup.chm") + "\" does not exist.");
    EXPECT_TRUE(opened.empty());

    // A file that exists goes to the desktop; one that nothing opens is reported.
    std::string file = folder.write("Kestrup.chm", "help");
    viewer->setHelpFile(file);
    viewer->Show(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{file});
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_NE(robot.boxes[1].text.find("no program on this computer opens"), std::string::npos);
    setDocumentOpener(previous);
}
