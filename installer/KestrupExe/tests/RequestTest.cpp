// The wizard's answers to the installation engine's questions, with the
// dialogs operated by the robot.
#include "WizardFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using namespace Kestrup;

namespace {

class RequestTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        start();
    }
    // Types into the break-string dialog, then presses the button.
    void answerBreak(const char* typed, const char* button) {
        robot.onForm = [this, typed, button](QDialog& form) {
            shown.title = form.windowTitle().toStdString();
            auto* panel = form.findChild<QWidget*>("PicSerialSettings");
            shown.serialPanel = panel->isVisible();
            for (const char* list : {"cboBaudrate", "cboDataBits", "cboStopBits", "cboParity"})
                shown.lists.push_back(form.findChild<QComboBox*>(list)->currentText().toStdString());
            form.findChild<QLineEdit*>("Text1")->setText(typed);
            if (std::string(button) == "close")
                form.close();
            else
                UiRobot::click(form, button);
        };
    }

    // The text of a label the user sees; empty when it is hidden.
    static std::string shownText(const QWidget& form, const char* name) {
        auto* label = form.findChild<QLabel*>(name);
        return label->isVisible() ? label->text().toStdString() : std::string();
    }

    struct Shown {
        std::string title;
        bool serialPanel = false;
        std::vector<std::string> lists;
    } shown;
};

} // namespace

TEST_F(RequestTest, NetworkBreakStringComesBackWithItsTokensExpanded) {
    answerBreak("<ESC>x<CR><esc>", "cmdSend");
    std::string sBreak = "old";
    bool cancel = false;
    wizard->RequestClient()->RequestForBreakString("127.0.0.3", sBreak, cancel);
    EXPECT_EQ(shown.title, "Break string");
    EXPECT_FALSE(shown.serialPanel);
    EXPECT_EQ(sBreak, "\x1bx\r<esc>");
    EXPECT_FALSE(cancel);

    for (const char* how : {"cmdCancel", "close"}) {
        answerBreak("<ESC>", how);
        sBreak = "old";
        cancel = false;
        wizard->RequestClient()->RequestForBreakString("127.0.0.3", sBreak, cancel);
        EXPECT_EQ(sBreak, "old") << how;
        EXPECT_TRUE(cancel) << how;
    }
}

