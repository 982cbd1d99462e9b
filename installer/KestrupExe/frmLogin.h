#pragma once
// The program's login dialog: a user name (given pre-filled) and a password
// for a printer user who may update the firmware.
#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;

namespace Kestrup {

class frmLogin : public QDialog {
    Q_OBJECT
public:
    explicit frmLogin(QWidget* parent = nullptr);

    // Shown in the user name box when the dialog opens.
    const std::string& UserName() const { return userName_; }
    void setUserName(std::string value);
    const std::string& Password() const { return password_; }
    // The printer that asks, named above the boxes.
    void setPrinterName(const std::string& value);
    // Says that the printer did not take the last user name and password.
    void setLastTryFailed(bool value);
    // True after Cancel, or when the dialog was closed without OK.
    bool CancelPressed() const { return cancelPressed_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdOK_Click();

    std::string userName_;
    std::string password_;
    bool cancelPressed_ = false;
    bool answered_ = false;
    QLabel* lblPrinter;
    QLabel* lblFailed;
    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
};

} // namespace Kestrup
