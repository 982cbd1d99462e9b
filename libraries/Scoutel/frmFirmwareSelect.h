#pragma once
// The firmware selection dialog: a tabbed dialog built around the hooked
// open-file dialog of a CommonDialog. "New" lists the firmware kernels of
// the open dialog's current folder with their titles, "Existing" is the open
// dialog itself, "Recent" lists the files handed in. The choice comes back
// through Cancelled, Filename and KernelName.
#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include "Scoutel/CommonDialog.h"
#include "Scoutel/FirmwareFinder.h"
#include "automation/Event.h"
#include "automation/Variant.h"

class QCheckBox;
class QLineEdit;
class QFileDialog;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace Scoutel {

class frmFirmwareSelect : public QDialog {
public:
    explicit frmFirmwareSelect(QWidget* parent = nullptr);
    ~frmFirmwareSelect() override;

    const Automation::Ref<CommonDialog>& cD() const { return cD_; }
    void setcD(Automation::Ref<CommonDialog> dialog);

    void AddNewType(const std::string& sName, const std::string& sFileName);
    void AddExistItem(const std::string& sName, const std::string& sFOlder,
                      const Automation::DateValue& dDate);

    bool ShowSplash() const { return showSplash_; }
    void setShowSplash(bool value) { showSplash_ = value; }
    bool ShowNew() const { return showNew_; }
    void setShowNew(bool value) { showNew_ = value; }
    bool IsNew() const { return isNew_; }
    bool ShowRecent() const { return showRecent_; }
    void setShowRecent(bool value) { showRecent_ = value; }
    bool Cancelled() const { return cancelled_; }
    const std::string& Filename() const { return filename_; }
    // The cleaned firmware title of Filename; empty for a file that is not a kernel.
    std::string KernelName();
    bool ShowCheckBox() const { return showCheckBox_; }
    void setShowCheckBox(bool value) { showCheckBox_ = value; }
    int32_t CheckBoxValue() const { return checkBoxValue_; }
    void setCheckBoxValue(int32_t value) { checkBoxValue_ = value; }
    const std::string& CheckBoxCaption() const { return checkBoxCaption_; }
    void setCheckBoxCaption(const std::string& value) { checkBoxCaption_ = value; }
    void setTabCaption(const std::string& value);

    // The form's load, before the dialog opens, and its unload afterwards.
    void Load();
    void Unload();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RecentEntry {
        std::string name;
        std::string folder;
        std::string date;
    };
    struct NewEntry {
        std::string name;
        std::string fileName;
    };

    void onInitDialog(int32_t hDlg);
    void onFolderChange();
    void onDialogOK(bool& bCancel);
    void onTabChanged();
    void openSelectedNew();
    // Ends the open dialog; the caller reads the outcome from the properties.
    void closeDialog();
    void fillNewFromFolder();
    // The first tab's caption, its folder shortened to what the tab strip
    // leaves room for; the whole folder is its tool tip.
    void showCaption();
    std::string tabKey(int index) const;
    std::string recentPath(int row) const;
    QLineEdit* fileNameBox() const;

    Automation::Ref<CommonDialog> cD_;
    std::vector<Automation::EventConnection> events_;
    Automation::Ref<FirmwareFinder> finder_;
    QPointer<QFileDialog> fileDialog_;

    QTabWidget* tabMain;
    QWidget* newPage_;
    QWidget* existingPage_;
    QWidget* recentPage_;
    QTreeWidget* lvwNew;
    QTreeWidget* lvwRecent;
    QPushButton* cmdNewOpen;
    QPushButton* CmdNewCancel;
    QCheckBox* chkCheck;
    QTimer tmrUnload;

    bool cancelled_ = true;
    std::string filename_;
    std::string currentFolder_;
    std::string extension_ = ".bin";
    bool showNew_ = false;
    bool isNew_ = false;
    bool showCheckBox_ = false;
    int32_t checkBoxValue_ = 0;
    std::string checkBoxCaption_;
    bool showRecent_ = false;
    bool showSplash_ = false;
    std::string previousTab_;
    std::string keptName_;
    std::string captionLead_;
    std::string captionFolder_;
    std::vector<NewEntry> newEntries_;
    std::vector<RecentEntry> recentEntries_;
};

} // namespace Scoutel
