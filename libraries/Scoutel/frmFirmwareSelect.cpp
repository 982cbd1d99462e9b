#include "Scoutel/frmFirmwareSelect.h"

#include <algorithm>
#include <filesystem>

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "automation/Error.h"
#include "automation/Runtime.h"
#include "ui/Text.h"

namespace Scoutel {

namespace fs = std::filesystem;

namespace {

using Platform::Ui::fromQString;
using Platform::Ui::toQString;

QTreeWidget* reportList(const QStringList& headers, const char* name) {
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionResizeMode(QHeaderView::Interactive);
    list->setColumnWidth(0, 220);
    return list;
}

std::string withSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + '/';
}

} // namespace

frmFirmwareSelect::frmFirmwareSelect(QWidget* parent)
    : QDialog(parent), finder_(Automation::New<FirmwareFinder>()) {
    tabMain = new QTabWidget;
    tabMain->setObjectName("tabMain");
    newPage_ = new QWidget;
    existingPage_ = new QWidget;
    recentPage_ = new QWidget;
    lvwNew = reportList({tr("Filename"), tr("Firmware Title")}, "lvwNew");
    lvwRecent = reportList({tr("File"), tr("Folder"), tr("Date")}, "lvwRecent");
    cmdNewOpen = new QPushButton(tr("&Open"));
    cmdNewOpen->setObjectName("cmdNewOpen");
    cmdNewOpen->setDefault(true);
    CmdNewCancel = new QPushButton(tr("&Cancel"));
    CmdNewCancel->setObjectName("CmdNewCancel");
    chkCheck = new QCheckBox(tr("Don't show this dialog in the f&uture"));
    chkCheck->setObjectName("chkCheck");

    auto* newLayout = new QVBoxLayout(newPage_);
    newLayout->addWidget(lvwNew, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdNewOpen);
    buttons->addWidget(CmdNewCancel);
    newLayout->addLayout(buttons);
    auto* existingLayout = new QVBoxLayout(existingPage_);
    existingLayout->setContentsMargins(0, 0, 0, 0);
    auto* recentLayout = new QVBoxLayout(recentPage_);
    recentLayout->addWidget(lvwRecent);
    tabMain->addTab(newPage_, tr("New"));
    tabMain->addTab(existingPage_, tr("Existing"));
    tabMain->addTab(recentPage_, tr("Recent"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabMain, 1);
    layout->addWidget(chkCheck);
    resize(720, 480);

    // Closing is deferred so that the dialog's OK handling returns first.
    tmrUnload.setSingleShot(true);
    tmrUnload.setInterval(0);
    connect(&tmrUnload, &QTimer::timeout, this, [this] { closeDialog(); });

    connect(tabMain, &QTabWidget::currentChanged, this, [this] { onTabChanged(); });
    connect(lvwNew, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { filename_ = fromQString(item->text(0)); });
    connect(lvwNew, &QTreeWidget::itemDoubleClicked, this, [this] { cmdNewOpen->click(); });
    connect(cmdNewOpen, &QPushButton::clicked, this, [this] { openSelectedNew(); });
    connect(CmdNewCancel, &QPushButton::clicked, this, [this] { closeDialog(); });
    connect(lvwRecent, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (QLineEdit* box = fileNameBox())
            box->setText(toQString(recentPath(lvwRecent->indexOfTopLevelItem(item))));
    });
    connect(lvwRecent, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        filename_ = recentPath(lvwRecent->indexOfTopLevelItem(item));
        if (QLineEdit* box = fileNameBox())
            box->setText(toQString(filename_));
        // The open dialog's own check runs, then its OK reaches onDialogOK.
        if (fileDialog_)
            static_cast<QDialog*>(fileDialog_.data())->accept();
    });
    connect(chkCheck, &QCheckBox::clicked, this, [this] { checkBoxValue_ = chkCheck->isChecked() ? 1 : 0; });
}

