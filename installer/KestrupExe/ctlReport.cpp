#include "KestrupExe/ctlReport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "files/FilePaths.h"
#include "messages/ModalBox.h"
#include "ui/Shell.h"
#include "ui/Text.h"

namespace Kestrup {

ctlReport::ctlReport(QWidget* parent) : QWidget(parent) {
    lblReportText = new QLabel(this);
    lblReportText->setObjectName("lblReportText");
    lblReportText->setWordWrap(true);
    cmdLogFile = new QPushButton("View log...", this);
    cmdLogFile->setObjectName("cmdLogFile");
    auto* button = new QHBoxLayout;
    button->addWidget(cmdLogFile);
    button->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblReportText);
    layout->addLayout(button);
    layout->addStretch();
    connect(cmdLogFile, &QPushButton::clicked, this, [this] { cmdLogFile_Click(); });
}

void ctlReport::Load() {
    cmdLogFile->setEnabled(Platform::Files::FileExists(logFilePath_));
    lblReportText->setText(Platform::Ui::toQString(reportText_));
}

void ctlReport::cmdLogFile_Click() {
    if (!Platform::Files::FileExists(logFilePath_))
        return;
    // Where the desktop has no program for text files, the user can still open the log.
    if (!Platform::Ui::OpenDocument(logFilePath_))
        Platform::ShowModalBox(
            "No program is set up to open text files. The log file is " + logFilePath_ + ".", "Kestrup");
}

} // namespace Kestrup
