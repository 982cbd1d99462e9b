#include "Pickett/ctlInstFileFinder.h"

#include <cmath>
#include <filesystem>
#include <set>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "Pickett/EnhBrowseFolder.h"
#include "Scrivel/DocFinder.h"
#include "automation/Runtime.h"
#include "files/FilePaths.h"
#include "messages/GuardedEntry.h"
#include "messages/ModalBox.h"
#include "seams/Seams.h"
#include "ui/Guarded.h"
#include "ui/ListView.h"
#include "ui/Text.h"
#include "ui/Twips.h"

namespace Pickett {

namespace {

namespace fs = std::filesystem;
using Automation::Ref;
using Platform::Ui::toPixels;
using Platform::Ui::toQString;

constexpr const char* CaptionPrefix = "Current Directory: ";

// One box for all the documents of a listing that could not be read.
std::string unreadableText(const std::vector<Automation::Error>& failures) {
    std::string text = failures.size() == 1 ? "This package document cannot be read and is not listed:"
                                            : "These package documents cannot be read and are not listed:";
    for (const auto& failure : failures)
        text += "\n\n" + failure.Description();
    return text + "\n\nReplace or remove the damaged file, or Browse to another folder.";
}

// The ways the folder's files write the firmware extension "bin": the finder
// takes one at a time, and "FW.BIN" is firmware as much as "fw.bin" is.
std::set<std::string> firmwareExtensionsIn(const std::string& folder) {
    std::set<std::string> spellings{"bin"};
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && Automation::lowerCase(name.substr(dot + 1)) == "bin")
            spellings.insert(name.substr(dot + 1));
    }
    return spellings;
}

// What the file system tells of a folder: its full path and its own name.
struct FolderInfo {
    std::string path;
    std::string name;
};

FolderInfo folderOf(const std::string& folder) {
    if (!Platform::Files::FolderExists(folder))
        Automation::raise(76, "Pickett", "Path not found: \"" + folder + "\"");
    std::error_code error;
    std::string path = fs::absolute(folder, error).lexically_normal().string();
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return {path, fs::path(path).filename().string()};
}

// The hourglass while a folder is listed, whichever way the listing ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

ctlInstFileFinder::ctlInstFileFinder(QWidget* parent) : QWidget(parent) {
    lblCurrDir = new QLabel(tr("Current directory: "), this);
    lblCurrDir->setObjectName("lblCurrDir");
    lstDistribution = new Platform::Ui::ListView(this);
    lstDistribution->setObjectName("lstDistribution");
    lstDistribution->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdDistrBrowse = new QPushButton(tr("Browse..."), this);
    cmdDistrBrowse->setObjectName("cmdDistrBrowse");
    chkFirmwareOnly = new QCheckBox(tr("I want to install a new &firmware only."), this);
    chkFirmwareOnly->setObjectName("chkFirmwareOnly");
    setTabOrder(lstDistribution, chkFirmwareOnly);
    setTabOrder(chkFirmwareOnly, cmdDistrBrowse);

    // Only the user's clicks: a change made by a program runs the click's
    // handling itself, so that its errors reach that program.
    connect(chkFirmwareOnly, &QCheckBox::clicked, this,
            [this] { fromUser("chkFirmwareOnly", [this] { chkFirmwareOnly_Click(); }); });
    connect(cmdDistrBrowse, &QPushButton::clicked, this,
            [this] { fromUser("cmdDistrBrowse", [this] { cmdDistrBrowse_Click(); }); });
    // A row chosen with the keyboard counts as a click; a choice the user
    // takes back (Ctrl+Space, a click beside the rows) is reported too.
    connect(lstDistribution, &Platform::Ui::ListView::SelectionChange, this, [this](QTreeWidgetItem* row) {
        fromUser("lstDistribution", [this, row] { Q_EMIT Selection(row != nullptr); });
    });
    connect(lstDistribution, &Platform::Ui::ListView::ColumnClick, this,
            [this](int column) { lstDistribution->sortByHeader(column); });
    // The check box and the button side by side, and a few rows between them and the caption.
    setMinimumSize(minimumSizeHint());
    arrange();
}

ctlInstFileFinder::~ctlInstFileFinder() = default;

void ctlInstFileFinder::fromUser(const char* where, const std::function<void()>& body) {
    // The finders' errors name the document or folder that failed.
    Platform::Ui::guarded(where, Title, body);
}

// --- properties --------------------------------------------------------------------

std::string ctlInstFileFinder::CurrentDirectory() {
    if (currentDirectory_.empty())
        currentDirectory_ = Platform::Seams::programFolder();
    return currentDirectory_;
}

void ctlInstFileFinder::setCurrentDirectory(const std::string& folder) {
    currentDirectory_ = folder;
    updateFolderCaption();
}

