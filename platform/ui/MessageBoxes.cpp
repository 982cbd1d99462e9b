#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "automation/Error.h"
#include "ui/Text.h"

namespace Platform::Ui {

int32_t AnswerWithMessageBox(const ModalBoxRequest& request) {
    const int32_t buttons = request.style & 7;
    if (buttons != MsgBoxStyle::OKOnly && buttons != MsgBoxStyle::OKCancel && buttons != MsgBoxStyle::YesNo)
        Automation::raise(Automation::RuntimeError::InvalidProcedureCall, "MsgBox",
                          "Message box style " + std::to_string(request.style) +
                              " is not supported (OK, OK/Cancel or Yes/No)");

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(toQString(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQString(request.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (buttons == MsgBoxStyle::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else if (buttons == MsgBoxStyle::OKCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Cancel:
        return MsgBoxResult::Cancel;
    case QMessageBox::Yes:
        return MsgBoxResult::Yes;
    case QMessageBox::No:
        return MsgBoxResult::No;
    default:
        return MsgBoxResult::OK;
    }
}

void InstallMessageBoxes() {
    setModalBoxHook(AnswerWithMessageBox);
}

} // namespace Platform::Ui