frmFirmwareSelect::~frmFirmwareSelect() = default;

void frmFirmwareSelect::setcD(Automation::Ref<CommonDialog> dialog) {
    events_.clear();
    cD_ = std::move(dialog);
    if (!cD_)
        return;
    events_.push_back(cD_->Events.InitDialog.connect([this](int32_t hDlg) { onInitDialog(hDlg); }));
    events_.push_back(cD_->Events.FolderChange.connect([this](int32_t) { onFolderChange(); }));
    events_.push_back(cD_->Events.DialogOK.connect([this](bool& bCancel) { onDialogOK(bCancel); }));
}

void frmFirmwareSelect::AddNewType(const std::string& sName, const std::string& sFileName) {
    newEntries_.push_back({sName, sFileName});
}

void frmFirmwareSelect::AddExistItem(const std::string& sName, const std::string& sFOlder,
                                     const Automation::DateValue& dDate) {
    recentEntries_.push_back({sName, sFOlder, Automation::Variant(dDate).toString()});
}

std::string frmFirmwareSelect::KernelName() {
    return CleanKernelName(finder_->GetKernelName(filename_));
}

void frmFirmwareSelect::setTabCaption(const std::string& value) {
    tabMain->setTabText(0, toQString(value));
}

std::string frmFirmwareSelect::tabKey(int index) const {
    QWidget* page = tabMain->widget(index);
    return page == newPage_        ? "New"
           : page == existingPage_ ? "Existing"
           : page == recentPage_   ? "Recent"
                                   : "";
}

std::string frmFirmwareSelect::recentPath(int row) const {
    if (row < 0 || row >= static_cast<int>(recentEntries_.size()))
        return {};
    const auto& entry = recentEntries_[static_cast<size_t>(row)];
    return withSlash(entry.folder) + entry.name;
}

QLineEdit* frmFirmwareSelect::fileNameBox() const {
    return fileDialog_ ? fileDialog_->findChild<QLineEdit*>("fileNameEdit") : nullptr;
}

void frmFirmwareSelect::Load() {
    cancelled_ = true;
    extension_ = ".bin";
    {
        // Building the pages must not count as the user's tab clicks.
        const QSignalBlocker quiet(tabMain);
        if (showNew_) {
            lvwNew->clear();
            for (const auto& entry : newEntries_)
                lvwNew->addTopLevelItem(
                    new QTreeWidgetItem(QStringList{toQString(entry.name), toQString(entry.fileName)}));
            if (QTreeWidgetItem* first = lvwNew->topLevelItem(0)) {
                lvwNew->setCurrentItem(first);
                filename_ = newEntries_.front().name;
            }
            isNew_ = true;
        } else {
            tabMain->removeTab(tabMain->indexOf(newPage_));
        }
        lvwRecent->clear();
        for (const auto& entry : recentEntries_)
            lvwRecent->addTopLevelItem(new QTreeWidgetItem(
                QStringList{toQString(entry.name), toQString(entry.folder), toQString(entry.date)}));
        if (QTreeWidgetItem* first = lvwRecent->topLevelItem(0))
            lvwRecent->setCurrentItem(first);
        if (!showRecent_)
            tabMain->removeTab(tabMain->indexOf(recentPage_));
        tabMain->setCurrentIndex(0);
    }
    previousTab_ = tabKey(tabMain->currentIndex());
    chkCheck->setVisible(showCheckBox_);
    chkCheck->setChecked(checkBoxValue_ != 0);
    chkCheck->setText(toQString(checkBoxCaption_));
}

void frmFirmwareSelect::Unload() {
    tmrUnload.stop();
    setcD(nullptr);
}

