#include "KestrupExe/frmLogin.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Forms.h"
#include "ui/Text.h"

namespace Kestrup {

frmLogin::frmLogin(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Login");
    auto* explanation =
        new QLabel("To continue the update you must provide the wizard with a username (admin) and "
                   "the corresponding password.",
                   this);
    explanation->setWordWrap(true);
    lblPrinter = new QLabel(this);
    lblPrinter->setObjectName("lblPrinter");
    lblPrinter->hide();
    lblFailed =
        new QLabel("The printer did not accept the last user name and password: the login failed.", this);
    lblFailed->setObjectName("lblFailed");
    lblFailed->setWordWrap(true);
    lblFailed->hide();
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName("txtUserName");
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    auto* chkSave = new QCheckBox("Save password", this);
    chkSave->setObjectName("chkSave");
    auto* fields = new QFormLayout;
    auto* userLabel = new QLabel("&User Name:", this);
    userLabel->setBuddy(txtUserName);
    auto* passwordLabel = new QLabel("&Password:", this);
    passwordLabel->setBuddy(txtPassword);
    fields->addRow(userLabel, txtUserName);
    fields->addRow(passwordLabel, txtPassword);
    fields->addRow(QString(), chkSave);

    auto* cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    auto* cmdHelp = new QPushButton("Help", this);
    cmdHelp->setObjectName("cmdHelp");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrinter);
    layout->addWidget(explanation);
    layout->addWidget(lblFailed);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::reject);
}

void frmLogin::setUserName(std::string value) {
    userName_ = std::move(value);
    txtUserName->setText(Platform::Ui::toQString(userName_));
}

void frmLogin::setPrinterName(const std::string& value) {
    lblPrinter->setText(Platform::Ui::toQString("Printer: " + value));
    lblPrinter->setVisible(!value.empty());
}

void frmLogin::setLastTryFailed(bool value) {
    lblFailed->setVisible(value);
}

void frmLogin::showEvent(QShowEvent* event) {
    // The printer's name and the failed try are known only now.
    Platform::Ui::keepWrappedTextWhole(*this, fontMetrics().averageCharWidth() * 50);
    QDialog::showEvent(event);
}

void frmLogin::cmdOK_Click() {
    userName_ = Platform::Ui::fromQString(txtUserName->text());
    password_ = Platform::Ui::fromQString(txtPassword->text());
    cancelPressed_ = false;
    answered_ = true;
    accept();
}

void frmLogin::reject() {
    // Cancel, Escape and the close box all end here.
    if (!answered_)
        cancelPressed_ = true;
    answered_ = true;
    QDialog::reject();
}

} // namespace Kestrup
