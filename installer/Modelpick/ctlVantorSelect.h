#pragma once
// The network printer selection: the user edits the networks and the SNMP
// community to sweep, scans, and checks the print servers to install on.
// Rows of printers that cannot be used are ghosted and cannot stay checked.
#include <cstdint>
#include <string>

#include <QWidget>

#include "Beaconet/HBFind.h"
#include "Modelpick/HubletPrinters.h"
#include "Modelpick/ModelpickEnums.h"
#include "automation/Object.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;

namespace Platform::Ui {
class ListView;
}

namespace Modelpick {

class ctlVantorSelect : public QWidget {
    Q_OBJECT
public:
    static constexpr Automation::ClassInfo classInfo{"{1D1FBA22-07E1-4521-8661-279B85382131}",
                                                     "Modelpick.ctlVantorSelect",
                                                     "{5A621FCC-47EF-4E00-B0A0-A0F1B07CD937}"};
    // The default title of the library's message boxes.
    static constexpr const char* Title = "Modelpick";

    explicit ctlVantorSelect(QWidget* parent = nullptr);
    ~ctlVantorSelect() override;

    // Empties the list and starts a sweep of 6000 ms; the printers arrive
    // while the thread pumps. Errors are shown, never raised.
    void Scan();
    // The printers of the checked rows, in the list's order.
    Automation::Ref<HubletPrinters> GetSelectedItems() const;
    // Once: check boxes, the community, the broadcast address, the columns.
    void Load();
    // enumShowItems bits; the columns follow at the next Load, show or scan.
    int32_t ShowItems() const { return showItems_; }
    void setShowItems(int32_t value) { showItems_ = value; }
    Automation::Ref<Beaconet::Networks> Networks();
    std::string ReadCommunity();
    void setReadCommunity(const std::string& value);

    // The control as the finder's client (INotify): NewPrinter lists a
    // printer, or brings its row up to date. It holds the control weakly.
    Automation::Ref<Beaconet::INotify> NotifyClient() const;

Q_SIGNALS:
    void SelectionMade();
    void NoSelectionMade();

protected:
    void showEvent(QShowEvent* event) override;
    // Return in a text field goes no further, for the window's default button
    // would start the installation: in the address field it adds the address,
    // as Add does. The printer list, once focused, always has a current row,
    // and Space checks or unchecks that row.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class FinderClient;
    friend class FinderClient;

    Automation::Ref<Beaconet::HBFind> Finder();
    void BuildColumns();
    void NewPrinter(const Automation::Ref<Beaconet::HBPrinter>& oPrinter);
    void AddPrinterRow(const Automation::Ref<HubletPrinter>& printer);
    void ItemCheck(QTreeWidgetItem* item);
    void raiseSelectionState();
    void keepACurrentRow();
    void toggleCurrentRow();
    Automation::Ref<HubletPrinter> printerOf(QTreeWidgetItem* item) const;
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdRemoveAll_Click();

    Automation::Ref<Beaconet::HBFind> finder_;
    Automation::Ref<FinderClient> client_;
    int32_t showItems_ = 0;
    bool loaded_ = false;

    QTabWidget* SSTab1;
    Platform::Ui::ListView* ListView1;
    QPushButton* cmdScan;
    QLineEdit* txtNetwork;
    QListWidget* lstSubnets;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;
    QPushButton* cmdRemoveAll;
    QLineEdit* txtCommunity;
};

} // namespace Modelpick
