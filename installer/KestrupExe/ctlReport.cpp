#include "KestrupExe/ctlReport.h"

#include <filesystem>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Shell.h"
#include "ui/Text.h"

namespace Kestrup {

namespace {

bool fileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

} // namespace

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
    cmdLogFile->setEnabled(fileExists(logFilePath_));
    lblReportText->setText(Platform::Ui::toQString(reportText_));
}

void ctlReport::cmdLogFile_Click() {
    // The opener's answer is not looked at: the user sees whether the log opened.
    if (fileExists(logFilePath_))
        Platform::Ui::OpenDocument(logFilePath_);
}

} // namespace Kestrup