TEST_F(RequestTest, SerialBreakStringOpensAtItsOwnDefaultsWithItsTokensExpanded) {
    answerBreak("<ESC>", "cmdSend");
    int32_t baud = 9600;
    int16_t data = 7, stop = 2, parity = 3;
    std::string sBreak;
    bool cancel = false;
    wizard->RequestClient()->RequestForSerialBreakString("Com1", baud, data, stop, parity, sBreak, cancel);
    EXPECT_EQ(shown.title, "Break string - Printer Com1");
    EXPECT_TRUE(shown.serialPanel);
    EXPECT_EQ(shown.lists, (std::vector<std::string>{"115200", "8", "1", "None"}));
    EXPECT_EQ(baud, 115200);
    EXPECT_EQ(data, 8);
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(parity, 1);
    EXPECT_EQ(sBreak, "\x1b");
    EXPECT_FALSE(cancel);

    answerBreak("x", "cmdCancel");
    wizard->RequestClient()->RequestForSerialBreakString("Com1", baud, data, stop, parity, sBreak, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(sBreak, "\x1b");
}

TEST_F(RequestTest, RequirementsBoxCancelsOnlyOnCancel) {
    robot.boxAnswers = {Platform::MsgBoxResult::OK, Platform::MsgBoxResult::Cancel};
    bool cancel = false;
    wizard->RequestClient()->ReqNotMatch("Printer model doesn't match", cancel);
    EXPECT_FALSE(cancel);
    wizard->RequestClient()->ReqNotMatch("Printer model doesn't match", cancel);
    EXPECT_TRUE(cancel);
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_EQ(robot.boxes[0].title, "Requirements don't match");
    EXPECT_EQ(robot.boxes[0].text, "Printer model doesn't match");
    EXPECT_EQ(robot.boxes[0].style, Platform::MsgBoxStyle::OKCancel);
}

TEST_F(RequestTest, LoginIsPreFilledWithTheEnginesUser) {
    robot.onForm = [](QDialog& form) {
        EXPECT_EQ(form.findChild<QLineEdit*>("txtUserName")->text(), "user");
        form.findChild<QLineEdit*>("txtUserName")->setText("admin");
        form.findChild<QLineEdit*>("txtPassword")->setText("admin");
        UiRobot::click(form, "cmdOK");
    };
    std::string user = "user", password;
    bool save = true, cancel = true;
    wizard->RequestClient()->RequestLogin("127.0.0.2", user, password, save, cancel);
    EXPECT_EQ(user, "admin");
    EXPECT_EQ(password, "admin");
    EXPECT_FALSE(cancel);
    EXPECT_TRUE(save);
}

TEST_F(RequestTest, LoginNamesThePrinterAndSaysWhenTheLastTryFailed) {
    std::vector<std::string> seen;
    robot.onForm = [&](QDialog& form) {
        seen.push_back(shownText(form, "lblPrinter") + " | " + shownText(form, "lblFailed"));
        UiRobot::click(form, "cmdOK");
    };
    for (const char* printer : {"127.0.0.2", "127.0.0.2", "127.0.0.3"}) {
        std::string user = "admin", password;
        bool save = false, cancel = false;
        wizard->RequestClient()->RequestLogin(printer, user, password, save, cancel);
    }
    const std::string failed =
        "The printer did not accept the last user name and password: the login failed.";
    EXPECT_EQ(seen, (std::vector<std::string>{"Printer: 127.0.0.2 | ", "Printer: 127.0.0.2 | " + failed,
                                              "Printer: 127.0.0.3 | "}));
}

TEST_F(RequestTest, LoginCancelIsHandedBack) {
    for (const char* how : {"cmdCancel", "close"}) {
        robot.onForm = [how](QDialog& form) {
            form.findChild<QLineEdit*>("txtPassword")->setText("admin");
            if (std::string(how) == "close")
                form.close();
            else
                UiRobot::click(form, how);
        };
        std::string user = "user", password;
        bool save = false, cancel = false;
        wizard->RequestClient()->RequestLogin("127.0.0.2", user, password, save, cancel);
        EXPECT_TRUE(cancel) << how;
    }
}

TEST_F(RequestTest, BreakStringNamesThePrinterShowsTheFormAndSaysWhenTheLastOneFailed) {
    std::vector<std::string> seen;
    robot.onForm = [&](QDialog& form) {
        seen.push_back(form.windowTitle().toStdString() + " / " + shownText(form, "lblPrinter") + " | " +
                       shownText(form, "lblFailed"));
        EXPECT_EQ(shownText(form, "lblHint"),
                  "Write a control character by its name between < and >, for example <ESC> or <CR>.");
        // The box's label gives it its access key.
        auto* text = form.findChild<QLineEdit*>("Text1");
        bool labelled = false;
        for (auto* label : form.findChildren<QLabel*>())
            labelled = labelled || (label->buddy() == text && label->text() == "&Break string:");
        EXPECT_TRUE(labelled);
        UiRobot::click(form, "cmdCancel");
    };
    std::string sBreak;
    bool cancel = false;
    int32_t baud = 0;
    int16_t data = 0, stop = 0, parity = 0;
    wizard->RequestClient()->RequestForBreakString("127.0.0.3", sBreak, cancel);
    wizard->RequestClient()->RequestForBreakString("127.0.0.3", sBreak, cancel);
    wizard->RequestClient()->RequestForSerialBreakString("Com1", baud, data, stop, parity, sBreak, cancel);
    wizard->RequestClient()->RequestForSerialBreakString("Com1", baud, data, stop, parity, sBreak, cancel);
    const std::string failed = "The printer did not answer after the last break string.";
    EXPECT_EQ(seen, (std::vector<std::string>{"Break string / Printer: 127.0.0.3 | ",
                                              "Break string / Printer: 127.0.0.3 | " + failed,
                                              "Break string - Printer Com1 / Printer: Com1 | ",
                                              "Break string - Printer Com1 / Printer: Com1 | " + failed}));
}
