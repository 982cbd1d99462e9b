#pragma once
// The break-string dialog: asks for the text that stops the program running
// on a printer, and for a serial printer also the line settings to use.
#include <string>

#include <QDialog>

#include "KestrupExe/IBreakString.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Kestrup {

class frmBreakStrings : public QDialog {
    Q_OBJECT
public:
    explicit frmBreakStrings(QWidget* parent = nullptr);

    // Filled by Send; set it before the dialog is shown.
    const Automation::Ref<IBreakString>& BreakStringObj() const { return breakStringObj_; }
    void setBreakStringObj(Automation::Ref<IBreakString> value) { breakStringObj_ = std::move(value); }
    const std::string& PrinterName() const { return printerName_; }
    void setPrinterName(std::string value) { printerName_ = std::move(value); }
    // Says that the printer did not answer after the last break string.
    void setLastTryFailed(bool value) { lastTryFailed_ = value; }
    // True after Cancel, Escape or the close box; the object is then untouched.
    bool CancelPressed() const { return cancelPressed_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void cmdSend_Click();

    Automation::Ref<IBreakString> breakStringObj_;
    std::string printerName_;
    bool cancelPressed_ = false;
    bool loaded_ = false;
    bool sent_ = false;
    bool lastTryFailed_ = false;
    QLabel* lblPrinter;
    QLabel* lblFailed;
    QLineEdit* Text1;
    QWidget* PicSerialSettings;
    QComboBox* cboBaudrate;
    QComboBox* cboDataBits;
    QComboBox* cboStopBits;
    QComboBox* cboParity;
};

} // namespace Kestrup
