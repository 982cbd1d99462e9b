#pragma once
// The Qt answer of the modal-box hook: a QMessageBox with the buttons of the
// box's style, owned by the active window.
#include <cstdint>

#include "messages/ModalBox.h"

namespace Platform::Ui {

// Shows the box and returns the MsgBoxResult of the button pressed. Styles:
// OKOnly, OKCancel and YesNo; any other button set raises 5.
int32_t AnswerWithMessageBox(const ModalBoxRequest& request);

// Makes every ShowModalBox of the program a real message box (the program
// calls this once; headless tests install a robot instead).
void InstallMessageBoxes();

} // namespace Platform::Ui
