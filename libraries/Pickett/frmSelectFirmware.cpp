#include "Pickett/frmSelectFirmware.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "Pickett/ctlInstFileFinder.h"
#include "Scoutel/Enums.h"
#include "ui/Forms.h"

namespace Pickett {

frmSelectFirmware::frmSelectFirmware(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Select Firmware"));
    ctlInstFileFinder1 = new ctlInstFileFinder;
    ctlInstFileFinder1->setObjectName("ctlInstFileFinder1");
    mcdOK = new QPushButton(tr("OK"));
    mcdOK->setObjectName("mcdOK");
    mcdOK->setDefault(true);
    cmdCancel = new QPushButton(tr("Cancel"));
    cmdCancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(mcdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctlInstFileFinder1, 1);
    layout->addLayout(buttons);
    resize(480, 320);

    connect(mcdOK, &QPushButton::clicked, this, [this] {
        if (auto firmware = ctlInstFileFinder1->SelectedFirmware())
            selectedFirmware_ = firmware;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSelectFirmware::LoadForm() {
    ctlInstFileFinder1->setCurrentDirectory(initDirectory_);
    ctlInstFileFinder1->setFilter(Scoutel::FF_All_Rubric);
    ctlInstFileFinder1->setFirmwareModeOnly(true);
    ctlInstFileFinder1->setInstallationType(IT_Firmware_only);
    ctlInstFileFinder1->Load();
}

Automation::Ref<Scoutel::Firmware> ShowFirmwareDialog(const std::string& InitDir) {
    frmSelectFirmware form;
    form.setInitDirectory(InitDir);
    form.LoadForm();
    Platform::Ui::ShowModal(form);
    return form.SelectedFirmware();
}

} // namespace Pickett