Ref<Automation::Object> ctlInstFileFinder::selectedTag(int32_t mode) const {
    const auto selected = lstDistribution->selectedItems();
    if (installationType_ != mode || selected.isEmpty() || !lstDistribution->Tag(selected.front()).isObject())
        return nullptr;
    return lstDistribution->Tag(selected.front()).toObject();
}

Ref<Scrivel::KSDoc> ctlInstFileFinder::SelectedPackage() const {
    return selectedTag(IT_Package).as<Scrivel::KSDoc>();
}

Ref<Scoutel::Firmware> ctlInstFileFinder::SelectedFirmware() const {
    return selectedTag(IT_Firmware_only).as<Scoutel::Firmware>();
}

std::string ctlInstFileFinder::FilePath() const {
    if (installationType_ == IT_Package) {
        auto package = SelectedPackage();
        return package ? package->Path() : std::string();
    }
    auto firmware = SelectedFirmware();
    return firmware ? firmware->Path() : std::string();
}

void ctlInstFileFinder::setFilePath(const std::string& path) {
    if (!Platform::Files::FileExists(path))
        return;
    std::error_code error;
    const fs::path file = fs::absolute(path, error).lexically_normal();
    setCurrentDirectory(file.parent_path().string());
    if (installationType_ == IT_Firmware_only)
        listFirmware(currentDirectory_);
    else
        listPackages(currentDirectory_);
    loaded_ = true;
    selectListed(file.string());
}

void ctlInstFileFinder::selectListed(const std::string& path) {
    if (QTreeWidgetItem* row = lstDistribution->FindItem(path)) {
        lstDistribution->setCurrentItem(row);
        row->setSelected(true);
        Q_EMIT Selection(true);
    }
}

void ctlInstFileFinder::setInstallationType(int32_t value) {
    if (value == installationType_)
        return;
    const bool firmware = value == IT_Firmware_only;
    if (chkFirmwareOnly->isChecked() != firmware) {
        chkFirmwareOnly->setChecked(firmware);
        chkFirmwareOnly_Click();
        // The click's handling has stored the mode and listed the folder.
        if (installationType_ == value)
            return;
    }
    installationType_ = value;
    setUpColumns();
}

void ctlInstFileFinder::setFirmwareModeOnly(bool value) {
    if (value == firmwareModeOnly_)
        return;
    if (value)
        setInstallationType(IT_Firmware_only);
    firmwareModeOnly_ = value;
    chkFirmwareOnly->setVisible(!value);
}

void ctlInstFileFinder::Load() {
    if (loaded_)
        return;
    // A listing that fails leaves the control unloaded.
    listCurrentDirectory();
    loaded_ = true;
}

void ctlInstFileFinder::listCurrentDirectory() {
    if (installationType_ == IT_Package)
        listPackages(CurrentDirectory());
    else if (installationType_ == IT_Firmware_only)
        listFirmware(CurrentDirectory());
}

// --- the user's controls -------------------------------------------------------------

void ctlInstFileFinder::chkFirmwareOnly_Click() {
    if (chkFirmwareOnly->isChecked()) {
        setInstallationType(IT_Firmware_only);
    } else {
        setInstallationType(IT_Package);
    }
    if (loaded_)
        listCurrentDirectory();
}

void ctlInstFileFinder::cmdDistrBrowse_Click() {
    auto browser = Automation::New<EnhBrowseFolder>();
    if (installationType_ == IT_Firmware_only)
        browser->setTitle("Select the directory containing the firmware to be uploaded.");
    else if (installationType_ == IT_Package)
        browser->setTitle("Select the directory containing the installation package to be uploaded.");
    browser->setFlags(BIF_RETURNONLYFSDIRS);
    const std::string chosen = browser->ShowBrowseDialog(this, CurrentDirectory());
    const std::string before = FilePath();
    if (!chosen.empty())
        setCurrentDirectory(chosen);
    // Also after a cancel: the folder may have changed on the disk. The
    // user's choice stays while it is still listed.
    if (installationType_ == IT_Package)
        listPackages(CurrentDirectory());
    else
        listFirmware(CurrentDirectory());
    if (!before.empty())
        selectListed(before);
}

void ctlInstFileFinder::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (installationType_ == 0)
        fromUser("ctlInstFileFinder", [this] { setInstallationType(IT_Package); });
}

// --- the list ------------------------------------------------------------------------

void ctlInstFileFinder::setUpColumns() {
    if (installationType_ == IT_Firmware_only) {
        lstDistribution->ClearColumns();
        lstDistribution->AddColumn("", "Name", 0);
        lstDistribution->AddColumn("", "FileName", 0);
        lstDistribution->setSorted(true);
    } else if (installationType_ == IT_Package) {
        lstDistribution->ClearItems();
        lstDistribution->ClearColumns();
        lstDistribution->AddColumn("", "Name", 0);
        lstDistribution->AddColumn("", "Version", 0);
        lstDistribution->AddColumn("", "Date", 0);
        lstDistribution->setSorted(true);
    }
    sizeColumns();
}

