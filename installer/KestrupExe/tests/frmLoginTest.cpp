#include "KestrupExe/frmLogin.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "UiRobot.h"
#include "ui/Forms.h"

using Kestrup::frmLogin;

TEST(frmLoginTest, ComesPreFilledAndReturnsWhatWasTyped) {
    UiRobot robot;
    robot.onForm = [](QDialog& form) {
        EXPECT_EQ(form.windowTitle(), "Login");
        EXPECT_EQ(form.findChild<QLineEdit*>("txtUserName")->text(), "user");
        auto* password = form.findChild<QLineEdit*>("txtPassword");
        EXPECT_EQ(password->text(), "");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        form.findChild<QLineEdit*>("txtUserName")->setText("admin");
        password->setText("secret");
        UiRobot::click(form, "cmdOK");
    };
    frmLogin login;
    login.setUserName("user");
    Platform::Ui::ShowModal(login);
    EXPECT_EQ(login.UserName(), "admin");
    EXPECT_EQ(login.Password(), "secret");
    EXPECT_FALSE(login.CancelPressed());
}

TEST(frmLoginTest, CancelAndTheCloseBoxBothCancel) {
    UiRobot robot;
    for (const char* how : {"cancel", "close"}) {
        robot.onForm = [how](QDialog& form) {
            form.findChild<QLineEdit*>("txtPassword")->setText("typed");
            if (std::string(how) == "cancel")
                UiRobot::click(form, "cmdCancel");
            else
                form.close();
        };
        frmLogin login;
        login.setUserName("user");
        Platform::Ui::ShowModal(login);
        EXPECT_TRUE(login.CancelPressed()) << how;
        EXPECT_EQ(login.UserName(), "user") << how;
        EXPECT_EQ(login.Password(), "") << how;
    }
}
