#include "KestrupExe/ctlConnectionType.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace Kestrup {

namespace {

QLabel* explanation(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setContentsMargins(24, 0, 0, 12);
    return label;
}

} // namespace

ctlConnectionType::ctlConnectionType(QWidget* parent) : QWidget(parent) {
    optSerial = new QRadioButton("Serial", this);
    optSerial->setObjectName("optSerial");
    optSerial->setChecked(true);
    optNetwork = new QRadioButton("Network", this);
    optNetwork->setObjectName("optNetwork");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optSerial);
    layout->addWidget(
        explanation("Choose this if you have a connection (serial) directly from your PC to your "
                    "printer. You can only install one printer at a time.",
                    this));
    layout->addWidget(optNetwork);
    layout->addWidget(
        explanation("Choose this if your printers are connected to a LAN. You can install to more "
                    "than one printer at a time.",
                    this));
    layout->addStretch();
}

int32_t ctlConnectionType::ConnectionType() const {
    if (optSerial->isChecked())
        return 1;
    return optNetwork->isChecked() ? 2 : 0;
}

void ctlConnectionType::setConnectionType(int32_t value) {
    if (value == 1)
        optSerial->setChecked(true);
    else if (value == 2)
        optNetwork->setChecked(true);
}

} // namespace Kestrup