void ctlInstFileFinder::sizeColumns() {
    const int columns = lstDistribution->columnCount();
    if (columns == 0)
        return;
    // 1/n to four places, times the list's width, less a share of 325 twips.
    const double share = std::round(10000.0 / columns) / 10000.0;
    const double width = share * Platform::Ui::toTwips(lstDistribution->width()) - 325.0 / columns;
    for (int column = 0; column < columns; ++column)
        lstDistribution->setColumnWidthTwips(column, width);
}

void ctlInstFileFinder::listPackages(const std::string& folder) {
    WaitCursor wait;
    currentDirectory_ = folder;
    updateFolderCaption();
    lstDistribution->ClearItems();
    Q_EMIT Selection(false);
    auto finder = Automation::New<Scrivel::DocFinder>();
    auto docs = finder->GetKSDocs(folder);
    // From the first document's date on, a document is listed with what it
    // can show.
    bool lenient = false;
    for (const auto& doc : *docs) {
        QTreeWidgetItem* row = nullptr;
        try {
            row = lstDistribution->AddItem(doc->Path(), doc->ApplicationName());
            lstDistribution->setText(row, 1, doc->Version());
        } catch (const Automation::Error&) {
            if (!lenient)
                throw;
            continue;
        }
        lenient = true;
        try {
            lstDistribution->setText(row, 2, Automation::shortDate(doc->BuildDate().days));
        } catch (const Automation::Error&) {
        }
        lstDistribution->setTag(row, doc);
    }
    if (!finder->Unreadable().empty())
        Platform::ShowModalBox(unreadableText(finder->Unreadable()), Title);
}

void ctlInstFileFinder::listFirmware(const std::string& folder) {
    firmwareFinder_ = Automation::New<Scoutel::FirmwareFinder>();
    firmwareFound_ = firmwareFinder_->FirmwareFound.connect(
        [this](Ref<Scoutel::Firmware> oFirmware) { firmwareFound(oFirmware); });
    lstDistribution->ClearItems();
    Q_EMIT Selection(false);
    WaitCursor wait;
    currentDirectory_ = folder;
    updateFolderCaption();
    firmwareFinder_->setFilter(filter_);
    for (const std::string& extension : firmwareExtensionsIn(folder))
        firmwareFinder_->GetFirmwares(folder, extension);
    lstDistribution->update();
}

void ctlInstFileFinder::firmwareFound(const Ref<Scoutel::Firmware>& oFirmware) {
    auto* row =
        lstDistribution->AddItem(oFirmware->Path(), Scoutel::CleanKernelName(oFirmware->FirmwareName()));
    lstDistribution->setTag(row, oFirmware);
    lstDistribution->setText(row, 1, fs::path(oFirmware->Path()).filename().string());
    lstDistribution->update();
}

void ctlInstFileFinder::updateFolderCaption() {
    const auto folder = folderOf(currentDirectory_);
    const double room = Platform::Ui::toTwips(lblCurrDir->width()) - 200;
    if (room >= Platform::Ui::textWidthTwips(*this, CaptionPrefix + currentDirectory_))
        lblCurrDir->setText(toQString(CaptionPrefix + folder.path));
    else
        lblCurrDir->setText(toQString(CaptionPrefix + std::string("/.../") + folder.name));
    lblCurrDir->setToolTip(toQString(folder.path));
}

// --- layout ----------------------------------------------------------------------------

void ctlInstFileFinder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void ctlInstFileFinder::arrange() {
    const int w = width();
    const int h = height();
    const QSize button = cmdDistrBrowse->sizeHint();
    const QSize check = chkFirmwareOnly->sizeHint();
    const int labelHeight = lblCurrDir->sizeHint().height();
    const int left = toPixels(25);
    lblCurrDir->setGeometry(left, toPixels(10), std::max(0, w - left - toPixels(15)), labelHeight);
    lstDistribution->setGeometry(left, toPixels(10) + labelHeight + toPixels(15),
                                 std::max(0, w - left - toPixels(15)),
                                 std::max(0, h - labelHeight - button.height() - toPixels(50)));
    cmdDistrBrowse->setGeometry(w - button.width() - toPixels(15), h - button.height() - toPixels(10),
                                button.width(), button.height());
    chkFirmwareOnly->setGeometry(left, h - check.height() - toPixels(15), check.width(), check.height());
    sizeColumns();
    // A wider label may now hold the whole folder.
    if (!currentDirectory_.empty()) {
        try {
            updateFolderCaption();
        } catch (const Automation::Error&) {
        }
    }
}

QSize ctlInstFileFinder::minimumSizeHint() const {
    const QSize button = cmdDistrBrowse->sizeHint();
    const QSize check = chkFirmwareOnly->sizeHint();
    return {check.width() + button.width() + toPixels(25 + 15 + 200),
            lblCurrDir->sizeHint().height() + button.height() + 5 * fontMetrics().height()};
}

} // namespace Pickett
