#include "KestrupExe/ctlLicense.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "KestrupExe/TextFilePage.h"
#include "ui/Text.h"

namespace Kestrup {

ctlLicense::ctlLicense(QWidget* parent) : QWidget(parent) {
    txtLicense = new QTextEdit(this);
    txtLicense->setObjectName("txtLicense");
    txtLicense->setReadOnly(true);
    optAgree = new QRadioButton("I agree", this);
    optAgree->setObjectName("optAgree");
    optDontAgree = new QRadioButton("I don't agree", this);
    optDontAgree->setObjectName("optDontAgree");
    group_ = new QButtonGroup(this);
    group_->addButton(optAgree);
    group_->addButton(optDontAgree);
    auto* options = new QHBoxLayout;
    options->addWidget(optAgree);
    options->addWidget(optDontAgree);
    options->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtLicense);
    layout->addLayout(options);
    // A click on either option reports the state of "I agree".
    connect(optAgree, &QRadioButton::clicked, this, [this] { Q_EMIT Agreed(Agreed()); });
    connect(optDontAgree, &QRadioButton::clicked, this, [this] { Q_EMIT Agreed(Agreed()); });
}

std::string ctlLicense::LicenseText() const {
    return Platform::Ui::fromQString(txtLicense->toPlainText());
}

void ctlLicense::setLicenseText(const std::string& text) {
    txtLicense->setPlainText(Platform::Ui::toQString(text));
}

bool ctlLicense::Agreed() const {
    return optAgree->isChecked();
}

void ctlLicense::setAgreed(bool value) {
    // An exclusive group would not let the checked option go.
    group_->setExclusive(false);
    optAgree->setChecked(value);
    if (value)
        optDontAgree->setChecked(false);
    group_->setExclusive(true);
    Q_EMIT Agreed(value);
}

bool ctlLicense::LoadFile(const std::string& sPath) {
    return LoadTextFile(*txtLicense, sPath);
}

} // namespace Kestrup
