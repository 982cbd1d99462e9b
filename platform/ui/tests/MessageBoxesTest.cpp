// The real message boxes and form loop, answered by clicks the way a user
// would give them, and the seam that lets tests take the user's place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "ErrorNumber.h"
#include "UiRobot.h"
#include "ui/Forms.h"
#include "ui/MessageBoxes.h"

namespace {

using namespace Platform;

// Presses a button of the message box once it is up, and notes what it showed.
struct BoxPresser {
    QMessageBox::StandardButton press;
    QString title, text;
    QList<QMessageBox::StandardButton> buttons;

    void arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton* b : box->buttons())
                buttons.push_back(box->standardButton(b));
            box->button(press)->click();
        });
    }
};

TEST(MessageBoxes, EachStyleShowsItsButtonsAndAnswersAsTheRunTime) {
    struct Case {
        int32_t style;
        QMessageBox::StandardButton press;
        int32_t answer;
        int buttons;
    } cases[] = {{MsgBoxStyle::OKOnly, QMessageBox::Ok, MsgBoxResult::OK, 1},
                 {MsgBoxStyle::OKCancel, QMessageBox::Ok, MsgBoxResult::OK, 2},
                 {MsgBoxStyle::OKCancel, QMessageBox::Cancel, MsgBoxResult::Cancel, 2},
                 {MsgBoxStyle::YesNo, QMessageBox::Yes, MsgBoxResult::Yes, 2},
                 {MsgBoxStyle::YesNo, QMessageBox::No, MsgBoxResult::No, 2}};
    for (const Case& c : cases) {
        BoxPresser presser{c.press, {}, {}, {}};
        presser.arm();
        // Windows-1252 in, Unicode on the screen; CR LF is one line break.
        EXPECT_EQ(
            Ui::AnswerWithMessageBox({"Caf\xe9 closed\r\nsecond line", "Requirements don't match", c.style}),
            c.answer)
            << c.style;
        EXPECT_EQ(presser.title, QStringLiteral("Requirements don't match"));
        EXPECT_EQ(presser.text, QString::fromUtf8("Café closed\nsecond line"));
        EXPECT_EQ(presser.buttons.size(), c.buttons);
    }
}

TEST(MessageBoxes, AnUnknownButtonSetIsRefusedBeforeAnythingIsShown) {
    EXPECT_EQ(errorNumberOf([] { Ui::AnswerWithMessageBox({"text", "title", 3}); }), 5);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MessageBoxes, InstalledTheyAnswerShowModalBox) {
    auto previous = setModalBoxHook({});
    Ui::InstallMessageBoxes();
    BoxPresser presser{QMessageBox::No, {}, {}, {}};
    presser.arm();
    EXPECT_EQ(ShowModalBox("Do you want to continue the update?", "Kestrup", MsgBoxStyle::YesNo),
              MsgBoxResult::No);
    setModalBoxHook(previous);
}

TEST(Forms, AFormRunsItsOwnLoopUntilARobotTakesThePlace) {
    QDialog form;
    auto* ok = new QPushButton("OK", &form);
    ok->setObjectName("cmdOK");
    QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::accept);
    QTimer::singleShot(0, ok, &QPushButton::click);
    EXPECT_EQ(Ui::ShowModal(form), QDialog::Accepted);

    UiRobot robot;
    bool shown = false;
    robot.onForm = [&](QDialog& shownForm) {
        shown = shownForm.isVisible();
        UiRobot::click(shownForm, "cmdOK");
    };
    form.setResult(QDialog::Rejected);
    EXPECT_EQ(Ui::ShowModal(form), QDialog::Accepted);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form.isVisible());

    robot.folderAnswers.push_back("/tmp/chosen");
    EXPECT_EQ(Ui::ChooseFolder({"Pick one", "/tmp", nullptr}), "/tmp/chosen");
    EXPECT_EQ(Ui::ChooseFolder({"Again", "/tmp/chosen", nullptr}), "");
    ASSERT_EQ(robot.folderRequests.size(), 2u);
    EXPECT_EQ(robot.folderRequests[1].title, "Again");
    EXPECT_EQ(robot.folderRequests[1].startFolder, "/tmp/chosen");
}

} // namespace
