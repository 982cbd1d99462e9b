#pragma once
// "Select Firmware": a modal form that hosts the picker in firmware mode and
// keeps the firmware the user confirmed with OK.
#include <string>

#include <QDialog>

#include "Scoutel/Firmware.h"

class QPushButton;

namespace Pickett {

class ctlInstFileFinder;

class frmSelectFirmware : public QDialog {
    Q_OBJECT
public:
    explicit frmSelectFirmware(QWidget* parent = nullptr);

    const std::string& InitDirectory() const { return initDirectory_; }
    void setInitDirectory(const std::string& value) { initDirectory_ = value; }
    // What OK kept; Nothing after Cancel or an OK without a selected row.
    const Automation::Ref<Scoutel::Firmware>& SelectedFirmware() const { return selectedFirmware_; }

    // The form's load: lists the firmware files of InitDirectory. Its
    // errors go to the caller.
    void LoadForm();

private:
    std::string initDirectory_;
    Automation::Ref<Scoutel::Firmware> selectedFirmware_;

    ctlInstFileFinder* ctlInstFileFinder1;
    QPushButton* mcdOK;
    QPushButton* cmdCancel;
};

// The firmware the user confirmed in a "Select Firmware" form that starts at
// InitDir, or Nothing.
Automation::Ref<Scoutel::Firmware> ShowFirmwareDialog(const std::string& InitDir);

} // namespace Pickett
