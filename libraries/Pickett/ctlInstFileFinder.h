#pragma once
// The package and firmware picker: lists the package documents or the
// firmware images of one folder, lets the user change the folder and switch
// between the two, and hands the chosen one to its host.
#include <cstdint>
#include <functional>
#include <string>

#include <QWidget>

#include "Pickett/PickettEnums.h"
#include "Scoutel/Firmware.h"
#include "Scoutel/FirmwareFinder.h"
#include "Scrivel/KSDoc.h"
#include "automation/Event.h"
#include "automation/Object.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidgetItem;

namespace Platform::Ui {
class ListView;
}

namespace Pickett {

class ctlInstFileFinder : public QWidget {
    Q_OBJECT
public:
    static constexpr Automation::ClassInfo classInfo{"{E35DD7FF-863E-42FE-B16D-910B707B3271}",
                                                     "Pickett.ctlInstFileFinder",
                                                     "{0B05B640-805B-49B8-9D3D-DDE31200FBB0}"};
    // The title of the boxes that report a failed listing.
    static constexpr const char* Title = "Pickett";

    explicit ctlInstFileFinder(QWidget* parent = nullptr);
    ~ctlInstFileFinder() override;

    // The path of the selected package (package mode) or firmware (any other
    // mode); empty when nothing is selected.
    std::string FilePath() const;
    // Lists the file's folder in the current mode and selects the file's
    // row; counts as the one Load. A path where no file is does nothing.
    void setFilePath(const std::string& path);
    Automation::Ref<Scrivel::KSDoc> SelectedPackage() const;
    Automation::Ref<Scoutel::Firmware> SelectedFirmware() const;
    // Read while none was set, the program folder.
    std::string CurrentDirectory();
    // Does not list; a folder that does not exist raises 76.
    void setCurrentDirectory(const std::string& folder);
    int32_t InstallationType() const { return installationType_; }
    void setInstallationType(int32_t value);
    bool FirmwareModeOnly() const { return firmwareModeOnly_; }
    void setFirmwareModeOnly(bool value);
    // The first call lists the current directory in the current mode.
    void Load();
    // enumFirmwareFilter, handed to each firmware listing.
    int32_t Filter() const { return filter_; }
    void setFilter(int32_t value) { filter_ = value; }

    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void Selection(bool ItemIsSelected);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void chkFirmwareOnly_Click();
    void cmdDistrBrowse_Click();
    void setUpColumns();
    void sizeColumns();
    void listPackages(const std::string& folder);
    void listFirmware(const std::string& folder);
    void firmwareFound(const Automation::Ref<Scoutel::Firmware>& oFirmware);
    void listCurrentDirectory();
    // Selects the row of the path, if it is listed, as the user's choice.
    void selectListed(const std::string& path);
    void updateFolderCaption();
    void arrange();
    // The selected row's tag in this mode; Nothing in another mode or without a selection.
    Automation::Ref<Automation::Object> selectedTag(int32_t mode) const;
    void fromUser(const char* where, const std::function<void()>& body);

    std::string currentDirectory_;
    int32_t installationType_ = 0;
    bool firmwareModeOnly_ = false;
    int32_t filter_ = 0;
    bool loaded_ = false;
    // The finder of the last firmware listing, whose reports the control takes.
    Automation::Ref<Scoutel::FirmwareFinder> firmwareFinder_;
    Automation::EventConnection firmwareFound_;

    QLabel* lblCurrDir;
    Platform::Ui::ListView* lstDistribution;
    QPushButton* cmdDistrBrowse;
    QCheckBox* chkFirmwareOnly;
};

} // namespace Pickett
