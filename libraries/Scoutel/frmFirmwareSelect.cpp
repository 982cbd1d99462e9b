#include "Scoutel/frmFirmwareSelect.h"

#include <algorithm>
#include <filesystem>

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
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

// Each column gets the width of its widest text while the list has room;
// when it has not, the narrow columns keep theirs and the wide ones share
// the rest equally. What is left over goes to the leftmost column, the name.
void fitColumns(QTreeView& view) {
    QHeaderView* header = view.header();
    std::vector<std::pair<int, int>> wanted; // width, column
    int first = -1;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column))
            continue;
        if (first < 0)
            first = column;
        // The tree view hides its override; the base's is the same call.
        const int texts = static_cast<QAbstractItemView&>(view).sizeHintForColumn(column);
        wanted.emplace_back(std::max(texts, header->sectionSizeHint(column)), column);
    }
    if (wanted.empty())
        return;
    std::sort(wanted.begin(), wanted.end());
    std::vector<int> widths(static_cast<size_t>(header->count()), 0);
    int room = view.viewport()->width();
    for (size_t i = 0; i < wanted.size(); ++i) {
        const int share = room / static_cast<int>(wanted.size() - i);
        const int width = std::min(wanted[i].first, share);
        widths[static_cast<size_t>(wanted[i].second)] = width;
        room -= width;
    }
    widths[static_cast<size_t>(first)] += room;
    for (const auto& [width, column] : wanted)
        header->resizeSection(column, widths[static_cast<size_t>(column)]);
}

// Keeps a list's columns fitted: at once when the list changes its size,
// and once the event loop is free after its rows change (the file
// dialog's list fills in the background). A text that its column cuts
// shows whole as a tool tip.
class ColumnFit : public QObject {
public:
    explicit ColumnFit(QTreeView& view) : QObject(&view), view_(view) {
        view.header()->setStretchLastSection(false);
        view.viewport()->installEventFilter(this);
        pending_.setSingleShot(true);
        pending_.setInterval(0);
        connect(&pending_, &QTimer::timeout, this, [this] { fitColumns(view_); });
        // Rows come in, or come back sorted or filtered anew.
        connect(view.model(), &QAbstractItemModel::rowsInserted, &pending_, qOverload<>(&QTimer::start));
        connect(view.model(), &QAbstractItemModel::layoutChanged, &pending_, qOverload<>(&QTimer::start));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            fitColumns(view_);
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QModelIndex index = view_.indexAt(help->pos());
            const QRect cell = view_.visualRect(index);
            // A tool tip of the list's own goes first.
            if (index.isValid() && index.data(Qt::ToolTipRole).isNull() &&
                view_.sizeHintForIndex(index).width() > cell.width()) {
                QToolTip::showText(help->globalPos(), index.data().toString(), view_.viewport(), cell);
                return true;
            }
        }
        return false;
    }

private:
    QTreeView& view_;
    QTimer pending_;
};

QTreeWidget* reportList(const QStringList& headers, const char* name) {
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionResizeMode(QHeaderView::Interactive);
    new ColumnFit(*list);
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
    // Only a button inside the form becomes the default that the form
    // returns to when the focus leaves another button.
    cmdNewOpen->setDefault(true);
    resize(720, 480);
    setSizeGripEnabled(true);
    // A new width gives the folder in the first tab's caption more or less room.
    tabMain->installEventFilter(this);

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
    captionLead_ = value;
    captionFolder_.clear();
    showCaption();
}

void frmFirmwareSelect::showCaption() {
    // A "&" of the folder is a character of its name, not a shortcut.
    auto shown = [](const QString& folder) { return QString(folder).replace('&', "&&"); };
    const QString lead = toQString(captionLead_);
    const QString folder = toQString(captionFolder_);
    QTabBar* bar = tabMain->tabBar();
    bar->setTabText(0, lead + shown(folder));
    bar->setTabToolTip(0, folder);
    const int excess = bar->sizeHint().width() - tabMain->width();
    if (excess > 0 && !folder.isEmpty()) {
        const QFontMetrics metrics(bar->font());
        const int room = std::max(0, metrics.horizontalAdvance(folder) - excess);
        bar->setTabText(0, lead + shown(metrics.elidedText(folder, Qt::ElideMiddle, room)));
    }
}

bool frmFirmwareSelect::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tabMain && event->type() == QEvent::Resize)
        showCaption();
    return QDialog::eventFilter(watched, event);
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
    // The form is the window now: its own grip resizes it from every page.
    fileDialog_->setSizeGripEnabled(false);
    if (auto* files = fileDialog_->findChild<QTreeView*>("treeView"))
        new ColumnFit(*files);
    // The side bar keeps room for its names, up to a quarter of the form,
    // also for a folder that the user adds to it (its name comes as data).
    if (auto* places = fileDialog_->findChild<QListView*>("sidebar")) {
        auto fit = [this, places] {
            places->setMinimumWidth(
                std::min(places->sizeHintForColumn(0) + 2 * places->frameWidth(), width() / 4));
        };
        places->ensurePolished();
        fit();
        connect(places->model(), &QAbstractItemModel::dataChanged, places, fit);
    }
    fileDialog_->show();
    if (cD_)
        cD_->CentreDialog(static_cast<int32_t>(fileDialog_->winId()), nullptr);
}

void frmFirmwareSelect::onFolderChange() {
    if (!fileDialog_)
        return;
    currentFolder_ = fromQString(fileDialog_->directory().absolutePath());
    fillNewFromFolder();
    captionLead_ = "Firmware files in ";
    captionFolder_ = currentFolder_;
    showCaption();
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

void frmFirmwareSelect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Opening on "Existing", the file dialog has put the focus into its
    // name box already.
    if (tabKey(tabMain->currentIndex()) == "New")
        cmdNewOpen->setFocus();
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