void frmFirmwareSelect::onInitDialog(int32_t hDlg) {
    fileDialog_ = qobject_cast<QFileDialog*>(QWidget::find(static_cast<WId>(static_cast<uint32_t>(hDlg))));
    if (!fileDialog_)
        return;
    // The page's buttons read like the dialog's own.
    cmdNewOpen->setText(fileDialog_->labelText(QFileDialog::Accept));
    CmdNewCancel->setText(fileDialog_->labelText(QFileDialog::Reject));
    setWindowTitle(fileDialog_->windowTitle());
    // The form stands where the dialog would have stood, with the dialog
    // on its "Existing" page.
    setParent(fileDialog_->parentWidget(), windowFlags());
    fileDialog_->setParent(existingPage_, Qt::Widget);
    existingPage_->layout()->addWidget(fileDialog_);
    fileDialog_->show();
    if (cD_)
        cD_->CentreDialog(static_cast<int32_t>(fileDialog_->winId()), nullptr);
}

void frmFirmwareSelect::onFolderChange() {
    if (!fileDialog_)
        return;
    currentFolder_ = fromQString(fileDialog_->directory().absolutePath());
    fillNewFromFolder();
    setTabCaption("Firmware files in " + currentFolder_);
}

void frmFirmwareSelect::fillNewFromFolder() {
    lvwNew->clear();
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(currentFolder_), error), end; !error && it != end;
         it.increment(error))
        files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        // Matched without regard to case, as the folder search of the
        // dialog's original platform did.
        if (name.size() <= extension_.size() ||
            Automation::compareText(name.substr(name.size() - extension_.size()), extension_,
                                    Automation::CompareMethod::Text) != 0)
            continue;
        std::error_code ignored;
        if (!fs::is_regular_file(file, ignored))
            continue;
        try {
            if (!finder_->IsKernelFile(file.string()))
                continue;
            const std::string title = CleanKernelName(finder_->GetKernelName(file.string()));
            lvwNew->addTopLevelItem(new QTreeWidgetItem(QStringList{toQString(name), toQString(title)}));
        } catch (const Automation::Error&) {
            // A file whose header cannot be read as a kernel is not listed.
        }
    }
}

void frmFirmwareSelect::onDialogOK(bool& bCancel) {
    // The dialog's own OK never closes it: the timer does, after this returns.
    bCancel = true;
    cancelled_ = false;
    if (fileDialog_ && !fileDialog_->selectedFiles().isEmpty())
        filename_ = fromQString(fileDialog_->selectedFiles().front());
    tmrUnload.start();
}

void frmFirmwareSelect::onTabChanged() {
    const std::string current = tabKey(tabMain->currentIndex());
    if (current == previousTab_)
        return;
    if (previousTab_ == "Existing") {
        if (QLineEdit* box = fileNameBox())
            keptName_ = fromQString(box->text());
    } else if (previousTab_ == "New") {
        isNew_ = false;
    }
    if (current == "Existing") {
        if (QLineEdit* box = fileNameBox()) {
            box->setText(toQString(keptName_));
            box->setFocus();
            box->selectAll();
        }
    } else if (current == "Recent") {
        lvwRecent->setFocus();
        if (QLineEdit* box = fileNameBox()) {
            QTreeWidgetItem* item = lvwRecent->currentItem();
            box->setText(item && item->isSelected()
                             ? toQString(recentPath(lvwRecent->indexOfTopLevelItem(item)))
                             : QString());
        }
    } else if (current == "New") {
        isNew_ = true;
        lvwNew->setFocus();
    }
    previousTab_ = current;
}

void frmFirmwareSelect::openSelectedNew() {
    QTreeWidgetItem* item = lvwNew->currentItem();
    if (!item || !item->isSelected())
        return;
    filename_ = withSlash(currentFolder_) + fromQString(item->text(0));
    cancelled_ = false;
    closeDialog();
}

void frmFirmwareSelect::closeDialog() {
    tmrUnload.stop();
    // The open dialog always ends as cancelled; the properties tell the rest.
    if (fileDialog_)
        fileDialog_->reject();
    else
        reject();
}

} // namespace Scoutel
